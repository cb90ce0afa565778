#pragma once

#include "ConversionQueue.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace velmora {

// The reason given to a row whose converter was ended by Stop().
inline const QString kStoppedReason = QStringLiteral("Stopped before it finished.");

struct ConversionJob {
    QString source;     // web address or local file path
    QString outputPath; // where the converter writes the PDF
};

// The converter's argument list for one job. Local files may load their own images and style
// sheets; web pages never get access to local files.
QStringList ConverterArguments(const ConversionJob& job);

// Percentage after `done` of `total` rows: done*100/total rounded half to even, capped at 100.
int ProgressPercent(int done, int total);

// Runs the converter once per job, asynchronously, up to Parallelism() at a time, in job order.
class BatchRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 5 * 60 * 1000;

    explicit BatchRunner(QObject* parent = nullptr);
    ~BatchRunner() override;

    void SetConverter(const QString& program);
    void SetParallelism(int converters); // at least 1
    int Parallelism() const;
    void SetTimeoutMs(int ms);

    // Starts a run; jobs are numbered 0..n-1 in the signals. Emits finished() even for no jobs.
    void Start(const QList<ConversionJob>& jobs);
    // Ends every running converter, removes the PDFs they had begun, and leaves later jobs unstarted.
    // Emits finished(..., stopped = true) before returning.
    void Stop();
    bool IsRunning() const;

signals:
    void rowStarted(int job);
    void rowFinished(int job, velmora::RowState state, const QString& reason);
    void progressChanged(int percent);
    void finished(int failed, int total, bool stopped);

private:
    struct Private;
    Private* d;
};

} // namespace velmora
