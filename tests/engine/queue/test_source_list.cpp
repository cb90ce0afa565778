#include "queue/SourceList.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

namespace {

const QString kNeither = QStringLiteral("Neither a web address (http:// or https://) nor a file.");
const QString kNotConvertible = QStringLiteral("Not a web address this program can convert.");

} // namespace

class TestSourceList : public QObject {
    Q_OBJECT
private slots:
    void addSources_data();
    void addSources();
    void readsWhatAListHolds();
};

void TestSourceList::addSources_data() {
    QTest::addColumn<QStringList>("sources"); // "FILE:" names a file made in a scratch folder
    QTest::addColumn<QStringList>("rows");    // the same notation
    QTest::addColumn<QStringList>("refused"); // "source|reason"

    QTest::newRow("address and file keep their order")
        << QStringList{"https://a.test/", "FILE:b.html", "http://c.test/"}
        << QStringList{"https://a.test/", "FILE:b.html", "http://c.test/"} << QStringList{};
    QTest::newRow("no web prefix and no file")
        << QStringList{"www.example.org/page", "example.org", "FILE:b.html"} << QStringList{"FILE:b.html"}
        << QStringList{"www.example.org/page|" + kNeither, "example.org|" + kNeither};
    QTest::newRow("a folder is no file")
        << QStringList{"FILE:"} << QStringList{} << QStringList{"FILE:|" + kNeither};
    // Relative names are taken in the scratch folder; "No such file:" names the absolute path.
    QTest::newRow("a document's name that is not there")
        << QStringList{"gone.html", "FILE:b.html", "Notes.TXT"} << QStringList{"FILE:b.html"}
        << QStringList{"gone.html|No such file: gone.html", "Notes.TXT|No such file: Notes.TXT"};
    QTest::newRow("a path that is not there")
        << QStringList{"sub/README", "FILE:sub/gone", "nosub/README"} << QStringList{}
        << QStringList{"sub/README|No such file: sub/README", "FILE:sub/gone|No such file: FILE:sub/gone",
                       "nosub/README|" + kNeither};
    QTest::newRow("a web prefix without an address")
        << QStringList{"http://"} << QStringList{} << QStringList{"http://|" + kNotConvertible};
}

void TestSourceList::addSources() {
    QFETCH(QStringList, sources);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, refused);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QFile file(scratch.filePath(QStringLiteral("b.html")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir(scratch.path()).mkdir(QStringLiteral("sub")));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch.path()));
    const auto restore = qScopeGuard([&before] { QDir::setCurrent(before); });
    const auto expand = [&](QStringList texts) {
        for (QString& text : texts)
            if (text.startsWith(QLatin1String("FILE:")))
                text = QDir::toNativeSeparators(scratch.filePath(text.mid(5)));
        return texts;
    };
    const auto expandReason = [&](const QString& reason) {
        const QString noSuchFile = QStringLiteral("No such file: ");
        if (!reason.startsWith(noSuchFile))
            return reason;
        const QString name = reason.mid(noSuchFile.size());
        return noSuchFile + (name.startsWith(QLatin1String("FILE:"))
                                 ? expand({name}).first()
                                 : QDir::toNativeSeparators(QDir::current().absoluteFilePath(name)));
    };

    ConversionQueue queue;
    QStringList refusedTexts;
    for (const RefusedSource& source : AddSources(queue, expand(sources)))
        refusedTexts << source.source + u'|' + source.reason;
    QStringList queued;
    for (int row = 0; row < queue.RowCount(); ++row)
        queued << queue.SourceText(row);
    QCOMPARE(queued, expand(rows));
    QStringList expectedRefused = refused;
    for (QString& text : expectedRefused)
        text = expand({text.section(u'|', 0, 0)}).first() + u'|' + expandReason(text.section(u'|', 1));
    QCOMPARE(refusedTexts, expectedRefused);
}

// The format Save queue writes and --list reads: one source a line, blank lines and line ends dropped.
void TestSourceList::readsWhatAListHolds() {
    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("queue.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("https://a.test/\r\n\r\n/docs/b.html\n  \nhttps://c.test/x y\n");
    file.close();
    QString error;
    const std::optional<QStringList> sources = ReadSourceList(path, error);
    QVERIFY(sources);
    QCOMPARE(*sources, (QStringList{"https://a.test/", "/docs/b.html", "https://c.test/x y"}));

    QVERIFY(!ReadSourceList(scratch.filePath(QStringLiteral("missing.txt")), error));
    QVERIFY2(error.startsWith(QLatin1String("Cannot read the list \"")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSourceList)
#include "test_source_list.moc"
