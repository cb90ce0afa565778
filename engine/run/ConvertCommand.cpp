#include "run/ConvertCommand.h"

#include "queue/OutputNames.h"
#include "queue/TargetFolder.h"
#include "queue/TextRules.h"
#include "render/PendingPdf.h"
#include "run/BookTitle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace velmora {

QStringList CompletionActions() {
    return {kDoNothing, kShowMessage, kOpenTargetFolder};
}

// PDFs made and problems are counted apart: "0 rows converted, 1 with warnings" read as nothing made.
// The folder stands on a line of its own, so a long path is neither broken inside a word nor quoted.
QString EndOfRunMessage(int converted, int warned, int failed, const QString& folder, bool pdfsKept) {
    if (warned == 0 && failed == 0)
        return kCompleteMessage;
    const int made = converted + warned;
    QString counts =
        pdfsKept
            ? (made == 1 ? QStringLiteral("1 PDF made") : QStringLiteral("%1 PDFs made").arg(made))
            : (made == 1 ? QStringLiteral("1 row converted") : QStringLiteral("%1 rows converted").arg(made));
    if (warned > 0)
        counts += QStringLiteral(" (%1 with warnings)").arg(warned);
    counts += QStringLiteral(", %1 failed").arg(failed);
    if (!pdfsKept)
        return QStringLiteral("Conversion finished: %1. Their PDFs were combined into one, and the separate "
                              "ones removed.\n\nSelect a marked row to see why.")
            .arg(counts);
    return QStringLiteral(
               "Conversion finished: %1.\n\nThe PDFs are in:\n%2\n\nSelect a marked row to see why.")
        .arg(counts, folder);
}

QString CombinedPathFor(const QString& name, const QString& folder) {
    QString stem = name.trimmed();
    if (stem.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        stem.chop(4);
    return TitlePathFor(stem, folder);
}

QString GonePdfsNote(const QStringList& gone, bool oneLine) {
    if (gone.isEmpty())
        return {};
    const QString lead = gone.size() == 1
                             ? QStringLiteral("Left out of the combined PDF, as it no longer exists:")
                             : QStringLiteral("Left out of the combined PDF, as they no longer exist:");
    return oneLine ? lead + QLatin1Char(' ') + gone.join(QStringLiteral(", "))
                   : lead + QLatin1Char('\n') + gone.join(QLatin1Char('\n'));
}

QString CombineNote(const QString& combinedPath, int leftOut, const QStringList& gone, const QString& problem,
                    bool oneLine) {
    const QString next = oneLine ? QStringLiteral("; ") : QStringLiteral("\n");
    QString note = problem;
    if (note.isEmpty() && !combinedPath.isEmpty()) {
        note = QStringLiteral("Combined into one PDF:") +
               (oneLine ? QStringLiteral(" ") : QStringLiteral("\n")) + combinedPath;
        if (leftOut == 1)
            note += next + QStringLiteral("1 row that did not convert is left out.");
        else if (leftOut > 1)
            note += next + QStringLiteral("%1 rows that did not convert are left out.").arg(leftOut);
    }
    if (!gone.isEmpty())
        note += (note.isEmpty() ? QString() : next) + GonePdfsNote(gone, oneLine);
    return note;
}

ConvertCommand::ConvertCommand(ConversionQueue& queue, RunHost& host, QString programFolder,
                               EngineFactory engine, QObject* parent)
    : QObject(parent), m_queue(queue), m_host(host), m_programFolder(std::move(programFolder)),
      m_engineFactory(std::move(engine)) {
    connect(&m_runner, &BatchRunner::rowStarted, this,
            [this](int job) { m_queue.SetOutcome(m_runRows.at(job), RowState::Converting); });
    connect(&m_runner, &BatchRunner::rowFinished, this,
            [this](int job, RowState state, const QString& reason, const QString& pdfPath) {
                m_queue.SetOutcome(m_runRows.at(job), state, reason);
                m_queue.SetOutputPath(m_runRows.at(job), pdfPath);
            });
    connect(&m_runner, &BatchRunner::pageTitled, this,
            [this](int job, const QString& title) { m_queue.SetPageTitle(m_runRows.at(job), title); });
    connect(&m_combineStep, &CombineStep::done, this, &ConvertCommand::OnCombined);
    connect(&m_runner, &BatchRunner::progressChanged, this,
            [this](int percent) { m_host.SetProgress(percent); });
    connect(&m_runner, &BatchRunner::finished, this, &ConvertCommand::OnRunFinished);
}

void ConvertCommand::Execute() {
    if (m_queue.RowCount() == 0)
        m_host.ShowMessage(kEmptyQueueMessage);
    else if (m_status == rsStart)
        Stop();
    else {
        QList<int> rows;
        for (int row = 0; row < m_queue.RowCount(); ++row)
            rows.append(row);
        Start(rows);
    }
}

void ConvertCommand::ConvertRows(const QList<int>& rows) {
    if (m_status != rsStart && !rows.isEmpty())
        Start(rows);
}

void ConvertCommand::SetEngineFactory(EngineFactory factory) {
    m_engineFactory = std::move(factory);
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

void ConvertCommand::SetCombine(const CombineChoice& choice) {
    m_combine = choice;
}

void ConvertCommand::SetCombiner(PdfCombiner combiner) {
    m_combiner = std::move(combiner);
}

// The engine is asked first whether it can run at all. A question answered at once is followed by the
// other checks at once; one that needs the engine's program started is answered through the event
// loop, and until then the command stands as a run that has begun: Stop is offered, and ends the
// question with its engine.
void ConvertCommand::Start(const QList<int>& rows) {
    const QString folder = ResolvedTargetFolder(m_host.TargetFolderText());
    if (folder.isEmpty()) {
        m_host.ShowMessage(kNoTargetFolderMessage);
        return;
    }
    CheckEngine(m_engineFactory(m_programFolder), rows, folder);
}

void ConvertCommand::CheckEngine(std::unique_ptr<RenderBackend> engine, const QList<int>& rows,
                                 const QString& folder) {
    QFuture<QString> problem = engine->StartProblem();
    if (problem.isFinished()) {
        OnEngineChecked(std::move(engine), problem.result(), rows, folder);
        return;
    }
    m_checkedEngine = std::move(engine);
    const int check = ++m_checks;
    // The answer may come from inside one of the engine's own signals, so the engine is let go (or run)
    // only once that has returned.
    problem.then(this, [this, check, rows, folder](const QString& answer) {
        QMetaObject::invokeMethod(
            this,
            [this, check, rows, folder, answer] {
                if (check == m_checks && m_checkedEngine)
                    OnEngineChecked(std::move(m_checkedEngine), answer, rows, folder);
            },
            Qt::QueuedConnection);
    });
    ShowRunBegun(rows);
}

// A host that switched engines has set a new factory; the new engine is checked in turn.
void ConvertCommand::OnEngineChecked(std::unique_ptr<RenderBackend> engine, const QString& problem,
                                     const QList<int>& rows, const QString& folder) {
    if (!problem.isEmpty()) {
        if (m_host.ReportStartProblem(problem))
            CheckEngine(m_engineFactory(m_programFolder), rows, folder);
        else
            Refuse();
        return;
    }
    const PageSetup& page = m_runner.Page();
    if (const QString pageProblem =
            page.Problem().isEmpty() ? engine->PageSetupProblem(page) : page.Problem();
        !pageProblem.isEmpty()) {
        Refuse(pageProblem);
        return;
    }
    if (const QString signInProblem = engine->SignInProblem(m_runner.SignInSetting()); !signInProblem.isEmpty()) {
        Refuse(signInProblem);
        return;
    }
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        Refuse(kFolderNotCreatedMessage.arg(folder));
        return;
    }
    // The one sure test of writing is to write; the probe is removed at once.
    QString error;
    if (!PendingPdf::Create(QDir(folder).filePath(QStringLiteral("probe.pdf")), error)) {
        Refuse(kFolderNotWritableMessage.arg(folder));
        return;
    }
    m_runner.SetBackend(std::move(engine));
    BeginRun(folder, rows);
}

// The run did not begin: the command stands as it did before, unless the engine's question made it
// look begun.
void ConvertCommand::Refuse(const QString& message) {
    if (!message.isEmpty())
        m_host.ShowMessage(message);
    if (m_status == rsStart) {
        SetStatus(rsStop);
        m_host.ShowRunning(false);
        m_host.SetProgressVisible(false);
    }
}

void ConvertCommand::ShowRunBegun(const QList<int>& rows) {
    if (m_status == rsStart)
        return;
    m_runRows = rows;
    m_host.ShowRunning(true);
    SetStatus(rsStart);
    m_host.SetProgress(0);
    m_host.SetProgressVisible(true);
}

void ConvertCommand::BeginRun(const QString& folder, const QList<int>& rows) {
    m_runFolder = folder;
    m_combinedPath.clear();
    m_combineLeftOut = 0;
    m_combineGone.clear();
    m_combineProblem.clear();
    m_earlierPdfs.clear();
    QStringList outputPaths;
    for (int row : rows) {
        if (const QString earlier = m_queue.OutputPath(row); !earlier.isEmpty())
            m_earlierPdfs.append({row, earlier, true});
        m_queue.SetOutcome(row, RowState::Waiting);
        outputPaths.append(OutputPathFor(m_queue.SourceText(row), m_runFolder));
    }
    // Names from titles are made distinct as the rows end.
    if (m_runner.NamedBy() == NameBy::Address)
        outputPaths = UniqueOutputPaths(outputPaths);
    QList<ConversionJob> jobs;
    for (qsizetype job = 0; job < rows.size(); ++job) {
        jobs.append({m_queue.SourceText(rows.at(job)), outputPaths.at(job)});
        // A row that fails leaves the PDF an earlier run made under this name.
        m_earlierPdfs.append({rows.at(job), outputPaths.at(job), true});
    }

    ShowRunBegun(rows);
    m_runner.Start(jobs);
}

// Rows the run never started say so, rather than keep waiting for a run that is over. An engine still
// being asked whether it can run goes, and the question with it; no row was touched then.
void ConvertCommand::Stop() {
    const bool checking = m_checkedEngine != nullptr;
    m_checkedEngine.reset();
    m_runner.Stop();
    m_combineStep.Abandon();
    for (int row : std::as_const(m_runRows)) {
        if (!checking && m_queue.State(row) == RowState::Waiting)
            m_queue.SetOutcome(row, RowState::NotReached, kNotReachedReason);
    }
    SetStatus(rsStop);
    m_host.ShowRunning(false);
    m_host.SetProgressVisible(false);
}

void ConvertCommand::OnRunFinished(int failed, int total, bool stopped) {
    if (stopped)
        return;
    m_runFailed = failed;
    m_runTotal = total;
    if (!m_combine.enabled || !m_combiner || !StartCombine())
        EndRun(failed, total);
}

// Every converted row of the queue is combined, not only this run's: after "Convert failed rows
// again" the combined file is the whole queue's once more. The run goes on (Stop stays offered) until
// the combined file is in place. A converted row's PDF that is gone is left out and named at the end.
bool ConvertCommand::StartCombine() {
    CombineRequest request;
    m_combinedRows.clear();
    QList<RowPdf> rowPdfs;
    QSet<int> converted;
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        const RowState state = m_queue.State(row);
        const QString pdf = m_queue.OutputPath(row);
        if ((state != RowState::Converted && state != RowState::ConvertedWithWarnings) || pdf.isEmpty())
            continue;
        converted.insert(row);
        if (!QFileInfo::exists(pdf)) {
            m_combineGone.append(pdf);
            continue;
        }
        const QString source = m_queue.SourceText(row);
        request.parts.append({pdf, m_queue.PageTitle(row), source});
        m_combinedRows.append(row);
        rowPdfs.append({row, pdf, false});
    }
    // What earlier conversions left stays too: of the run's rows, and under the address name of the
    // queue's other rows that have no PDF now.
    QList<RowPdf> earlier = m_earlierPdfs;
    const QSet<int> runRows(m_runRows.cbegin(), m_runRows.cend());
    for (int row = 0; row < m_queue.RowCount(); ++row) {
        if (!converted.contains(row) && !runRows.contains(row))
            earlier.append({row, OutputPathFor(m_queue.SourceText(row), m_runFolder), true});
    }
    for (const RowPdf& pdf : std::as_const(earlier)) {
        if (QFileInfo::exists(pdf.path))
            rowPdfs.append(pdf);
    }
    m_combineLeftOut = m_queue.RowCount() - int(converted.size());
    if (request.parts.isEmpty()) {
        m_combineProblem =
            m_combineGone.isEmpty()
                ? QStringLiteral("No PDF was made, so there was nothing to combine.")
                : QStringLiteral("The PDFs made no longer exist, so there was nothing to combine.");
        return false;
    }
    // The pages' shared site name names the book, and each bookmark goes without it.
    QStringList titles;
    for (const CombinePart& part : std::as_const(request.parts))
        titles << part.bookmark;
    const SiteName site = SharedSiteName(titles);
    for (qsizetype part = 0; part < request.parts.size(); ++part) {
        CombinePart& each = request.parts[part];
        each.bookmark = site.titles.at(part).isEmpty() ? each.source : site.titles.at(part);
    }
    const QString path = ChooseCombinedPath(rowPdfs, site.name);
    if (path.isEmpty())
        return false;
    request.title = !m_combine.title.isEmpty() ? m_combine.title
                    : !site.name.isEmpty()     ? site.name
                                               : QFileInfo(path).completeBaseName();
    request.page = m_runner.Page();
    request.contents = m_combine.contents;
    const QString first = m_queue.SourceText(m_combinedRows.first());
    request.subject = request.parts.size() == 1 ? first
                                                : QStringLiteral("%1 … %2 (%3 documents)")
                                                      .arg(first, m_queue.SourceText(m_combinedRows.last()))
                                                      .arg(request.parts.size());
    m_combineStep.Start(request, path, m_combiner);
    return true;
}

// A combined file never replaces a row's PDF, new or kept from an earlier run. The name the user gave is
// the one a script or a reader will look for, so a clash is refused and named rather than numbered
// around; a name chosen here (the pages' site name, else the first page's title, else the default) is
// numbered past the PDFs.
QString ConvertCommand::ChooseCombinedPath(const QList<RowPdf>& rowPdfs, const QString& siteName) {
    if (const QString asked = CombinedPathFor(m_combine.name, m_runFolder); !asked.isEmpty()) {
        const QString path = OutputNamer().Claim(asked);
        for (const RowPdf& pdf : rowPdfs) {
            if (!SameOutputPath(pdf.path, path))
                continue;
            const QString source = m_queue.SourceText(pdf.row);
            m_combineProblem =
                (pdf.earlier ? QStringLiteral("The PDFs were not combined: the combined file would replace "
                                              "\"%1\", the PDF an earlier conversion made of \"%2\". Please "
                                              "give the combined file another name.")
                             : QStringLiteral("The PDFs were not combined: the combined file would replace "
                                              "\"%1\", the PDF of \"%2\". Please give the combined file "
                                              "another name."))
                    .arg(QDir::toNativeSeparators(pdf.path), source);
            return {};
        }
        return path;
    }
    QString path =
        TitlePathFor(siteName.isEmpty() ? m_queue.PageTitle(m_combinedRows.first()) : siteName, m_runFolder);
    if (path.isEmpty())
        path = CombinedPathFor(kDefaultCombinedName, m_runFolder);
    OutputNamer names;
    for (const RowPdf& pdf : rowPdfs)
        names.Claim(pdf.path);
    return names.Claim(path);
}

void ConvertCommand::OnCombined(const QString& path, const QString& problem) {
    if (problem.isEmpty()) {
        m_combinedPath = path;
        if (!m_combine.keepSeparate) {
            for (int row : std::as_const(m_combinedRows)) {
                QFile::remove(m_queue.OutputPath(row));
                m_queue.SetOutputPath(row, {});
            }
        }
    } else {
        m_combineProblem = problem;
    }
    EndRun(m_runFailed, m_runTotal);
}

void ConvertCommand::EndRun(int failed, int total) {
    m_host.SetProgressVisible(false);
    SetStatus(rsStop);
    m_host.ShowRunning(false);

    const QString note = CombineNote(m_combinedPath, m_combineLeftOut, m_combineGone, m_combineProblem);
    const QString action = m_host.CompletionActionText();
    if (action == kShowMessage) {
        int warned = 0;
        for (int row : std::as_const(m_runRows))
            warned += m_queue.State(row) == RowState::ConvertedWithWarnings ? 1 : 0;
        const bool pdfsKept = m_combinedPath.isEmpty() || m_combine.keepSeparate;
        const QString message =
            EndOfRunMessage(total - failed - warned, warned, failed, m_runFolder, pdfsKept);
        m_host.ShowEndMessage(note.isEmpty() ? message : message + QStringLiteral("\n\n") + note,
                              m_combinedPath, failed > 0 || !m_combineProblem.isEmpty());
        return;
    }
    // A combine that failed, or left out a PDF that was gone, is told whatever the completion action.
    if (!m_combineProblem.isEmpty() || !m_combineGone.isEmpty())
        m_host.ShowMessage(note);
    if (action != kDoNothing)
        m_host.ExploreFolder(ResolvedTargetFolder(m_host.TargetFolderText()));
}

void ConvertCommand::SetStatus(TRunStatus status) {
    m_status = status;
    emit statusChanged(status);
}

} // namespace velmora
