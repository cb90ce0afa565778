// Test double for the converter. Arguments: [options...] source output, or --version alone, or
// --read-args-from-stdin followed by one line on standard input that holds more of them, quoted as the
// converter reads them.
//
// Every invocation appends JSON lines to the file named by VELMORA_FAKE_LOG (when set):
//   {"event":"start","pid":N,"t":ms,"args":[...]}   before doing anything else
//   {"event":"end","pid":N,"t":ms}                  just before a normal exit
// Each line goes out in one unbuffered append, so concurrent fakes do not interleave.
//
// Behaviour is chosen by a marker in the last path component of the source:
//   crash    abort()
//   hang     sleep (bounded) without writing
//   partial  keep appending a few bytes to the output, as a converter at work does (bounded)
//   fail     the page cannot be loaded: error line on stderr, nothing written, exit 2
//   refuse   cannot write its output: error line on stderr, exit 1
//   warn     write the PDF, warning line on stderr, exit 1
//   missing  the page's server answers 404: its error page as PDF, error lines, exit 1
//   truncated  write the first part of a PDF, as on a full disk, exit 0
//   spawn    start a child of its own (logged as {"event":"child","child":pid}) that hangs, then hang
//   empty    create an empty output, exit 0
//   slow     sleep about 300 ms, then as default
//   gate     wait (bounded) until a file named as the source plus ".go" exists, then as default
//   default  write a small valid PDF, exit 0
// --version prints a version and exits 0, unless VELMORA_FAKE_VERSION is "hang": then it logs its start
// (with the argument "--version") and sleeps (bounded) without answering.
#include "MinimalPdf.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kHangMs = 10 * 60 * 1000;
constexpr int kPartialStepMs = 50;

void Log(QJsonObject record) {
    const QString logPath = qEnvironmentVariable("VELMORA_FAKE_LOG");
    if (logPath.isEmpty())
        return;
    record.insert("pid", QCoreApplication::applicationPid());
    record.insert("t", QDateTime::currentMSecsSinceEpoch());
    QFile log(logPath);
    if (log.open(QIODevice::Append | QIODevice::Unbuffered))
        log.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n');
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(bytes);
    return file.flush();
}

// The converter's own reading of such a line: white space separates arguments, single and double
// quotes group, a backslash takes the next character as it is (also within quotes), and an empty
// argument is dropped.
QStringList SplitArgumentLine(const QByteArray& line) {
    QStringList arguments;
    QByteArray current;
    char quote = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (c == '\\' && i + 1 < line.size()) {
            current += line.at(++i);
        } else if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                current += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!current.isEmpty())
                arguments.append(QString::fromLocal8Bit(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        arguments.append(QString::fromLocal8Bit(current));
    return arguments;
}

int Finish(int code) {
    Log({{"event", "end"}});
    return code;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--read-args-from-stdin"))) {
        QFile input;
        if (input.open(stdin, QIODevice::ReadOnly))
            args += SplitArgumentLine(input.readLine());
    }
    if (args == QStringList{QStringLiteral("--version")}) {
        if (qEnvironmentVariable("VELMORA_FAKE_VERSION") == QLatin1String("hang")) {
            Log({{"event", "start"}, {"args", QJsonArray::fromStringList(args)}});
            QThread::msleep(kHangMs);
            return Finish(0);
        }
        std::fputs("fakeconverter 1.0\n", stdout);
        return 0;
    }
    Log({{"event", "start"}, {"args", QJsonArray::fromStringList(args)}});
    if (args.size() < 2) {
        std::fputs("Usage: fakeconverter [options] source output\n", stderr);
        return Finish(3);
    }
    const QString source = args[args.size() - 2];
    const QString output = args.last();
    const QString name = source.mid(qMax(source.lastIndexOf('/'), source.lastIndexOf('\\')) + 1);
    const auto marked = [&name](const char* marker) { return name.contains(QLatin1String(marker)); };

    if (marked("crash")) {
        std::abort();
    } else if (marked("partial")) {
        // Reopens the file for every piece, so it comes back if it is removed while this still runs.
        for (int elapsed = 0; elapsed < kHangMs; elapsed += kPartialStepMs) {
            QFile file(output);
            if (file.open(QIODevice::Append))
                file.write(elapsed == 0 ? "%PDF-1.4\n" : "% more\n");
            file.close();
            QThread::msleep(kPartialStepMs);
        }
        return Finish(0);
    } else if (marked("spawn")) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("hang"), output + ".child"});
        child.waitForStarted();
        Log({{"event", "child"}, {"child", child.processId()}});
        QThread::msleep(kHangMs);
        return Finish(0);
    } else if (marked("hang")) {
        QThread::msleep(kHangMs);
        return Finish(0);
    } else if (marked("fail")) {
        const QByteArray error =
            "Loading page (1/2)\nError: Failed loading page " + source.toLocal8Bit() + "\n";
        std::fputs(error.constData(), stderr);
        return Finish(2);
    } else if (marked("empty")) {
        WriteFile(output, {});
        return Finish(0);
    }
    if (marked("refuse")) {
        std::fputs("Loading page (1/2)\nError: Unable to write to destination\nExit with code 1, due to "
                   "unknown error.\n",
                   stderr);
        return Finish(1);
    }
    if (marked("slow"))
        QThread::msleep(300);
    for (int elapsed = 0; marked("gate") && elapsed < kHangMs && !QFile::exists(source + ".go");
         elapsed += kPartialStepMs)
        QThread::msleep(kPartialStepMs);
    if (!WriteFile(output, velmora::test::OnePagePdf())) {
        std::fputs("Error: Unable to write to destination\n", stderr);
        return Finish(1);
    }
    if (marked("truncated")) {
        WriteFile(output, velmora::test::OnePagePdf().left(40));
        return Finish(0);
    }
    if (marked("missing")) {
        // The converter names a local document by its file: URL.
        const QByteArray url =
            (source.startsWith(QLatin1String("http")) ? QUrl(source) : QUrl::fromLocalFile(source))
                .toEncoded();
        const QByteArray error =
            "Loading page (1/2)\n[>     ] 10%\rError: Failed to load " + url +
            ", with network status code 203 and http status code 404 - Error transferring " + url +
            " - server replied: Not Found\nPrinting pages (2/2)\n" +
            "Done\nExit with code 1 due to network error: ContentNotFoundError\n";
        std::fputs(error.constData(), stderr);
        return Finish(1);
    }
    if (marked("warn")) {
        std::fputs("Done\r\nWarning: Failed to load file:///missing.png (ignore)\r\n", stderr);
        return Finish(1);
    }
    return Finish(0);
}
