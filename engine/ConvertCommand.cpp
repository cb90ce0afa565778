#include "ConvertCommand.h"

#include "ConverterLocation.h"
#include "OutputNames.h"
#include "TextRules.h"

#include <QDir>
#include <QFileInfo>

namespace velmora {

namespace {

QString FailureMessage(int failed, int total) {
    return QStringLiteral("%1 of %2 %3 could not be converted. Point at a failed row to see why.")
        .arg(failed)
        .arg(total)
        .arg(total == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
}

} // namespace

QStringList CompletionActions() {
    return {kDoNothing, kShowMessage, kOpenTargetFolder};
}

ConvertCommand::ConvertCommand(ConversionQueue& queue, RunHost& host, QString programFolder, QObject* parent)
    : QObject(parent), m_queue(queue), m_host(host), m_programFolder(std::move(programFolder)) {
    connect(&m_runner, &BatchRunner::rowStarted, this,
            [this](int row) { m_queue.SetOutcome(row, RowState::Converting); });
    connect(
        &m_runner, &BatchRunner::rowFinished, this,
        [this](int row, RowState state, const QString& reason) { m_queue.SetOutcome(row, state, reason); });
    connect(&m_runner, &BatchRunner::progressChanged, this,
            [this](int percent) { m_host.SetProgress(percent); });
    connect(&m_runner, &BatchRunner::finished, this, &ConvertCommand::OnRunFinished);
}

void ConvertCommand::Execute() {
    if (m_queue.RowCount() == 0)
        m_host.ShowMessage(kEmptyQueueMessage);
    else if (m_status == rsStart)
        Stop();
    else
        Start();
}

void ConvertCommand::StopForClose() {
    if (m_status == rsStart)
        Execute();
}

TRunStatus ConvertCommand::Status() const {
    return m_status;
}

BatchRunner& ConvertCommand::Runner() {
    return m_runner;
}

QString ConvertCommand::OutputPath(int row) const {
    return m_outputPaths.value(row);
}

void ConvertCommand::Start() {
    const QString folder = m_host.TargetFolderText();
    if (folder.isEmpty()) {
        m_host.ShowMessage(kNoTargetFolderMessage);
        return;
    }
    // Looked up afresh each time, so a converter installed while the program runs is found.
    const ConverterLocation converter = LocateConverter(m_programFolder);
    if (!converter.found) {
        m_host.ShowMessage(kConverterMissingMessage.arg(converter.path));
        return;
    }
    // A relative folder resolves against the current directory, which the converter inherits too.
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        m_host.ShowMessage(kFolderNotCreatedMessage.arg(folder));
        return;
    }

    m_queue.ResetOutcomes();
    QStringList outputPaths;
    for (int row = 0; row < m_queue.RowCount(); ++row)
        outputPaths.append(OutputPathFor(m_queue.SourceText(row), folder));
    outputPaths = UniqueOutputPaths(outputPaths);
    m_outputPaths = outputPaths;
    QList<ConversionJob> jobs;
    for (int row = 0; row < m_queue.RowCount(); ++row)
        jobs.append({m_queue.SourceText(row), outputPaths.at(row)});

    m_host.SetConvertCaption(kStopCaption);
    SetStatus(rsStart);
    m_host.SetProgress(0);
    m_host.SetProgressVisible(true);
    m_runner.SetConverter(converter.path);
    m_runner.Start(jobs);
}

void ConvertCommand::Stop() {
    m_runner.Stop();
    SetStatus(rsStop);
    m_host.SetConvertCaption(kConvertCaption);
    m_host.SetProgressVisible(false);
}

void ConvertCommand::OnRunFinished(int failed, int total, bool stopped) {
    if (stopped)
        return;
    m_host.SetProgressVisible(false);
    SetStatus(rsStop);
    m_host.SetConvertCaption(kConvertCaption);

    const QString action = m_host.CompletionActionText();
    if (action == kDoNothing)
        return;
    if (action == kShowMessage)
        m_host.ShowMessage(failed == 0 ? kCompleteMessage : FailureMessage(failed, total));
    else
        m_host.ExploreFolder(m_host.TargetFolderText());
}

void ConvertCommand::SetStatus(TRunStatus status) {
    m_status = status;
    emit statusChanged(status);
}

} // namespace velmora
