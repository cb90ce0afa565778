// The program's command-line mode, run as a child process over the fake converter: usage errors, exit
// statuses and output lines, lists, settings, Ctrl+C and the progress line.
#include "CliProgram.h"
#include "PdfTools.h"
#include "SettingsStore.h"
#include "queue/OutputNames.h"
#include "queue/TextRules.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStringEncoder>
#include <QTest>

#include <csignal>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr int kExitAllConverted = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsageError = 2;
constexpr int kExitInterrupted = 130;
constexpr int kStartWaitMs = 20 * 1000;

// Page names in the tables: a plain name is a page written for the test, "missing:" a file that does
// not exist, and anything with a web prefix is passed as it is.
const QString kMissingPrefix = QStringLiteral("missing:");

} // namespace

class TestCliProgram final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void usageErrors_data();
    void usageErrors();
    void exitStatuses_data();
    void exitStatuses();
    void helpAndVersion_data();
    void helpAndVersion();
    void sameNamesAreNumbered();
    void timeoutEndsAConversion();
    void combinedAndNamedByTitle();
    void combinedPartRemovedOrReplaced_data();
    void combinedPartRemovedOrReplaced();
    void listedSources_data();
    void listedSources();
    void followedPages_data();
    void followedPages();
    void engineChoice_data();
    void engineChoice();
    void storedClassicWithoutConverter();
    void pageOptionsReachTheConverter_data();
    void pageOptionsReachTheConverter();
    void storedPageTheClassicEngineCannotPrint_data();
    void storedPageTheClassicEngineCannotPrint();
    void footerStampedOnTheConvertersPdf();
    void settingsAreReadNeverWritten_data();
    void settingsAreReadNeverWritten();
    void localRootChoice_data();
    void localRootChoice();
    void interruptStopsInOrder_data();
    void interruptStopsInOrder();
    void progressOnlyOnATerminal();
    void controlCharactersAreEscaped();
    void windowWithoutADisplay_data();
    void windowWithoutADisplay();

private:
    QString Page(const QString& name);
    QString Source(const QString& token);
    QStringList Expand(const QStringList& arguments);

    std::unique_ptr<CliProgram> m_program;
    std::unique_ptr<QTemporaryDir> m_work; // pages/ and out/
    QString m_pages;
    QString m_out;
};

void TestCliProgram::init() {
    m_program = std::make_unique<CliProgram>();
    m_work = std::make_unique<QTemporaryDir>();
    m_pages = m_work->filePath(QStringLiteral("pages"));
    m_out = QDir::toNativeSeparators(m_work->filePath(QStringLiteral("out")));
    QVERIFY(QDir().mkpath(m_pages));
}

void TestCliProgram::cleanup() {
    m_program.reset();
    m_work.reset();
}

QString TestCliProgram::Page(const QString& name) {
    const QString path = QDir::toNativeSeparators(QDir(m_pages).filePath(name));
    if (!QFileInfo::exists(path))
        [&] { QVERIFY(WriteFile(path, "<html><body><p>" + name.toUtf8() + "</p></body></html>")); }();
    return path;
}

QString TestCliProgram::Source(const QString& token) {
    if (HasWebPrefix(token))
        return token;
    if (token.startsWith(kMissingPrefix))
        return QDir::toNativeSeparators(QDir(m_pages).filePath(token.mid(kMissingPrefix.size())));
    return Page(token);
}

// "@out": the output folder; "@page": a page; "@file": an existing plain file; "@": a source token.
QStringList TestCliProgram::Expand(const QStringList& arguments) {
    QStringList expanded;
    for (QString argument : arguments) {
        argument.replace(QStringLiteral("@out"), m_out);
        argument.replace(QStringLiteral("@page"), Page(QStringLiteral("page.html")));
        argument.replace(QStringLiteral("@file"), Page(QStringLiteral("plain.txt")));
        expanded.append(argument.startsWith(QLatin1Char('@')) ? Source(argument.mid(1)) : argument);
    }
    return expanded;
}

void TestCliProgram::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("converter");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("unknown option") << QStringList{"--bogus", "@page"} << QByteArray() << true
                                    << "Unknown option '--bogus'.";
    QTest::newRow("unknown option after a source")
        << QStringList{"@page", "--frobnicate"} << QByteArray() << true << "Unknown option '--frobnicate'.";
    QTest::newRow("list that is not text")
        << QStringList{"--list", "-", "--output", "@out"} << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", 15)
        << true << "is not a text file";
    QTest::newRow("control characters in the error")
        << QStringList{"--list", "@out/no\x1b[2Jne.txt", "--output", "@out"} << QByteArray() << true
        << "no\\x1b[2Jne.txt";
    QTest::newRow("missing value") << QStringList{"@page", "--output"} << QByteArray() << true << "--output";
    QTest::newRow("no sources") << QStringList{"--output", "@out"} << QByteArray() << true << "No sources";
    QTest::newRow("empty standard input list")
        << QStringList{"--list", "-", "--output", "@out"} << QByteArray("\n  \n") << true << "No sources";
    QTest::newRow("unreadable list") << QStringList{"--list", "@out/none.txt", "--output", "@out"}
                                     << QByteArray() << true << "Cannot read the list";
    QTest::newRow("bad jobs") << QStringList{"--jobs", "0", "--output", "@out", "@page"} << QByteArray()
                              << true << "--jobs";
    QTest::newRow("bad timeout") << QStringList{"--timeout", "soon", "--output", "@out", "@page"}
                                 << QByteArray() << true << "--timeout";
    QTest::newRow("empty output folder")
        << QStringList{"--output", "", "@page"} << QByteArray() << true << kNoTargetFolderMessage;
    QTest::newRow("output folder under a file")
        << QStringList{"--output", "@file/sub", "@page"} << QByteArray() << true << "could not be created";
    QTest::newRow("no converter") << QStringList{"--output", "@out", "@page"} << QByteArray() << false
                                  << "converter could not be found";
    QTest::newRow("modern engine without Chromium")
        << QStringList{"--engine", "modern", "--output", "@out", "@page"} << QByteArray() << true
        << "--engine modern cannot run: Chromium was not found. Looked for it in: ";
    QTest::newRow("unknown engine") << QStringList{"--engine", "fast", "--output", "@out", "@page"}
                                    << QByteArray() << true << "--engine takes";
    QTest::newRow("too deep") << QStringList{"--follow", "11", "--output", "@out", "@page"} << QByteArray()
                              << true << "--follow takes a depth from 0 to 10";
    QTest::newRow("--within without --follow")
        << QStringList{"--within", "@out", "--output", "@out", "@page"} << QByteArray() << true
        << "--within limits the pages --follow finds, so it needs --follow.";
    QTest::newRow("--within neither address nor folder")
        << QStringList{"--follow", "1", "--within", "ftp://site/", "--output", "@out", "@page"}
        << QByteArray() << true << "--within takes a web address prefix or an existing folder";
    QTest::newRow("no pages") << QStringList{"--follow", "1", "--max-pages", "0", "--output", "@out", "@page"}
                              << QByteArray() << true << "--max-pages takes a whole number from 1";
    // Qt would take --style for a window style of its own.
    QTest::newRow("style sheet that does not exist")
        << QStringList{"--output", "@out", "--style", "@out/none.css", "@page"} << QByteArray() << true
        << "--style takes a readable style sheet file";
    QTest::newRow("style sheet that does not exist, with =")
        << QStringList{"--output", "@out", "--style=@out/none.css", "@page"} << QByteArray() << true
        << "--style takes a readable style sheet file";
}

void TestCliProgram::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(bool, converter);
    QFETCH(QString, errorPart);
    QVERIFY(m_program->Install(converter));

    const CliOutcome outcome = m_program->Run(Expand(arguments), input);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, kExitUsageError);
    QCOMPARE(outcome.lines, QStringList());
    QVERIFY2(outcome.errors.endsWith(QLatin1Char('\n')) && outcome.errors.count(QLatin1Char('\n')) == 1,
             qPrintable(outcome.errors));
    QVERIFY2(outcome.errors.contains(errorPart), qPrintable(outcome.errors));
    QVERIFY(m_program->Fake().Invocations().isEmpty());
    QCOMPARE(Entries(m_out), QStringList());
}

void TestCliProgram::exitStatuses_data() {
    QTest::addColumn<QStringList>("sources");  // tokens, see Source()
    QTest::addColumn<QStringList>("expected"); // "<word> <token>" in output order
    QTest::addColumn<int>("exitCode");

    QTest::newRow("all converted") << QStringList{"a.html", "https://site.test/b.html"}
                                   << QStringList{"converted a.html", "converted https://site.test/b.html"}
                                   << kExitAllConverted;
    QTest::newRow("a warning still counts as converted")
        << QStringList{"warn.html", "a.html"} << QStringList{"warning warn.html", "converted a.html"}
        << kExitAllConverted;
    QTest::newRow("one failed") << QStringList{"a.html", "fail.html", "b.txt"}
                                << QStringList{"converted a.html", "failed fail.html", "converted b.txt"}
                                << kExitSomeFailed;
    QTest::newRow("a crash fails its row")
        << QStringList{"crash.xhtml"} << QStringList{"failed crash.xhtml"} << kExitSomeFailed;
    QTest::newRow("an empty result fails its row")
        << QStringList{"empty.html"} << QStringList{"failed empty.html"} << kExitSomeFailed;
    QTest::newRow("a missing file is refused first")
        << QStringList{"a.html", "missing:gone.html"}
        << QStringList{"failed missing:gone.html", "converted a.html"} << kExitSomeFailed;
    QTest::newRow("no web address is refused")
        << QStringList{"http://"} << QStringList{"failed http://"} << kExitSomeFailed;
    QTest::newRow("duplicates are one row")
        << QStringList{"a.html", "a.html", "https://site.test/", "https://site.test/"}
        << QStringList{"converted a.html", "converted https://site.test/"} << kExitAllConverted;
}

void TestCliProgram::exitStatuses() {
    QFETCH(QStringList, sources);
    QFETCH(QStringList, expected);
    QFETCH(int, exitCode);
    QVERIFY(m_program->Install());

    QStringList arguments{"--output", m_out, "--jobs", "1"};
    for (const QString& token : sources)
        arguments.append(Source(token));
    const CliOutcome outcome = m_program->Run(arguments);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.errors, QString()); // standard error is no terminal here
    QCOMPARE(outcome.lines.size(), expected.size());

    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QString word = expected[i].section(QLatin1Char(' '), 0, 0);
        const QString source = Source(expected[i].section(QLatin1Char(' '), 1));
        const QStringList fields = Fields(outcome.lines[i]);
        QCOMPARE(fields.value(0), word);
        QCOMPARE(fields.value(1), source);
        const QString pdf = OutputPathFor(source, m_out);
        if (word == QLatin1String("failed")) {
            QCOMPARE(fields.size(), 3);
            QVERIFY2(!fields[2].isEmpty(), "a failed row gives its reason");
            if (expected[i].contains(kMissingPrefix))
                QCOMPARE(fields[2], "No such file: " + source);
            QVERIFY(!QFileInfo::exists(pdf));
        } else {
            QCOMPARE(fields.size(), word == QLatin1String("warning") ? 4 : 3);
            QCOMPARE(fields[2], pdf);
            QVERIFY(IsPdf(pdf));
            if (word == QLatin1String("warning"))
                QVERIFY(fields[3].contains(QLatin1String("missing.png")));
        }
    }
    QCOMPARE(outcome.exitCode, exitCode);
}

void TestCliProgram::helpAndVersion_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("--help") << "--help"
                            << "Usage: %1 [--output FOLDER]";
    QTest::newRow("-h") << "-h"
                        << "Usage: %1 [--output FOLDER]";
    QTest::newRow("--version") << "--version"
                               << "Velmora Free HTML to PDF Converter 2.0";
    QTest::newRow("-v") << "-v"
                        << "Velmora Free HTML to PDF Converter 2.0";
}

void TestCliProgram::helpAndVersion() {
    QFETCH(QString, option);
    QFETCH(QString, firstLine);
    QVERIFY(m_program->Install());
    const CliOutcome outcome = m_program->Run({option});
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.errors, QString());
    QVERIFY(!outcome.lines.isEmpty());
    QVERIFY2(outcome.lines[0].startsWith(firstLine.arg(QFileInfo(m_program->Program()).fileName())),
             qPrintable(outcome.lines[0]));
}

void TestCliProgram::sameNamesAreNumbered() {
    QVERIFY(m_program->Install());
    const QString first = Page(QStringLiteral("a.html"));
    const QString second = Page(QStringLiteral("sub/a.html"));
    const CliOutcome outcome = m_program->Run({"--output", m_out, "--jobs", "1", first, second});
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    const QStringList expected =
        UniqueOutputPaths({OutputPathFor(first, m_out), OutputPathFor(second, m_out)});
    QCOMPARE(outcome.lines, (QStringList{"converted\t" + first + "\t" + expected[0],
                                         "converted\t" + second + "\t" + expected[1]}));
    QVERIFY(expected[0] != expected[1]);
    QVERIFY(IsPdf(expected[0]) && IsPdf(expected[1]));
}

// Rows are named after their titles as they end; the combined file comes last, in its own line.
void TestCliProgram::combinedAndNamedByTitle() {
    QVERIFY(m_program->Install());
    const QString first = Page(QStringLiteral("first.html"));
    const QString second = Page(QStringLiteral("fail-second.html"));
    const QString third = QDir::toNativeSeparators(QDir(m_pages).filePath("third.html"));
    QVERIFY(WriteFile(third, "<html><head><title>Third: the End</title></head><body>3</body></html>"));
    const CliOutcome outcome = m_program->Run({"--output", m_out, "--jobs", "1", "--combine", "All of it",
                                               "--name-by", "title", first, second, third});
    QCOMPARE(outcome.exitCode, kExitSomeFailed);
    const QString byTitle = QDir::toNativeSeparators(QDir(m_out).filePath(
        kNativePathStyle == PathStyle::Windows ? "Third- the End.pdf" : "Third: the End.pdf"));
    const QString book = QDir::toNativeSeparators(QDir(m_out).filePath("All of it.pdf"));
    QCOMPARE(outcome.lines.size(), 4);
    QCOMPARE(outcome.lines.value(0), "converted\t" + first + "\t" + OutputPathFor(first, m_out));
    QCOMPARE(Fields(outcome.lines.value(1)).value(0), QStringLiteral("failed"));
    QCOMPARE(outcome.lines.value(2), "converted\t" + third + "\t" + byTitle);
    QCOMPARE(outcome.lines.value(3), "combined\t" + book);
    QVERIFY(IsPdf(book) && IsPdf(byTitle));
}

void TestCliProgram::combinedPartRemovedOrReplaced_data() {
    QTest::addColumn<bool>("pipe");
    QTest::newRow("removed") << false;
    QTest::newRow("a named pipe in its place") << true;
}

// The first row's PDF goes, or a named pipe takes its place, after the row converted and before the
// combine: the combine neither leaves it out in silence nor waits on the pipe for good.
void TestCliProgram::combinedPartRemovedOrReplaced() {
#ifndef Q_OS_UNIX
    QSKIP("Makes a named pipe.");
#else
    QFETCH(bool, pipe);
    QVERIFY(m_program->Install());
    const QString first = Page(QStringLiteral("a.html"));
    const QString second = Page(QStringLiteral("gate-b.html"));
    const std::unique_ptr<QProcess> child =
        m_program->Start({"--output", m_out, "--jobs", "1", "--combine", "Book", first, second});
    // One at a time: the second row starts once the first one's PDF is in place, and ends when told to.
    QTRY_COMPARE_WITH_TIMEOUT(m_program->Fake().Invocations().size(), 2, kStartWaitMs);
    const QString part = OutputPathFor(first, m_out);
    QVERIFY(QFile::remove(part));
    if (pipe)
        QCOMPARE(::mkfifo(QFile::encodeName(part).constData(), 0600), 0);
    QVERIFY(WriteFile(second + ".go", {}));
    QVERIFY(child->waitForFinished(kStartWaitMs));

    const CliOutcome outcome = CliProgram::Collect(*child);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, kExitSomeFailed);
    QVERIFY2(outcome.errors.contains(part), qPrintable(outcome.errors));
    QCOMPARE(outcome.lines.value(0), "converted\t" + first + "\t" + part);
    QCOMPARE(outcome.lines.value(1), "converted\t" + second + "\t" + OutputPathFor(second, m_out));
    const QString book = QDir::toNativeSeparators(QDir(m_out).filePath("Book.pdf"));
    if (pipe) {
        QCOMPARE(outcome.lines.size(), 2);
        QVERIFY2(outcome.errors.contains(QLatin1String("not a regular file")), qPrintable(outcome.errors));
        QVERIFY(!QFileInfo::exists(book));
    } else {
        QCOMPARE(outcome.lines.value(2), "combined\t" + book);
        QCOMPARE(PdfPageCount(book), 1);
    }
    QCOMPARE(TemporaryFilesIn(m_out), QStringList());
#endif
}

void TestCliProgram::timeoutEndsAConversion() {
    QVERIFY(m_program->Install());
    const QString hanging = Page(QStringLiteral("hang.html"));
    const CliOutcome outcome = m_program->Run({"--output", m_out, "--timeout", "1", hanging});
    QCOMPARE(outcome.exitCode, kExitSomeFailed);
    QCOMPARE(outcome.lines.size(), 1);
    const QStringList fields = Fields(outcome.lines[0]);
    QCOMPARE(fields.value(0), QStringLiteral("failed"));
    QVERIFY2(fields.value(2).contains(QLatin1String("1 second")), qPrintable(outcome.lines[0]));
    QCOMPARE(Entries(m_out), QStringList());
}

void TestCliProgram::listedSources_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("listFile");   // written as list.txt in the pages folder
    QTest::addColumn<QStringList>("converted"); // tokens in queue order

    QTest::newRow("standard input with blank lines and CRLF")
        << QStringList{"--list", "-"} << QByteArray("a.html\r\n\r\n   \n  b.html  \nhttps://site.test/x\n")
        << QByteArray() << QStringList{"a.html", "b.html", "https://site.test/x"};
    QTest::newRow("arguments before the list")
        << QStringList{"--list", "@pages/list.txt", "@c.html"} << QByteArray() << QByteArray("a.html\nb.html")
        << QStringList{"c.html", "a.html", "b.html"};
    QTest::newRow("two lists, duplicates across them skipped")
        << QStringList{"--list", "@pages/list.txt", "--list", "-"} << QByteArray("b.html\na.html\n")
        << QByteArray("a.html\n") << QStringList{"a.html", "b.html"};
    // As Windows saves "Unicode" text: UTF-16 with a byte-order mark.
    for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        const QByteArray list = encoder.encode(QStringLiteral("a.html\r\nb.html\r\n"));
        QTest::addRow("UTF-16 list, %s",
                      encoding == QStringConverter::Utf16LE ? "little-endian" : "big-endian")
            << QStringList{"--list", "@pages/list.txt"} << QByteArray() << list
            << QStringList{"a.html", "b.html"};
    }
}

void TestCliProgram::listedSources() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, listFile);
    QFETCH(QStringList, converted);
    QVERIFY(m_program->Install());
    for (const QString& token : converted)
        Source(token);
    if (!listFile.isEmpty())
        QVERIFY(WriteFile(QDir(m_pages).filePath(QStringLiteral("list.txt")), listFile));

    QStringList expanded;
    for (QString argument : arguments) {
        argument.replace(QStringLiteral("@pages"), m_pages);
        expanded.append(argument.startsWith(QLatin1Char('@')) ? Source(argument.mid(1)) : argument);
    }
    // Relative names in a list are taken from the current directory, here the pages folder.
    m_program->SetWorkingDirectory(m_pages);
    const std::unique_ptr<QProcess> child =
        m_program->Start(expanded + QStringList{"--output", m_out, "--jobs", "1"}, input);
    QVERIFY(child->waitForFinished(kStartWaitMs));
    const CliOutcome outcome = CliProgram::Collect(*child);
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    QStringList sources;
    for (const QString& line : outcome.lines)
        sources.append(Fields(line).value(1));
    QStringList expected;
    for (const QString& token : converted)
        expected.append(Source(token));
    QCOMPARE(sources, expected);
}

// A small documentation set: guide/index.html lists basics before intro, the pages name intro, then
// basics as the reading order; a page beside guide/ and one in a dot-named folder are linked too.
void TestCliProgram::followedPages_data() {
    QTest::addColumn<QStringList>("arguments"); // "@guide": the guide's folder
    QTest::addColumn<QStringList>("printed");   // under the pages folder; "*" before a converted line
    QTest::newRow("dry run, depth 1")
        << QStringList{"--follow", "1", "--dry-run", "@guide/index.html"}
        << QStringList{"guide/index.html", "guide/intro.html", "guide/basics.html"};
    QTest::newRow("depth 0") << QStringList{"--follow", "0", "--dry-run", "@guide/index.html"}
                             << QStringList{"guide/index.html"};
    QTest::newRow("every listed source, duplicates once")
        << QStringList{"--follow", "1", "--dry-run", "--list", "@list"}
        << QStringList{"guide/index.html", "guide/intro.html", "side.html", "guide/basics.html"};
    // A local walk stays inside what the document may read: a wider folder needs --local-root too.
    QTest::newRow("within the pages folder")
        << QStringList{"--follow",     "1",      "--within",  "@pages",
                       "--local-root", "@pages", "--dry-run", "@guide/index.html"}
        << QStringList{"guide/index.html", "guide/intro.html", "guide/basics.html", "side.html"};
    QTest::newRow("at most one page, the first linked")
        << QStringList{"--follow", "1", "--max-pages", "1", "--dry-run", "@guide/index.html"}
        << QStringList{"guide/index.html", "guide/intro.html"};
    QTest::newRow("converted in reading order")
        << QStringList{"--follow", "2", "--jobs", "1", "--output", "@out", "@guide/index.html"}
        << QStringList{"*guide/index.html", "*guide/intro.html", "*guide/basics.html"};
}

void TestCliProgram::followedPages() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, printed);
    QVERIFY(m_program->Install());
    const QString guide = QDir(m_pages).filePath(QStringLiteral("guide"));
    QVERIFY(QDir().mkpath(guide + "/.private"));
    QVERIFY(WriteFile(guide + "/index.html",
                      "<link rel=next href=intro.html><a href=basics.html>B</a><a href=intro.html#x>I</a>"
                      "<a href=.private/notes.html>P</a><a href=../side.html>S</a><a href=cover.png>C</a>"));
    QVERIFY(WriteFile(guide + "/intro.html", "<link rel=next href=basics.html><a href=index.html>up</a>"));
    QVERIFY(WriteFile(guide + "/basics.html", "<p>basics</p>"));
    QVERIFY(WriteFile(guide + "/.private/notes.html", "<p>notes</p>"));
    QVERIFY(WriteFile(m_pages + "/side.html", "<a href=guide/basics.html>B</a>"));
    QVERIFY(WriteFile(m_pages + "/list.txt", "guide/index.html\nside.html\nguide/basics.html\n"));
    m_program->SetWorkingDirectory(m_pages);
    QStringList expanded;
    for (QString argument : arguments)
        expanded.append(argument.replace(QStringLiteral("@guide"), guide)
                            .replace(QStringLiteral("@pages"), m_pages)
                            .replace(QStringLiteral("@list"), m_pages + "/list.txt")
                            .replace(QStringLiteral("@out"), m_out));

    const CliOutcome outcome = m_program->Run(expanded);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    QStringList expected;
    for (const QString& page : printed) {
        const QString path = QDir::toNativeSeparators(QDir(m_pages).filePath(QString(page).remove(u'*')));
        expected.append(page.startsWith(u'*') ? QStringLiteral("converted\t") + path : path);
    }
    QStringList lines = outcome.lines;
    if (printed.first().startsWith(u'*'))
        for (QString& line : lines)
            line = line.section(u'\t', 0, 1);
    QCOMPARE(lines, expected);
    if (!printed.first().startsWith(u'*'))
        QVERIFY(m_program->Fake().Invocations().isEmpty());
    // What was not added is counted on standard error in one line.
    QVERIFY2(outcome.errors.isEmpty() == arguments.contains(QStringLiteral("0")), qPrintable(outcome.errors));
    if (!outcome.errors.isEmpty())
        QVERIFY2(outcome.errors.contains(QLatin1String("not a page")), qPrintable(outcome.errors));
}

void TestCliProgram::engineChoice_data() {
    QTest::addColumn<QString>("stored"); // the stored engine; empty: nothing stored
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("converter");     // the fake converter installed as bin/wkhtmltopdf
    QTest::addColumn<bool>("browser");       // the fake Chromium installed as bin/chromium
    QTest::addColumn<bool>("modern");        // whether Chromium rather than the converter made the PDF
    QTest::addColumn<QString>("noticePart"); // on standard error; empty: nothing there

    QTest::newRow("--engine modern") << QString() << QStringList{"--engine", "modern"} << true << true << true
                                     << QString();
    QTest::newRow("stored modern") << kModernEngineText << QStringList{} << true << true << true << QString();
    QTest::newRow("--engine classic over a stored modern")
        << kModernEngineText << QStringList{"--engine", "classic"} << true << true << false << QString();
    QTest::newRow("nothing stored: classic")
        << QString() << QStringList{} << true << true << false << QString();
    QTest::newRow("nothing stored, no converter: modern")
        << QString() << QStringList{} << false << true << true << QString();
    QTest::newRow("stored modern, no converter")
        << kModernEngineText << QStringList{} << false << true << true << QString();
    QTest::newRow("nothing stored, no browser: classic")
        << QString() << QStringList{} << true << false << false << QString();
    QTest::newRow("stored modern without Chromium falls back to classic")
        << kModernEngineText << QStringList{} << true << false << false
        << "the stored engine is Modern, but it cannot run (Chromium was not found. Looked for it in: ";
}

void TestCliProgram::engineChoice() {
#ifndef VELMORA_FAKE_BROWSER
    QSKIP("On Windows the stored engine is in the current user's registry, which no test may change");
#else
    QFETCH(QString, stored);
    QFETCH(QStringList, arguments);
    QFETCH(bool, converter);
    QFETCH(bool, browser);
    QFETCH(bool, modern);
    QFETCH(QString, noticePart);
    QVERIFY(m_program->Install(converter));
    if (browser) {
        const QString bin = QDir(m_program->Fake().ProgramFolder()).filePath(QStringLiteral("bin"));
        const QString chromium = QDir(bin).filePath(QStringLiteral("chromium"));
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::copy(QStringLiteral(VELMORA_FAKE_BROWSER), chromium));
        QVERIFY(QFile::setPermissions(chromium, QFile::permissions(QStringLiteral(VELMORA_FAKE_BROWSER))));
    }
    if (!stored.isEmpty())
        SettingsStore::AtIniFile(m_program->SettingsFile())
            .SetPreferenceText(Preference::RenderingEngine, stored);
    const QByteArray before = ReadFile(m_program->SettingsFile());

    const QString page = Page(QStringLiteral("a.html"));
    const CliOutcome outcome = m_program->Run(arguments + QStringList{"--output", m_out, page});
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    const QString pdf = OutputPathFor(page, m_out);
    QCOMPARE(outcome.lines, QStringList{"converted\t" + page + "\t" + pdf});
    QVERIFY(IsPdf(pdf));
    QCOMPARE(m_program->Fake().Invocations().isEmpty(), modern);
    QCOMPARE(QFileInfo::exists(QDir(m_program->Fake().ProgramFolder()).filePath("bin/wkhtmltopdf")),
             converter);
    if (noticePart.isEmpty()) {
        QCOMPARE(outcome.errors, QString());
    } else {
        QVERIFY2(outcome.errors.contains(noticePart) && outcome.errors.count(QLatin1Char('\n')) == 1,
                 qPrintable(outcome.errors));
    }
    QCOMPARE(ReadFile(m_program->SettingsFile()), before);
#endif
}

// A stored Classic is the user's choice: without its converter the run is a usage error even where
// Chromium is there (the window offers to switch; the command line takes --engine modern).
void TestCliProgram::storedClassicWithoutConverter() {
#ifndef VELMORA_FAKE_BROWSER
    QSKIP("On Windows the stored engine is in the current user's registry, which no test may change");
#else
    QVERIFY(m_program->Install(false));
    const QString bin = QDir(m_program->Fake().ProgramFolder()).filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    QVERIFY(
        QFile::copy(QStringLiteral(VELMORA_FAKE_BROWSER), QDir(bin).filePath(QStringLiteral("chromium"))));
    SettingsStore::AtIniFile(m_program->SettingsFile()).SetEngine(RenderingEngine::Classic);

    const CliOutcome classic = m_program->Run({"--output", m_out, Page(QStringLiteral("a.html"))});
    QVERIFY(classic.exitedNormally);
    QCOMPARE(classic.exitCode, kExitUsageError);
    QVERIFY2(classic.errors.contains("converter could not be found"), qPrintable(classic.errors));
    QCOMPARE(Entries(m_out), QStringList());

    const CliOutcome modern =
        m_program->Run({"--engine", "modern", "--output", m_out, Page(QStringLiteral("a.html"))});
    QCOMPARE(modern.exitCode, kExitAllConverted);
    QCOMPARE(modern.lines.size(), 1);
#endif
}

void TestCliProgram::pageOptionsReachTheConverter_data() {
    QTest::addColumn<QString>("storedPaper"); // empty: nothing stored
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("converterPart"); // in the converter's arguments, in order
    QTest::addColumn<QString>("errorPart");         // on standard error; empty: nothing there

    QTest::newRow("nothing: no page options") << QString() << QStringList{} << int(kExitAllConverted)
                                              << QStringList{"--disable-local-file-access"} << QString();
    QTest::newRow("the stored paper")
        << "A3" << QStringList{} << int(kExitAllConverted) << QStringList{"--page-size", "A3"} << QString();
    QTest::newRow("options over the stored paper")
        << "A3"
        << QStringList{"--paper", "Legal", "--orientation", "landscape", "--margins", "5mm", "--scale", "50"}
        << int(kExitAllConverted)
        << QStringList{"--page-size", "Legal", "--orientation", "Landscape", "-T",     "5.00mm", "-R",
                       "5.00mm",      "-B",    "5.00mm",        "-L",        "5.00mm", "--zoom", "0.5"}
        << QString();
    QTest::newRow("a bad value is a usage error")
        << QString() << QStringList{"--margins", "5"} << int(kExitUsageError) << QStringList{}
        << "--margins takes one length for all four sides or four";
    QTest::newRow("screen style needs the Modern engine")
        << QString() << QStringList{"--media", "screen"} << int(kExitUsageError) << QStringList{}
        << "The Classic engine prints pages with their print style only";
    QTest::newRow("margins that leave no room")
        << "A5" << QStringList{"--margins", "80mm"} << int(kExitUsageError) << QStringList{}
        << "The margins leave no room for the page's content";
}

// The page options and the stored page setup reach the converter as its own options; the settings are
// never written.
void TestCliProgram::pageOptionsReachTheConverter() {
#ifdef Q_OS_WIN
    QSKIP("The stored settings are the current user's registry key on Windows, which no test may change");
#endif
    QFETCH(QString, storedPaper);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QStringList, converterPart);
    QFETCH(QString, errorPart);
    QVERIFY(m_program->Install());
    if (!storedPaper.isEmpty()) {
        PageSetup stored;
        QVERIFY(page_text::ParsePaper(storedPaper, stored));
        SettingsStore::AtIniFile(m_program->SettingsFile()).SetPage(stored);
    }
    const QByteArray before = ReadFile(m_program->SettingsFile());

    const CliOutcome outcome = m_program->Run(arguments + QStringList{"--output", m_out, Page("a.html")});
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(ReadFile(m_program->SettingsFile()), before);
    if (errorPart.isEmpty())
        QCOMPARE(outcome.errors, QString());
    else
        QVERIFY2(outcome.errors.contains(errorPart), qPrintable(outcome.errors));
    const QList<Invocation> invocations = m_program->Fake().Invocations();
    if (exitCode == kExitUsageError) {
        QVERIFY(invocations.isEmpty());
        return;
    }
    QCOMPARE(invocations.size(), 1);
    const QStringList given = invocations[0].arguments;
    const qsizetype at = given.indexOf(converterPart.first());
    QVERIFY2(at >= 0 && given.mid(at, converterPart.size()) == converterPart, qPrintable(given.join(u' ')));
    // Nothing set, nothing passed: the converter runs with its own page as before.
    static const QRegularExpression kPageOption(
        QStringLiteral("^(--page-|--orientation|--zoom|--no-background|-[TRBL]$)"));
    if (storedPaper.isEmpty() && arguments.isEmpty())
        QCOMPARE(given.filter(kPageOption), QStringList{});
}

void TestCliProgram::storedPageTheClassicEngineCannotPrint_data() {
    QTest::addColumn<bool>("screenStyle"); // else the page's own paper size
    QTest::addColumn<QString>("named");       // the way out, as the message names it
    QTest::addColumn<QStringList>("wayOut");
    QTest::newRow("as on screen") << true << "--media print" << QStringList{"--media", "print"};
    QTest::newRow("the page's own paper size") << false << "--paper SIZE" << QStringList{"--paper", "A4"};
}

// A stored setting the Classic engine cannot print is named as the window's, with the options that get
// past it; the one named converts.
void TestCliProgram::storedPageTheClassicEngineCannotPrint() {
#ifdef Q_OS_WIN
    QSKIP("The stored settings are the current user's registry key on Windows, which no test may change");
#endif
    QFETCH(bool, screenStyle);
    QFETCH(QString, named);
    QFETCH(QStringList, wayOut);
    QVERIFY(m_program->Install());
    PageSetup stored;
    if (screenStyle)
        stored.media = MediaStyle::Screen;
    else
        stored.cssPageSize = true;
    SettingsStore::AtIniFile(m_program->SettingsFile()).SetPage(stored);

    const CliOutcome refused = m_program->Run({"--output", m_out, Page("a.html")});
    QCOMPARE(refused.exitCode, int(kExitUsageError));
    for (const QString& part :
         {QStringLiteral("stored by the window"), named, QStringLiteral("--engine modern")})
        QVERIFY2(refused.errors.contains(part), qPrintable(refused.errors));
    QVERIFY(m_program->Fake().Invocations().isEmpty());

    const CliOutcome converted = m_program->Run(wayOut + QStringList{"--output", m_out, Page("a.html")});
    QCOMPARE(converted.exitCode, int(kExitAllConverted));
}

// The footer is laid over whatever PDF the engine made, here the fake converter's.
void TestCliProgram::footerStampedOnTheConvertersPdf() {
    QVERIFY(m_program->Install());
    const QString page = Page("a.html");
    const CliOutcome outcome =
        m_program->Run({"--footer", "{url}||Page {page} of {pages}", "--output", m_out, page});
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    const QString text = PdfText(OutputPathFor(page, m_out));
    QVERIFY2(text.contains(QStringLiteral("Page 1 of 1")) && text.contains(QStringLiteral("a.html")),
             qPrintable(text));
    QCOMPARE(Entries(m_out), QStringList{QFileInfo(OutputPathFor(page, m_out)).fileName()});
}

void TestCliProgram::settingsAreReadNeverWritten_data() {
    QTest::addColumn<bool>("stored");
    QTest::newRow("stored target folder") << true;
    QTest::newRow("nothing stored: the default folder") << false;
}

void TestCliProgram::settingsAreReadNeverWritten() {
#ifdef Q_OS_WIN
    QSKIP("The stored settings are the current user's registry key on Windows, which no test may change");
#endif
    QFETCH(bool, stored);
    QVERIFY(m_program->Install());
    const QString storedFolder = m_work->filePath(QStringLiteral("stored folder"));
    if (stored) {
        QSettings settings(m_program->SettingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("TargetFolder"), QDir::toNativeSeparators(storedFolder));
        settings.setValue(QStringLiteral("completeaction"), QStringLiteral("Show message"));
    }
    const QByteArray before = ReadFile(m_program->SettingsFile());
    const QString folder = stored ? QDir::toNativeSeparators(storedFolder)
                                  : QDir::toNativeSeparators(m_program->Home() + "/My PDF");

    const QString page = Page(QStringLiteral("a.html"));
    const CliOutcome outcome = m_program->Run({page});
    QCOMPARE(outcome.exitCode, kExitAllConverted);
    QCOMPARE(outcome.lines, QStringList{"converted\t" + page + "\t" + OutputPathFor(page, folder)});
    QCOMPARE(QFileInfo::exists(m_program->SettingsFile()), stored);
    QCOMPARE(ReadFile(m_program->SettingsFile()), before);

    // --output wins over the stored folder and still leaves the settings alone.
    const CliOutcome overridden = m_program->Run({"--output", m_out, page});
    QCOMPARE(overridden.lines, QStringList{"converted\t" + page + "\t" + OutputPathFor(page, m_out)});
    QCOMPARE(ReadFile(m_program->SettingsFile()), before);
}

void TestCliProgram::localRootChoice_data() {
    QTest::addColumn<bool>("stored"); // the folder above the page's stored as the local root
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("wide"); // whether the page may read that folder

    QTest::newRow("nothing stored: the page's own folder") << false << QStringList{} << false;
    QTest::newRow("stored root") << true << QStringList{} << true;
    QTest::newRow("--local-root auto over a stored root")
        << true << QStringList{"--local-root", "auto"} << false;
    QTest::newRow("--local-root") << false << QStringList{"--local-root", "<root>"} << true;
}

// The page lies in pages/set/docs; "the folder above" is pages/set.
void TestCliProgram::localRootChoice() {
#ifdef Q_OS_WIN
    QSKIP("The stored settings are the current user's registry key on Windows, which no test may change");
#endif
    QFETCH(bool, stored);
    QFETCH(QStringList, arguments);
    QFETCH(bool, wide);
    QVERIFY(m_program->Install());
    const QString root = QDir(m_pages).filePath(QStringLiteral("set"));
    const QString page = Page(QStringLiteral("set/docs/a.html"));
    if (stored)
        SettingsStore::AtIniFile(m_program->SettingsFile()).SetLocalRoot(root);
    const QByteArray before = ReadFile(m_program->SettingsFile());
    arguments.replaceInStrings(QStringLiteral("<root>"), root);

    const CliOutcome outcome = m_program->Run(arguments + QStringList{"--output", m_out, page});

    QCOMPARE(outcome.exitCode, kExitAllConverted);
    QCOMPARE(m_program->Fake().Invocations().size(), 1);
    const QStringList converterArguments = m_program->Fake().Invocations().at(0).arguments;
    const qsizetype allowed = converterArguments.indexOf(QDir::toNativeSeparators(root));
    QCOMPARE(allowed > 0 && converterArguments.at(allowed - 1) == QLatin1String("--allow"), wide);
    QVERIFY(converterArguments.contains(QDir::toNativeSeparators(QFileInfo(page).absolutePath())) != wide);
    QCOMPARE(ReadFile(m_program->SettingsFile()), before);
}

void TestCliProgram::interruptStopsInOrder_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QStringList>("stopped"); // the rows at work when the signal comes
    QTest::addColumn<int>("exitCode");
    QTest::newRow("Ctrl+C, one at a time") << int(SIGINT) << 1 << QStringList{"partial.html", "a.html"}
                                           << QStringList{"partial.html"} << kExitInterrupted;
    QTest::newRow("Ctrl+C, two at once")
        << int(SIGINT) << 2 << QStringList{"partial.html", "hang.html", "a.html"}
        << QStringList{"partial.html", "hang.html"} << kExitInterrupted;
    // 0: no --jobs; the window's stored "Conversions at once" (2) applies.
    QTest::newRow("Ctrl+C, two at once as stored")
        << int(SIGINT) << 0 << QStringList{"partial.html", "hang.html", "a.html"}
        << QStringList{"partial.html", "hang.html"} << kExitInterrupted;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 1 << QStringList{"partial.html", "a.html"}
                             << QStringList{"partial.html"} << 128 + int(SIGTERM);
}

void TestCliProgram::interruptStopsInOrder() {
#ifndef Q_OS_UNIX
    QSKIP("Sends POSIX signals.");
#else
    QFETCH(int, signalNumber);
    QFETCH(int, jobs);
    QFETCH(QStringList, sources);
    QFETCH(QStringList, stopped);
    QFETCH(int, exitCode);
    QVERIFY(m_program->Install());
    QStringList arguments{"--output", m_out};
    if (jobs > 0)
        arguments << "--jobs" << QString::number(jobs);
    else
        QSettings(m_program->SettingsFile(), QSettings::IniFormat).setValue(kConversionsAtOnceValue, "2");
    for (const QString& token : sources)
        arguments.append(Source(token));

    const std::unique_ptr<QProcess> child = m_program->Start(arguments);
    QTRY_COMPARE_WITH_TIMEOUT(m_program->Fake().Invocations().size(), stopped.size(), kStartWaitMs);
    // The partial converter has begun writing its file when the signal comes.
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QFileInfo& file : QDir(m_out).entryInfoList(QDir::Files | QDir::Hidden))
                if (file.size() > 0)
                    return true;
            return false;
        }(),
        kStartWaitMs);
    QCOMPARE(::kill(pid_t(child->processId()), signalNumber), 0);
    QVERIFY(child->waitForFinished(kStartWaitMs));

    const CliOutcome outcome = CliProgram::Collect(*child);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, exitCode);
    QCOMPARE(Entries(m_out), QStringList()); // no partial PDF, no temporary file
    QStringList expected;
    for (const QString& token : sources)
        expected.append("failed\t" + Source(token) + "\t" +
                        (stopped.contains(token) ? kStoppedReason : "Not converted: the run was stopped."));
    QStringList lines = outcome.lines;
    lines.sort();
    expected.sort();
    QCOMPARE(lines, expected); // the rows never started have their line too
    QCOMPARE(m_program->Fake().Invocations().size(), stopped.size());
    for (const Invocation& invocation : m_program->Fake().Invocations()) {
        QCOMPARE(invocation.endedMs, -1);               // ended by the stop, not by itself
        QVERIFY(::kill(pid_t(invocation.pid), 0) != 0); // and gone
    }
#endif
}

void TestCliProgram::progressOnlyOnATerminal() {
#ifndef Q_OS_UNIX
    QSKIP("Uses a POSIX pseudo-terminal.");
#else
    QVERIFY(m_program->Install());
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(terminal >= 0);
    QVERIFY(::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
    const QByteArray terminalName = ::ptsname(terminal);

    QProcess child;
    child.setChildProcessModifier([terminalName] {
        const int errors = ::open(terminalName.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (errors >= 0)
            ::dup2(errors, STDERR_FILENO);
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), QString());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_program->Home());
    child.setProcessEnvironment(environment);
    const QStringList pages{Page(QStringLiteral("slow-1.html")), Page(QStringLiteral("slow-2.html"))};
    child.start(m_program->Program(), QStringList{"--output", m_out, "--jobs", "1"} + pages);
    QByteArray shown;
    QSocketNotifier readable(terminal, QSocketNotifier::Read);
    connect(&readable, &QSocketNotifier::activated, this, [&] {
        char buffer[512];
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got > 0)
            shown.append(buffer, got);
    });
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, kStartWaitMs);
    // Nothing holds the terminal's other end any more: reading ends with what is left there.
    readable.setEnabled(false);
    char rest[512];
    for (ssize_t got; (got = ::read(terminal, rest, sizeof rest)) > 0;)
        shown.append(rest, got);
    ::close(terminal);

    QCOMPARE(child.exitCode(), kExitAllConverted);
    const QStringList lines =
        QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2); // standard output holds only the rows
    const QString terminalText = QString::fromUtf8(shown);
    QVERIFY2(terminalText.contains(QLatin1String("0 of 2")), qPrintable(terminalText));
    QVERIFY2(terminalText.contains(QRegularExpression(QStringLiteral("1 of 2, about \\d+:\\d\\d left"))),
             qPrintable(terminalText));
    QVERIFY2(!terminalText.contains(QLatin1String("converted")), qPrintable(terminalText));
#endif
}

// Neither a file's name nor a list line can split an output line or reach the terminal raw.
void TestCliProgram::controlCharactersAreEscaped() {
#ifdef Q_OS_WIN
    QSKIP("Windows file names hold no control characters.");
#else
    QVERIFY(m_program->Install());
    const QString page = Page(QStringLiteral("tab\tand\x1b[31mred.html"));
    const QByteArray list =
        QByteArray("miss\0ing.html\n", 14) + "gone\there.html\n" + QFile::encodeName(page) + '\n';
    m_program->SetWorkingDirectory(m_pages);
    const CliOutcome outcome = m_program->Run({"--output", m_out, "--jobs", "1", "--list", "-"}, list);
    QCOMPARE(outcome.exitCode, kExitSomeFailed);
    const QString escaped = QDir(m_pages).filePath(QStringLiteral("tab\\x09and\\x1b[31mred.html"));
    QCOMPARE(outcome.lines.size(), 3);
    QCOMPARE(
        outcome.lines[0],
        QStringLiteral("failed\tmiss\\x00ing.html\tNeither a web address (http:// or https://) nor a file."));
    QCOMPARE(outcome.lines[1],
             QStringLiteral("failed\tgone\\x09here.html\tNo such file: %1/gone\\x09here.html").arg(m_pages));
    const QStringList fields = Fields(outcome.lines[2]);
    QCOMPARE(fields.size(), 3);
    QCOMPARE(fields[0], QStringLiteral("converted"));
    QCOMPARE(fields[1], escaped);
    QVERIFY2(fields[2].startsWith(m_out) && !fields[2].contains(QChar(0x1b)), qPrintable(fields[2]));
#endif
}

void TestCliProgram::windowWithoutADisplay_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("a window option") << QStringList{"-style", "fusion"};
}

// Without a display the window cannot open: one line says so and where to look, not Qt's abort.
void TestCliProgram::windowWithoutADisplay() {
#ifdef Q_OS_WIN
    QSKIP("Windows always has its desktop.");
#else
    QFETCH(QStringList, arguments);
    QVERIFY(m_program->Install());
    const CliOutcome outcome = m_program->Run(arguments);
    QVERIFY(outcome.exitedNormally);
    QCOMPARE(outcome.exitCode, kExitUsageError);
    QCOMPARE(outcome.lines, QStringList());
    QCOMPARE(outcome.errors.count(QLatin1Char('\n')), 1);
    QVERIFY2(outcome.errors.contains(QLatin1String("needs a display")) &&
                 outcome.errors.contains(QLatin1String("--help")),
             qPrintable(outcome.errors));
#endif
}

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"
