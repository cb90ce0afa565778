#include "SourceList.h"

#include <QDir>
#include <QFile>
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
    const auto expand = [&](QStringList texts) {
        for (QString& text : texts)
            if (text.startsWith(QLatin1String("FILE:")))
                text = QDir::toNativeSeparators(scratch.filePath(text.mid(5)));
        return texts;
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
        text = expand({text.section(u'|', 0, 0)}).first() + u'|' + text.section(u'|', 1);
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
