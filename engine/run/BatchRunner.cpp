#include "run/BatchRunner.h"

#include "platform/OffThread.h"
#include "queue/OutputNames.h"
#include "queue/TextRules.h"
#include "render/LastMessage.h"
#include "render/PageLoadRules.h"
#include "render/PendingPdf.h"

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QSet>
#include <QTimer>

#include <map>

namespace velmora {

namespace {

QString DurationText(int ms) {
    if (ms % 60000 == 0)
        return ms == 60000 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(ms / 60000);
    return ms == 1000 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(ms / 1000.0);
}

} // namespace

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

// One row at work: its output file, its time limit, and what it asked of the engine. The output is
// shared with the thread that finishes it, so that a row stopped meanwhile loses its temporary files
// only once that thread is done with them.
struct Conversion {
    std::shared_ptr<PendingPdf> output;
    bool finishing = false;            // its engine is done; the finisher is at work on the PDF
    std::unique_ptr<QTimer> timeLimit; // the engine's, then the finisher's
    RenderRequest request;
    QString pageTitle;
};

struct BatchRunner::Private {
    explicit Private(BatchRunner* runner) : q(runner) {}

    BatchRunner* q;
    std::unique_ptr<RenderBackend> backend;
    int parallelism = 1;
    int timeoutMs = kDefaultTimeoutMs;
    int finishTimeoutMs = kDefaultFinishTimeoutMs;
    PageSetup page;
    PdfFinisher finisher;
    QString localRoot;
    SignIn signIn;
    QStringList runHosts; // the hosts of the run's rows
    NameBy nameBy = NameBy::Address;
    OutputNamer titleNames; // the names given by title in this run

    QList<ConversionJob> jobs;
    qsizetype next = 0;
    int done = 0;
    int failed = 0;
    bool running = false;
    bool launching = false;
    std::map<int, Conversion> active;

    int Total() const { return int(jobs.size()); }
    void LaunchMore();
    void Launch(int job);
    void Begin(int job, const std::shared_ptr<PendingPdf>& output, const QString& localRoot);
    void OnEngineEnded(int job, RowState state, const QString& reason);
    void OnFinisherEnded(int job, const std::shared_ptr<PendingPdf>& output, RowState state,
                         const QString& reason, const QString& problem);
    void OnTimeLimit(int job);
    QString Commit(int job, Conversion& conversion);
    void Finish(int job, RowState state, const QString& reason, const QString& pdfPath = {});
    void AbortAll(const QString& reason);
    void EndRun();
};

// An engine may end a row from inside Begin(), which re-enters here through Finish(); the flag leaves
// the launching to the outer call, so jobs still start in order.
void BatchRunner::Private::LaunchMore() {
    if (launching)
        return;
    launching = true;
    while (running && qsizetype(active.size()) < parallelism && next < jobs.size())
        Launch(int(next++));
    launching = false;
    if (running && active.empty() && next == jobs.size()) {
        running = false;
        EndRun();
        emit q->finished(failed, Total(), false);
    }
}

void BatchRunner::Private::Launch(int job) {
    emit q->rowStarted(job);
    if (!running) // stopped by a listener
        return;

    const ConversionJob& spec = jobs.at(job);
    RenderRequest request{spec.source, {}, {}, page, signIn};
    request.signIn.hosts = runHosts;
    if (!HasWebPrefix(spec.source)) {
        // Absolute, so that no source reaches a converter looking like one of its options.
        const QFileInfo file(spec.source);
        if (!file.isFile()) {
            active[job];
            Finish(job, RowState::Failed, kFileGoneReason);
            return;
        }
        request.source = file.absoluteFilePath();
    }
    Conversion& conversion = active[job];
    QString error;
    conversion.output = PendingPdf::Create(spec.outputPath, error);
    if (!conversion.output) {
        Finish(job, RowState::Failed,
               QStringLiteral("The PDF could not be created in the target folder (%1).").arg(error));
        return;
    }
    request.temporaryPath = conversion.output->TemporaryPath();
    conversion.timeLimit = std::make_unique<QTimer>();
    conversion.timeLimit->setSingleShot(true);
    QObject::connect(conversion.timeLimit.get(), &QTimer::timeout, q, [this, job] { OnTimeLimit(job); });
    conversion.timeLimit->start(timeoutMs);
    conversion.request = request;
    if (HasWebPrefix(spec.source)) {
        backend->Begin(job, request);
        return;
    }
    // Which folder a local document may read follows from the files it names, read from a disk that may
    // be slow; meanwhile the row counts as at work, and Stop and its time limit apply to it.
    RunOffThread([source = request.source, chosen = localRoot] { return LocalRootFor(source, chosen); }, q,
                 [this, job, output = std::weak_ptr(conversion.output)](const QString& root) {
                     Begin(job, output.lock(), root);
                 });
}

// A row that ended meanwhile (Stop, its time limit) is not begun.
void BatchRunner::Private::Begin(int job, const std::shared_ptr<PendingPdf>& output,
                                 const QString& localRoot) {
    const auto it = active.find(job);
    if (!output || it == active.end() || it->second.output != output)
        return;
    it->second.request.localRoot = localRoot;
    backend->Begin(job, it->second.request);
}

void BatchRunner::Private::OnEngineEnded(int job, RowState state, const QString& reason) {
    const auto it = active.find(job);
    // An engine that reports a row twice must not set a second finisher on the same file.
    if (it == active.end() || it->second.finishing)
        return;
    if (state == RowState::Failed) {
        Finish(job, state, reason);
        return;
    }
    Conversion& conversion = it->second;
    if (!finisher) {
        const QString problem = Commit(job, conversion);
        if (!problem.isEmpty())
            Finish(job, RowState::Failed, problem);
        else
            Finish(job, state, reason, conversion.output->FinalPath());
        return;
    }
    if (const QString problem = conversion.output->CheckWritten(); !problem.isEmpty()) {
        Finish(job, RowState::Failed, problem);
        return;
    }
    // Finishing a PDF takes a while; on a thread of its own it holds up neither the engine's messages
    // nor the other rows. The row ends back here, once the result is in. The engine's time is over;
    // finishing has its own.
    conversion.finishing = true;
    conversion.timeLimit->start(finishTimeoutMs);
    PdfStep step = [finisher = finisher, request = conversion.request,
                    pageTitle = conversion.pageTitle](const QString& from, const QString& to) {
        return finisher(request, pageTitle, from, to);
    };
    RunOffThread(
        [output = conversion.output, step = std::move(step)]() mutable {
            const QString problem = output->Rewrite(step);
            output.reset(); // a row ended meanwhile loses its temporary file now
            return problem;
        },
        q,
        [this, job, output = std::weak_ptr(conversion.output), state, reason](const QString& problem) {
            OnFinisherEnded(job, output.lock(), state, reason, problem);
        });
}

// A row stopped or out of time while it was being finished is over already; its files go with the
// last reference to them.
void BatchRunner::Private::OnFinisherEnded(int job, const std::shared_ptr<PendingPdf>& output, RowState state,
                                           const QString& reason, const QString& problem) {
    const auto it = active.find(job);
    if (!output || it == active.end() || it->second.output != output)
        return;
    const QString failure = problem.isEmpty() ? Commit(job, it->second) : problem;
    if (!failure.isEmpty())
        Finish(job, RowState::Failed, failure);
    else
        Finish(job, state, reason, output->FinalPath());
}

// The final name is chosen only now, so that rows named by title are numbered as they end.
QString BatchRunner::Private::Commit(int job, Conversion& conversion) {
    if (nameBy == NameBy::Title) {
        const QString path = jobs.at(job).outputPath;
        const QString byTitle = TitlePathFor(conversion.pageTitle, QFileInfo(path).path());
        conversion.output->SetFinalPath(titleNames.Claim(byTitle.isEmpty() ? path : byTitle));
    }
    return conversion.output->Commit();
}

void BatchRunner::Private::OnTimeLimit(int job) {
    const auto it = active.find(job);
    if (it == active.end())
        return;
    if (it->second.finishing) {
        Finish(job, RowState::Failed,
               QStringLiteral("Finishing the PDF took longer than %1 and was given up.")
                   .arg(DurationText(finishTimeoutMs)));
        return;
    }
    const QString lastMessage = backend->Abort(job);
    Finish(job, RowState::Failed,
           WithLastMessage(QStringLiteral("The conversion did not finish within %1 and was ended.")
                               .arg(DurationText(timeoutMs)),
                           lastMessage));
}

void BatchRunner::Private::Finish(int job, RowState state, const QString& reason, const QString& pdfPath) {
    const auto it = active.find(job);
    if (it == active.end())
        return;
    active.erase(it); // removes a temporary file that was not committed
    ++done;
    if (state == RowState::Failed)
        ++failed;
    emit q->rowFinished(job, state, reason, pdfPath);
    if (!running) // stopped by a listener
        return;
    emit q->progressChanged(ProgressPercent(done, Total()));
    LaunchMore();
}

void BatchRunner::Private::AbortAll(const QString& reason) {
    std::map<int, Conversion> stopped;
    stopped.swap(active);
    for (auto& [job, conversion] : stopped) {
        conversion.timeLimit.reset();
        if (!conversion.finishing)
            backend->Abort(job);
        conversion.output.reset();
        ++failed;
        if (!reason.isEmpty())
            emit q->rowFinished(job, RowState::Failed, reason, {});
    }
}

void BatchRunner::Private::EndRun() {
    if (backend)
        backend->EndRun();
}

BatchRunner::BatchRunner(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

BatchRunner::~BatchRunner() {
    if (d->running) {
        d->running = false;
        d->AbortAll({});
        d->EndRun();
    }
}

void BatchRunner::SetBackend(std::unique_ptr<RenderBackend> backend) {
    Q_ASSERT(!d->running);
    d->backend = std::move(backend);
    if (!d->backend)
        return;
    connect(d->backend.get(), &RenderBackend::rowEnded, this,
            [this](int job, RowState state, const QString& reason) { d->OnEngineEnded(job, state, reason); });
    connect(d->backend.get(), &RenderBackend::pageTitle, this, [this](int job, const QString& title) {
        if (const auto it = d->active.find(job); it != d->active.end()) {
            it->second.pageTitle = title;
            emit pageTitled(job, title);
        }
    });
    connect(d->backend.get(), &RenderBackend::rowRestarted, this, [this](int job) {
        if (const auto it = d->active.find(job); it != d->active.end() && it->second.timeLimit)
            it->second.timeLimit->start(d->timeoutMs);
    });
}

RenderBackend* BatchRunner::Backend() const {
    return d->backend.get();
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

void BatchRunner::SetFinishTimeoutMs(int ms) {
    d->finishTimeoutMs = ms;
}

void BatchRunner::SetPageSetup(const PageSetup& page) {
    d->page = page;
}

const PageSetup& BatchRunner::Page() const {
    return d->page;
}

void BatchRunner::SetFinisher(PdfFinisher finisher) {
    d->finisher = std::move(finisher);
}

void BatchRunner::SetNameBy(NameBy nameBy) {
    d->nameBy = nameBy;
}

NameBy BatchRunner::NamedBy() const {
    return d->nameBy;
}

void BatchRunner::SetLocalRoot(const QString& folder) {
    d->localRoot = folder;
}

QString BatchRunner::LocalRoot() const {
    return d->localRoot;
}

void BatchRunner::SetSignIn(const SignIn& signIn) {
    d->signIn = signIn;
}

const SignIn& BatchRunner::SignInSetting() const {
    return d->signIn;
}

void BatchRunner::Start(const QList<ConversionJob>& jobs) {
    Q_ASSERT(d->backend);
    Stop();
    d->jobs = jobs;
    QStringList sources;
    for (const ConversionJob& job : jobs)
        sources.append(job.source);
    d->runHosts = HostsOf(sources);
    d->next = 0;
    d->done = 0;
    d->failed = 0;
    d->titleNames = OutputNamer();
    d->running = true;
    // What a program killed before it could clean up left in these folders goes now.
    QSet<QString> folders;
    for (const ConversionJob& job : jobs)
        folders.insert(QFileInfo(job.outputPath).absolutePath());
    for (const QString& folder : std::as_const(folders))
        RemoveAbandonedPartFiles(folder);
    d->backend->BeginRun(d->parallelism);
    d->LaunchMore();
}

void BatchRunner::Stop() {
    if (!d->running)
        return;
    d->running = false;
    d->AbortAll(kStoppedReason);
    d->EndRun();
    emit finished(d->failed, d->Total(), true);
}

bool BatchRunner::IsRunning() const {
    return d->running;
}

} // namespace velmora
