#include "queue/OutputNames.h"

#include <QFile>
#include <QTest>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::PathStyle)

namespace {

// Builds the text from a count of one repeated piece, so the tables stay readable.
QString Repeat(const QString& piece, int count) {
    return piece.repeated(count);
}

const QString kSmile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, a surrogate pair
const QString kEAcute = QString::fromUtf8("\xC3\xA9");        // 2 UTF-8 bytes
const QString kHan = QString::fromUtf8("\xE4\xB8\xAD");       // 3 UTF-8 bytes

int NameLength(const QString& path, PathStyle style) {
    const QString name = path.mid(path.lastIndexOf(style == PathStyle::Windows ? u'\\' : u'/') + 1);
    return style == PathStyle::Windows ? int(name.size()) : int(QFile::encodeName(name).size());
}

} // namespace

class TestOutputNames : public QObject {
    Q_OBJECT
private slots:
    void uniqueOutputPaths_data();
    void uniqueOutputPaths();
    void titlePaths_data();
    void titlePaths();
};

void TestOutputNames::uniqueOutputPaths_data() {
    QTest::addColumn<PathStyle>("style");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("expected");

    const auto posix = PathStyle::Posix;
    const auto windows = PathStyle::Windows;

    QTest::newRow("distinct paths unchanged") << posix << QStringList{"/o/a.pdf", "/o/b.pdf", "/p/a.pdf"}
                                              << QStringList{"/o/a.pdf", "/o/b.pdf", "/p/a.pdf"};
    QTest::newRow("posix: repeats numbered, other case is another file")
        << posix << QStringList{"/o/a.pdf", "/o/A.pdf", "/o/a.pdf", "/o/a.pdf"}
        << QStringList{"/o/a.pdf", "/o/A.pdf", "/o/a (2).pdf", "/o/a (3).pdf"};
    QTest::newRow("windows: letter case ignored, own case kept")
        << windows << QStringList{"C:\\o\\Page.pdf", "C:\\o\\page.pdf", "C:\\O\\PAGE.pdf", "C:\\o\\other.pdf"}
        << QStringList{"C:\\o\\Page.pdf", "C:\\o\\page (2).pdf", "C:\\O\\PAGE (3).pdf", "C:\\o\\other.pdf"};
    QTest::newRow("windows: non-ASCII letter case ignored")
        << windows
        << QStringList{QString("C:\\o\\%1.pdf").arg(QString::fromUtf8("\xC3\x89t\xC3\xA9")),
                       QString("C:\\o\\%1.pdf").arg(QString::fromUtf8("\xC3\xA9T\xC3\x89"))}
        << QStringList{QString("C:\\o\\%1.pdf").arg(QString::fromUtf8("\xC3\x89t\xC3\xA9")),
                       QString("C:\\o\\%1 (2).pdf").arg(QString::fromUtf8("\xC3\xA9T\xC3\x89"))};
    QTest::newRow("numbered name skips a name already taken")
        << posix << QStringList{"/o/a.pdf", "/o/a (2).pdf", "/o/a.pdf", "/o/a (2).pdf"}
        << QStringList{"/o/a.pdf", "/o/a (2).pdf", "/o/a (3).pdf", "/o/a (2) (2).pdf"};

    QTest::newRow("control characters never reach a name, the folder is left alone")
        << posix
        << QStringList{"/o\tdir/a\tb\x01"
                       "c\x7f.pdf",
                       "/o\tdir/a-b-c-.pdf"}
        << QStringList{"/o\tdir/a-b-c-.pdf", "/o\tdir/a-b-c- (2).pdf"};
    QTest::newRow("windows: reserved characters replaced")
        << windows << QStringList{"C:\\o\\a:b*c?d\"e<f>g|h\nI.pdf"}
        << QStringList{"C:\\o\\a-b-c-d-e-f-g-h-I.pdf"};
    QTest::newRow("posix: reserved Windows characters are ordinary")
        << posix << QStringList{"/o/a:b*c?.pdf"} << QStringList{"/o/a:b*c?.pdf"};
    QTest::newRow("posix: a lone surrogate counts as the three bytes stored for it")
        << posix << QStringList{"/o/" + Repeat(QString(QChar(0xD800)), 100) + ".pdf"}
        << QStringList{"/o/" + Repeat(QString(QChar(0xD800)), 83) + ".pdf"};
    QTest::newRow("posix: long ASCII name cut to 255 bytes")
        << posix << QStringList{"/o/" + Repeat("a", 300) + ".pdf"}
        << QStringList{"/o/" + Repeat("a", 251) + ".pdf"};
    QTest::newRow("windows: long ASCII name cut to 255 units")
        << windows << QStringList{"C:\\o\\" + Repeat("a", 300) + ".pdf"}
        << QStringList{"C:\\o\\" + Repeat("a", 251) + ".pdf"};
    QTest::newRow("posix: two-byte characters never split")
        << posix << QStringList{"/o/" + Repeat(kEAcute, 200) + ".pdf"}
        << QStringList{"/o/" + Repeat(kEAcute, 125) + ".pdf"};
    QTest::newRow("posix: three-byte characters never split")
        << posix << QStringList{"/o/" + Repeat(kHan, 100) + ".pdf"}
        << QStringList{"/o/" + Repeat(kHan, 83) + ".pdf"};
    QTest::newRow("posix: four-byte characters never split")
        << posix << QStringList{"/o/" + Repeat(kSmile, 100) + ".pdf"}
        << QStringList{"/o/" + Repeat(kSmile, 62) + ".pdf"};
    QTest::newRow("windows: surrogate pair never split")
        << windows << QStringList{"C:\\o\\" + Repeat(kSmile, 150) + ".pdf"}
        << QStringList{"C:\\o\\" + Repeat(kSmile, 125) + ".pdf"};
    QTest::newRow("windows: surrogate pairs fit exactly")
        << windows << QStringList{"C:\\o\\a" + Repeat(kSmile, 150) + ".pdf"}
        << QStringList{"C:\\o\\a" + Repeat(kSmile, 125) + ".pdf"};
    QTest::newRow("windows: a 255-unit name is left alone")
        << windows << QStringList{"C:\\o\\" + Repeat("b", 251) + ".pdf"}
        << QStringList{"C:\\o\\" + Repeat("b", 251) + ".pdf"};

    QTest::newRow("posix: names equal once cut stay distinct")
        << posix << QStringList{"/o/" + Repeat("a", 260) + "X.pdf", "/o/" + Repeat("a", 260) + "Y.pdf"}
        << QStringList{"/o/" + Repeat("a", 251) + ".pdf", "/o/" + Repeat("a", 247) + " (2).pdf"};
    QTest::newRow("windows: names equal once cut stay distinct, case ignored")
        << windows
        << QStringList{"C:\\o\\" + Repeat("a", 260) + ".pdf", "C:\\o\\" + Repeat("A", 255) + ".pdf"}
        << QStringList{"C:\\o\\" + Repeat("a", 251) + ".pdf", "C:\\o\\" + Repeat("A", 247) + " (2).pdf"};
    QTest::newRow("posix: multibyte name cut for its number")
        << posix << QStringList{"/o/" + Repeat(kHan, 100) + ".pdf", "/o/" + Repeat(kHan, 100) + ".pdf"}
        << QStringList{"/o/" + Repeat(kHan, 83) + ".pdf", "/o/" + Repeat(kHan, 82) + " (2).pdf"};
}

void TestOutputNames::uniqueOutputPaths() {
    QFETCH(PathStyle, style);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, expected);

    const QStringList unique = UniqueOutputPaths(paths, style);
    QCOMPARE(unique, expected);
    for (const QString& path : unique)
        QVERIFY2(NameLength(path, style) <= kMaxFileNameLength, qPrintable(path));
}

// A title becomes a name through the same rules as an address: the namer makes it safe and distinct.
void TestOutputNames::titlePaths_data() {
    QTest::addColumn<PathStyle>("style");
    QTest::addColumn<QStringList>("titles"); // one row each, in the order they end
    QTest::addColumn<QStringList>("expected");

    const PathStyle posix = PathStyle::Posix;
    const PathStyle windows = PathStyle::Windows;
    QTest::newRow("same title numbered, no title gives none")
        << posix << QStringList{"Chapter", "Chapter", "", "  \t "}
        << QStringList{"/o/Chapter.pdf", "/o/Chapter (2).pdf", "", ""};
    QTest::newRow("white space made single spaces")
        << posix << QStringList{"  Hello,\n\tWorld!  "} << QStringList{"/o/Hello, World!.pdf"};
    QTest::newRow("posix: a slash would be a folder")
        << posix << QStringList{"Input/Output: a \\ b"} << QStringList{"/o/Input-Output: a \\ b.pdf"};
    QTest::newRow("windows: separators and reserved characters replaced")
        << windows << QStringList{"A/B\\C: \"D\"?"} << QStringList{"C:\\o\\A-B-C- -D--.pdf"};
    QTest::newRow("windows: titles differing in case are one name")
        << windows << QStringList{"Intro", "INTRO"}
        << QStringList{"C:\\o\\Intro.pdf", "C:\\o\\INTRO (2).pdf"};
    QTest::newRow("no hidden files: leading dots go; dots only give none")
        << posix << QStringList{".profile", "..", "... ."} << QStringList{"/o/profile.pdf", "", ""};
    QTest::newRow("control characters never reach a name")
        << posix << QStringList{QStringLiteral("a\u0001b\u007f")} << QStringList{"/o/a-b-.pdf"};
    QTest::newRow("posix: long title cut to 255 bytes, copies too")
        << posix << QStringList{Repeat(kHan, 100), Repeat(kHan, 100)}
        << QStringList{"/o/" + Repeat(kHan, 83) + ".pdf", "/o/" + Repeat(kHan, 82) + " (2).pdf"};
}

void TestOutputNames::titlePaths() {
    QFETCH(PathStyle, style);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, expected);

    const QString folder = style == PathStyle::Windows ? QStringLiteral("C:\\o") : QStringLiteral("/o");
    OutputNamer namer(style);
    QStringList named;
    for (const QString& title : titles) {
        const QString path = TitlePathFor(title, folder, style);
        named << (path.isEmpty() ? QString() : namer.Claim(path));
    }
    QCOMPARE(named, expected);
}

QTEST_GUILESS_MAIN(TestOutputNames)
#include "test_output_names.moc"
