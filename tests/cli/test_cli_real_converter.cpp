// The command line with the real wkhtmltopdf on a few pages of the shared book corpus, found beside the
// source tree.
#include "CliProgram.h"
#include "queue/TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

class TestCliRealConverter final : public QObject {
    Q_OBJECT
private slots:
    void convertsCorpusPages();
};

void TestCliRealConverter::convertsCorpusPages() {
    const QDir corpus(QStringLiteral(VELMORA_CORPUS_DIR));
    const QStringList names{"ch01-01-installation.html", "ch01-02-hello-world.html",
                            "ch01-03-hello-cargo.html"};
    for (const QString& name : names) {
        if (!QFileInfo(corpus.filePath(name)).isFile())
            QSKIP(qPrintable(QStringLiteral("The book corpus is not at %1.").arg(corpus.path())));
    }
    const QString converter = QStandardPaths::findExecutable(QStringLiteral("wkhtmltopdf"));
    if (converter.isEmpty())
        QSKIP("wkhtmltopdf is not on PATH.");

    CliProgram program;
    QVERIFY(program.Install(false)); // no bin/wkhtmltopdf: the one on PATH, as installed
    program.SetPath(QFileInfo(converter).path());
    QTemporaryDir out;
    QStringList arguments{"--output", out.path(), "--jobs", "2"};
    for (const QString& name : names)
        arguments.append(QDir::toNativeSeparators(corpus.absoluteFilePath(name)));

    const CliOutcome outcome = program.Run(arguments);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.lines.size(), names.size());
    QStringList sources;
    for (const QString& line : outcome.lines) {
        const QStringList fields = Fields(line);
        QVERIFY2(fields.value(0) == QLatin1String("converted") || fields.value(0) == QLatin1String("warning"),
                 qPrintable(line));
        QCOMPARE(fields.value(2), OutputPathFor(fields.value(1), out.path()));
        QVERIFY2(IsPdf(fields[2]), qPrintable(fields[2]));
        sources.append(fields[1]);
    }
    sources.sort();
    QCOMPARE(sources, QStringList(arguments.mid(4)));
}

QTEST_GUILESS_MAIN(TestCliRealConverter)
#include "test_cli_real_converter.moc"
