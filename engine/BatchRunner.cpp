#include "BatchRunner.h"

#include "TextRules.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace velmora {

namespace {

const QString kLocalFileAccess = QStringLiteral("--enable-local-file-access");

// Enough for the converter's last few messages; its progress bars can be long.
constexpr qsizetype kErrorTailBytes = 4096;
// A killed process ends at once; this only bounds the wait if the system misbehaves.
constexpr int kKillWaitMs = 10000;

// What the output path held before the converter started, to tell its own writing apart.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;

    static FileStamp Of(const QString& path) {
        const QFileInfo info(path);
        return {info.exists(), info.size(), info.lastModified()};
    }
    bool ChangedTo(const FileStamp& now) const {
        return now.exists && (!exists || size != now.size || modified != now.modified);
    }
};

QString LastLine(const QByteArray& errorOutput) {
    const QStringList lines =
        QString::fromLocal8Bit(errorOutput).split(QRegularExpression(QStringLiteral("[\r\n]")));
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString trimmed = line->trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return {};
}

QString WithLastMessage(const QString& sentence, const QByteArray& errorOutput) {
    const QString last = LastLine(errorOutput);
    return last.isEmpty() ? sentence : sentence + QStringLiteral(" Its last message was: ") + last;
}

QString DurationText(int ms) {
    if (ms % 60000 == 0)
        return ms == 60000 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(ms / 60000);
    return ms == 1000 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(ms / 1000.0);
}

} // namespace

QStringList ConverterArguments(const ConversionJob& job) {
    if (HasWebPrefix(job.source))
        return {job.source, job.outputPath};
    return {kLocalFileAccess, job.source, job.outputPath};
}

int ProgressPercent(int done, int total) {
    if (total <= 0)
        return 0;
    const qint64 scaled = qint64(done) * 100;
    qint64 percent = scaled / total;
    const qint64 twiceRemainder = 2 * (scaled % total);
    if (twiceRemainder > total || (twiceRemainder == total && percent % 2 == 1))
        ++percent;
    return int(qMin<qint64>(percent, 100));
}

// One converter at work.
struct Conversion {
    int job = 0;
    QString outputPath;
    FileStamp before;
    QProcess* process = nullptr;
    QTimer* timeLimit = nullptr; // child of the process
    QByteArray errorTail;
    bool timedOut = false;

    void ReadErrors() {
        errorTail += process->readAllStandardError();
        if (errorTail.size() > kErrorTailBytes)
            errorTail = errorTail.right(kErrorTailBytes);
    }
    bool WroteNonEmptyOutput() const {
        const FileStamp now = FileStamp::Of(outputPath);
        return before.ChangedTo(now) && now.size > 0;
    }
    // A PDF cut off half way, or an empty one, would pass for a result, so it goes; a file the converter
    // never touched stays.
    void RemovePartialOutput() const {
        if (before.ChangedTo(FileStamp::Of(outputPath)))
            QFile::remove(outputPath);
    }
    // After this nothing of the process reaches the runner any more.
    void Silence() {
        process->disconnect();
        timeLimit->stop();
    }
    void Kill() {
        Silence();
        process->kill();
        process->waitForFinished(kKillWaitMs);
        RemovePartialOutput();
    }
};

struct BatchRunner::Private {
    explicit Private(BatchRunner* runner) : q(runner) {}

    BatchRunner* q;
    QString program;
    int parallelism = 1;
    int timeoutMs = kDefaultTimeoutMs;

    QList<ConversionJob> jobs;
    qsizetype next = 0;
    int done = 0;
    int failed = 0;
    bool running = false;
    bool launching = false;
    std::vector<std::unique_ptr<Conversion>> active; // in launch order

    int Total() const { return int(jobs.size()); }
    void LaunchMore();
    void Launch(int job);
    void Evaluate(Conversion* conversion, int exitCode, QProcess::ExitStatus status);
    void Finish(Conversion* conversion, RowState state, const QString& reason);
};

// A converter that fails to start may say so from inside QProcess::start(), which re-enters here
// through Finish(); the flag leaves the launching to the outer call, so jobs still start in order.
void BatchRunner::Private::LaunchMore() {
    if (launching)
        return;
    launching = true;
    while (running && qsizetype(active.size()) < parallelism && next < jobs.size())
        Launch(int(next++));
    launching = false;
    if (running && active.empty() && next == jobs.size()) {
        running = false;
        emit q->finished(failed, Total(), false);
    }
}

void BatchRunner::Private::Launch(int job) {
    emit q->rowStarted(job);
    if (!running) // stopped by a listener
        return;

    const ConversionJob& spec = jobs.at(job);
    auto owned = std::make_unique<Conversion>();
    Conversion* conversion = owned.get();
    conversion->job = job;
    conversion->outputPath = spec.outputPath;
    conversion->before = FileStamp::Of(spec.outputPath);
    conversion->process = new QProcess(q);
    conversion->timeLimit = new QTimer(conversion->process);
    active.push_back(std::move(owned));

    QProcess* process = conversion->process;
    process->setProgram(program);
    process->setArguments(ConverterArguments(spec));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    conversion->timeLimit->setSingleShot(true);

    QObject::connect(conversion->timeLimit, &QTimer::timeout, q, [conversion] {
        conversion->timedOut = true;
        conversion->process->kill();
    });
    QObject::connect(process, &QProcess::readyReadStandardError, q,
                     [conversion] { conversion->ReadErrors(); });
    QObject::connect(process, &QProcess::errorOccurred, q, [this, conversion](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Finish(conversion, RowState::Failed,
                   QStringLiteral("The converter could not be started (%1).")
                       .arg(conversion->process->errorString()));
    });
    QObject::connect(process, &QProcess::finished, q,
                     [this, conversion](int exitCode, QProcess::ExitStatus status) {
                         Evaluate(conversion, exitCode, status);
                     });

    conversion->timeLimit->start(timeoutMs);
    process->start();
}

void BatchRunner::Private::Evaluate(Conversion* conversion, int exitCode, QProcess::ExitStatus status) {
    conversion->ReadErrors();
    const QByteArray& errors = conversion->errorTail;
    if (status == QProcess::CrashExit) {
        conversion->RemovePartialOutput();
        const QString sentence = conversion->timedOut
                                     ? QStringLiteral("The converter did not finish within %1 and was ended.")
                                           .arg(DurationText(timeoutMs))
                                     : QStringLiteral("The converter crashed.");
        Finish(conversion, RowState::Failed, WithLastMessage(sentence, errors));
    } else if (!conversion->WroteNonEmptyOutput()) {
        conversion->RemovePartialOutput(); // an empty file left under a PDF name would pass for one
        Finish(conversion, RowState::Failed,
               WithLastMessage(
                   QStringLiteral("The converter ended with exit code %1 and wrote no PDF.").arg(exitCode),
                   errors));
    } else if (exitCode != 0) {
        Finish(conversion, RowState::ConvertedWithWarnings,
               WithLastMessage(
                   QStringLiteral("Converted, but the converter ended with exit code %1.").arg(exitCode),
                   errors));
    } else {
        Finish(conversion, RowState::Converted, {});
    }
}

void BatchRunner::Private::Finish(Conversion* conversion, RowState state, const QString& reason) {
    const auto it = std::find_if(active.begin(), active.end(),
                                 [conversion](const auto& c) { return c.get() == conversion; });
    if (it == active.end())
        return;
    const std::unique_ptr<Conversion> ended = std::move(*it);
    active.erase(it);
    ended->Silence();
    ended->process->deleteLater();
    ++done;
    if (state == RowState::Failed)
        ++failed;
    emit q->rowFinished(ended->job, state, reason);
    if (!running) // stopped by a listener
        return;
    emit q->progressChanged(ProgressPercent(done, Total()));
    LaunchMore();
}

BatchRunner::BatchRunner(QObject* parent) : QObject(parent), d(new Private(this)) {}

BatchRunner::~BatchRunner() {
    for (const auto& conversion : d->active)
        conversion->Kill();
    delete d;
}

void BatchRunner::SetConverter(const QString& program) {
    d->program = program;
}

void BatchRunner::SetParallelism(int converters) {
    d->parallelism = qMax(1, converters);
}

int BatchRunner::Parallelism() const {
    return d->parallelism;
}

void BatchRunner::SetTimeoutMs(int ms) {
    d->timeoutMs = ms;
}

void BatchRunner::Start(const QList<ConversionJob>& jobs) {
    Stop();
    d->jobs = jobs;
    d->next = 0;
    d->done = 0;
    d->failed = 0;
    d->running = true;
    d->LaunchMore();
}

void BatchRunner::Stop() {
    if (!d->running)
        return;
    d->running = false;
    const auto stopped = std::move(d->active);
    d->active.clear();
    for (const auto& conversion : stopped) {
        conversion->Kill();
        conversion->process->deleteLater();
        ++d->failed;
        emit rowFinished(conversion->job, RowState::Failed, kStoppedReason);
    }
    emit finished(d->failed, d->Total(), true);
}

bool BatchRunner::IsRunning() const {
    return d->running;
}

} // namespace velmora
