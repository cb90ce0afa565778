// A parallel batch in the main window with the real converter: local pages with their style sheet,
// three converters at once, each PDF on its own row with its own page's text.
#include "MainFormFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kRealRunTimeoutMs = 5 * 60 * 1000;
constexpr int kPages = 6;

QString PdfText(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace

class TestRealParallelRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void threeConvertersAtOnce();
};

// Without the fake converter in the program's folder, the window finds the installed one on PATH.
void TestRealParallelRun::initTestCase() {
    qunsetenv("VELMORA_FAKE_CONVERTER");
    if (QStandardPaths::findExecutable(QStringLiteral("wkhtmltopdf")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("wkhtmltopdf or pdftotext is not installed");
}

void TestRealParallelRun::threeConvertersAtOnce() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce3"));
    f.TypeTargetFolder(f.OutputFolder());
    f.ChooseCompletionAction(kDoNothing);

    QStringList names;
    for (int page = 0; page < kPages; ++page)
        names << QStringLiteral("chapter %1.html").arg(page);
    const QStringList files = f.MakeFiles(names);
    const QString folder = QFileInfo(files[0]).absolutePath();
    QFile style(folder + QStringLiteral("/style.css"));
    QVERIFY(style.open(QIODevice::WriteOnly));
    style.write("body { font-family: sans-serif; color: #123456 }\n");
    style.close();
    for (int page = 0; page < kPages; ++page) {
        QFile file(files[page]);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"style.css\"></head><body>"
                                  "<h1>Chapter marker %1</h1><p>Text of chapter %1.</p></body></html>\n")
                       .arg(page)
                       .toUtf8());
    }
    QVERIFY(f.AddFiles(files));

    int mostAtOnce = 0;
    connect(&f.Window().Command().Runner(), &BatchRunner::rowStarted, this, [&] {
        int converting = 0;
        for (int row = 0; row < kPages; ++row)
            converting += f.State(row) == RowState::Converting ? 1 : 0;
        mostAtOnce = qMax(mostAtOnce, converting); // the row starting now is marked already
    });
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRealRunTimeoutMs);
    QCOMPARE(mostAtOnce, 3);

    for (int row = 0; row < kPages; ++row) {
        QCOMPARE(f.State(row), RowState::Converted);
        const QString pdf = f.Queue().OutputPath(row);
        QFile file(pdf);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(pdf));
        QVERIFY(file.read(5) == "%PDF-");
        QVERIFY2(PdfText(pdf).contains(QStringLiteral("Chapter marker %1").arg(row)), qPrintable(pdf));
    }
}

QTEST_MAIN(TestRealParallelRun)
#include "test_real_parallel_run.moc"
