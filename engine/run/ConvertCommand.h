#pragma once

#include "queue/ConversionQueue.h"
#include "run/BatchRunner.h"
#include "run/CombineStep.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace velmora {

// The run state, one byte; only rsStart and rsStop are ever entered.
enum TRunStatus : quint8 { rsNone, rsStart, rsError, rsStop, rsEnd };

inline const QString kDoNothing = QStringLiteral("Do nothing");
inline const QString kShowMessage = QStringLiteral("Show message");
inline const QString kOpenTargetFolder = QStringLiteral("Open target folder");
QStringList CompletionActions(); // in the box's order

inline const QString kEmptyQueueMessage = QStringLiteral("Please add URL or files to convert!");
inline const QString kCompleteMessage = QStringLiteral("Conversion complete!");
inline const QString kNoTargetFolderMessage =
    QStringLiteral("Please choose a target folder for the PDF files.");
// %1: the absolute target folder.
inline const QString kFolderNotCreatedMessage =
    QStringLiteral("The target folder \"%1\" could not be created. Please choose another folder.");
inline const QString kFolderNotWritableMessage =
    QStringLiteral("The target folder \"%1\" cannot be written to. Please choose another folder.");

// What the Convert command needs from the main window; tests provide their own.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual QString TargetFolderText() const = 0;
    virtual QString CompletionActionText() const = 0;
    virtual void ShowRunning(bool running) = 0; // the Convert command offers Stop while running
    virtual void SetProgressVisible(bool visible) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void ShowMessage(const QString& text) = 0;
    virtual void ExploreFolder(const QString& folder) = 0;
    // Tells why the run's engine cannot run. True when the host has switched to another engine for
    // the run to go ahead with (the user accepted an offer to).
    virtual bool ReportStartProblem(const QString& problem) {
        ShowMessage(problem);
        return false;
    }
    // The end-of-run message; `combinedPath` names the combined file the run made, else is empty;
    // `failed`: a row failed or the combining did.
    virtual void ShowEndMessage(const QString& text, const QString& combinedPath, bool failed) {
        Q_UNUSED(combinedPath);
        Q_UNUSED(failed);
        ShowMessage(text);
    }
};

// The end-of-run message: "Conversion complete!" only when every row converted cleanly. `pdfsKept`
// false: the rows' own PDFs were combined into one and removed, so the message counts rows, not PDFs.
QString EndOfRunMessage(int converted, int warned, int failed, const QString& folder, bool pdfsKept = true);

inline const QString kDefaultCombinedName = QStringLiteral("Combined.pdf");

// Whether a run ends by joining the queue's PDFs into one file in the target folder.
struct CombineChoice {
    bool enabled = false;
    QString name;             // the file's name; empty: the first PDF's page title, else kDefaultCombinedName
    bool keepSeparate = true; // false: the rows' own PDFs go once the combined file is in place
    QString title = {};       // the book's Title; empty: the pages' shared site name, else the file's name
    bool contents = false;    // the book begins with a contents page
    friend bool operator==(const CombineChoice&, const CombineChoice&) = default;
};

// The combined file's path in `folder` for a name typed or given (".pdf" added when missing, made safe
// as a title is); empty when the name gives none.
QString CombinedPathFor(const QString& name, const QString& folder);

// Which converted rows' PDFs the combined file leaves out because they no longer exist, naming each.
QString GonePdfsNote(const QStringList& gone, bool oneLine = false);

// What the end message and the status bar add about the combined file: where it is and how many rows
// were left out, or why it could not be made, and the PDFs that were gone; on lines of their own, or on
// one line (the status bar).
QString CombineNote(const QString& combinedPath, int leftOut, const QStringList& gone, const QString& problem,
                    bool oneLine = false);

// The Convert/Stop command over the queue: starts an asynchronous run, stops it, and carries out the
// completion action.
class ConvertCommand final : public QObject {
    Q_OBJECT
public:
    // `engine` makes each run's engine, until SetEngineFactory gives another.
    ConvertCommand(ConversionQueue& queue, RunHost& host, QString programFolder, EngineFactory engine,
                   QObject* parent = nullptr);

    void Execute(); // Convert when idle, Stop while a run is in progress
    // Converts just these rows (e.g. the ones that failed), with the same checks and messages.
    void ConvertRows(const QList<int>& rows);
    void SetEngineFactory(EngineFactory factory);
    void StopForClose(); // a close request: stops a run in progress, never refuses
    TRunStatus Status() const;
    BatchRunner& Runner();
    const QList<int>& RunRows() const { return m_runRows; } // the queue row of each job of the last run
    void SetCombine(const CombineChoice& choice);           // for the next run's end
    const CombineChoice& Combine() const { return m_combine; }
    void SetCombiner(PdfCombiner combiner);
    // The last run's combined file, how many of the queue's rows it left out as they did not convert,
    // the converted rows' PDFs it left out as they were gone, why it was not made; all empty (0) when the
    // run combined nothing.
    QString CombinedPath() const { return m_combinedPath; }
    int CombineLeftOut() const { return m_combineLeftOut; }
    const QStringList& CombineGone() const { return m_combineGone; }
    QString CombineProblem() const { return m_combineProblem; }

signals:
    void statusChanged(velmora::TRunStatus status);

private:
    // Checks everything a run needs before anything starts, sets up its engine and begins the run, or
    // shows why no run can start.
    void Start(const QList<int>& rows);
    void CheckEngine(std::unique_ptr<RenderBackend> engine, const QList<int>& rows, const QString& folder);
    void OnEngineChecked(std::unique_ptr<RenderBackend> engine, const QString& problem,
                         const QList<int>& rows, const QString& folder);
    void Refuse(const QString& message = {});
    void ShowRunBegun(const QList<int>& rows); // caption, status and progress, once per run
    void BeginRun(const QString& folder, const QList<int>& rows);
    void Stop();
    void OnRunFinished(int failed, int total, bool stopped);
    bool StartCombine(); // false when there is nothing to combine, or its name is refused
    // The combined file's path, or empty after setting m_combineProblem when the name asked for would
    // replace one of `rowPdfs`, which a name chosen here is numbered past.
    struct RowPdf {
        int row;
        QString path;
        bool earlier; // left by an earlier conversion rather than the row's PDF now
    };
    QString ChooseCombinedPath(const QList<RowPdf>& rowPdfs, const QString& siteName);
    void OnCombined(const QString& path, const QString& problem);
    void EndRun(int failed, int total);
    void SetStatus(TRunStatus status);

    ConversionQueue& m_queue;
    RunHost& m_host;
    QString m_programFolder;
    EngineFactory m_engineFactory;
    QList<int> m_runRows;        // the queue row of each job of the run
    QList<RowPdf> m_earlierPdfs; // the run's rows' PDFs before it, and the paths it gave them
    QString m_runFolder;
    BatchRunner m_runner;
    std::unique_ptr<RenderBackend> m_checkedEngine; // being asked whether it can run
    int m_checks = 0;                               // counts the questions, so only the latest answer counts
    TRunStatus m_status = rsNone;
    CombineChoice m_combine;
    PdfCombiner m_combiner;
    CombineStep m_combineStep;
    QList<int> m_combinedRows;
    int m_runFailed = 0;
    int m_runTotal = 0;
    QString m_combinedPath;
    int m_combineLeftOut = 0;
    QStringList m_combineGone;
    QString m_combineProblem;
};

} // namespace velmora
