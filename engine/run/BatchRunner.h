#pragma once

#include "queue/RowState.h"
#include "render/PdfFinisher.h"
#include "render/RenderBackend.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace velmora {

// The reason given to a row whose conversion was ended by Stop().
inline const QString kStoppedReason = QStringLiteral("Stopped before it finished.");
inline const QString kFileGoneReason = QStringLiteral("The file no longer exists.");

struct ConversionJob {
    QString source;     // web address or local file path
    QString outputPath; // the PDF's final path
};

// What a converted row's PDF is named after: its address or file name, or its page's title (known only
// once the page has been read; a page without one is named after its address).
enum class NameBy { Address, Title };

// Percentage after `done` of `total` rows: done*100/total rounded half to even, capped at 100.
int ProgressPercent(int done, int total);

// Runs an engine once per job, asynchronously, up to Parallelism() at a time, in job order. Each
// engine writes into a temporary file beside the final path, which takes the final name only when it
// holds a complete PDF; a failed or stopped row leaves the final name as it was.
class BatchRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 5 * 60 * 1000;
    static constexpr int kDefaultFinishTimeoutMs = 5 * 60 * 1000;

    explicit BatchRunner(QObject* parent = nullptr);
    ~BatchRunner() override;

    void SetBackend(std::unique_ptr<RenderBackend> backend); // not while running
    RenderBackend* Backend() const;
    void SetParallelism(int converters); // at least 1
    int Parallelism() const;
    void SetTimeoutMs(int ms);                // an engine's time for a row
    void SetFinishTimeoutMs(int ms);          // the finisher's time for a row, once its engine is done
    void SetPageSetup(const PageSetup& page); // for the next Start
    const PageSetup& Page() const;
    // Called for each converted row, off the event-loop thread, before it takes its final name.
    void SetFinisher(PdfFinisher finisher);
    // With NameBy::Title a row's final name is its page's title in the folder of its job's path, made
    // distinct within the run as it ends; the jobs' paths then need not be distinct. For the next Start.
    void SetNameBy(NameBy nameBy);
    NameBy NamedBy() const;
    // The folder local documents inside it may read; empty: each its own document set's (automatic).
    void SetLocalRoot(const QString& folder);
    QString LocalRoot() const;
    // Cookies, headers and an HTTP sign-in for the next Start; its hosts are those of the run's rows.
    void SetSignIn(const SignIn& signIn);
    const SignIn& SignInSetting() const;

    // Starts a run; jobs are numbered 0..n-1 in the signals. Emits finished() even for no jobs.
    void Start(const QList<ConversionJob>& jobs);
    // Ends every conversion at work, removes what they had written, and leaves later jobs unstarted.
    // Emits finished(..., stopped = true) before returning.
    void Stop();
    bool IsRunning() const;

signals:
    void rowStarted(int job);
    // The page's title as its engine told it, before the job's rowFinished; not for a page without one.
    void pageTitled(int job, const QString& title);
    // pdfPath: where the PDF now is, for a converted row; empty otherwise.
    void rowFinished(int job, velmora::RowState state, const QString& reason, const QString& pdfPath);
    void progressChanged(int percent);
    void finished(int failed, int total, bool stopped);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace velmora
