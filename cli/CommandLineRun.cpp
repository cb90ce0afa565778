#include "CommandLineRun.h"

#include "CombinePdfs.h"
#include "CommandLine.h"
#include "Console.h"
#include "ProgressLine.h"
#include "RowFinish.h"
#include "classic/ConverterLocation.h"
#include "classic/WkhtmltopdfBackend.h"
#include "follow/LinkWalk.h"
#include "modern/BrowserLocation.h"
#include "modern/ChromiumBackend.h"
#include "platform/TerminationSignals.h"
#include "queue/SourceList.h"
#include "run/ConvertCommand.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace velmora {

namespace {

constexpr int kProgressRedrawMs = 1000;

void WriteLine(std::FILE* stream, const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream); // a script reading the lines sees each row as it ends
}

const QString kNotStartedReason = QStringLiteral("Not converted: the run was stopped.");

// The window's two setting controls, as loaded; only read here.
class StoredSettings final : public SettingsHost {
public:
    QString TargetFolderText() const override { return m_folder; }
    void SetTargetFolderText(const QString& text) override { m_folder = text; }
    QString CompletionActionText() const override { return m_action; }
    void SetCompletionActionText(const QString& text) override { m_action = CompletedAction(text); }

private:
    QString m_folder = DefaultTargetFolder();
    QString m_action = kOpenTargetFolder;
};

// The window's part in a run, played on the console: the lines printed are the end report, so the
// completion action is always "Do nothing".
class CommandLineRun final : public QObject, private RunHost {
public:
    CommandLineRun(const QString& programFolder, QString targetFolder, EngineFactory engine)
        : m_targetFolder(std::move(targetFolder)),
          m_command(m_queue, *this, programFolder, std::move(engine)) {
        connect(&m_queue, &ConversionQueue::dataChanged, this,
                [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                    ReportEndedRows(topLeft.row(), bottomRight.row());
                });
        connect(&m_command, &ConvertCommand::statusChanged, this, [this](TRunStatus status) {
            if (status == rsStop)
                m_loop.quit();
        });
        connect(&m_command.Runner(), &BatchRunner::rowStarted, this, [this] { m_started = true; });
    }

    BatchRunner& Runner() { return m_command.Runner(); }
    ConvertCommand& Command() { return m_command; }
    void SetFollow(const std::optional<FollowOptions>& follow) { m_follow = follow; }
    void SetDryRun(bool dryRun) { m_dryRun = dryRun; }

    int Exec(const QString& programName, const QStringList& sources) {
        const QList<RefusedSource> refused = AddSources(m_queue, sources);
        for (const RefusedSource& source : refused)
            WriteLine(
                stdout,
                QStringLiteral("failed\t%1\t%2").arg(OutputField(source.source), OutputField(source.reason)));
        if (m_follow)
            AddLinkedPages(programName);
        if (m_dryRun) {
            for (int row = 0; row < m_queue.RowCount(); ++row)
                WriteLine(stdout, OutputField(m_queue.SourceText(row)));
            return refused.isEmpty() ? kExitAllConverted : kExitSomeFailed;
        }
        if (m_queue.RowCount() == 0)
            return kExitSomeFailed;
        m_reported.fill(false, m_queue.RowCount());

        // Installed only now: until the run begins, Ctrl+C may end the program outright. Once it runs,
        // Ctrl+C (or SIGTERM, SIGHUP) stops it the way the Stop command does, so no unfinished file stays.
        connect(&TerminationSignals::Install(), &TerminationSignals::requested, this,
                [this](int signalNumber) {
                    if (m_endingSignal == 0)
                        m_endingSignal = signalNumber;
                    if (m_command.Status() == rsStart)
                        m_command.Execute(); // the Stop command
                });
        // The guess of the time left is redrawn between row ends too, so it counts down.
        QTimer redraw;
        if (StandardErrorIsTerminal()) {
            m_progress.emplace(stderr);
            connect(&redraw, &QTimer::timeout, this, &CommandLineRun::ShowProgress);
            redraw.start(kProgressRedrawMs);
        }
        m_clock.start();
        ShowProgress();

        m_command.Execute();
        // The converter may first be asked whether it runs, which ends the loop too when it cannot.
        if (m_command.Status() == rsStart)
            m_loop.exec();
        if (!m_started && m_endingSignal == 0) {
            if (m_progress)
                m_progress->Clear();
            const QString why =
                m_messages.isEmpty() ? QStringLiteral("Nothing was converted.") : m_messages.last();
            WriteLine(stderr, QStringLiteral("%1: %2").arg(programName, OutputField(why)));
            return kExitUsageError;
        }
        if (m_progress)
            m_progress->Clear();
        // A stopped run leaves rows that never started; each still gets its line.
        for (int row = 0; row < m_queue.RowCount(); ++row) {
            if (!m_reported.at(row))
                WriteLine(stdout, QStringLiteral("failed\t%1\t%2")
                                      .arg(OutputField(m_queue.SourceText(row)), kNotStartedReason));
        }

        if (m_endingSignal != 0)
            return kExitBySignal + m_endingSignal;
        if (const QString combined = m_command.CombinedPath(); !combined.isEmpty())
            WriteLine(stdout, QStringLiteral("combined\t%1").arg(OutputField(combined)));
        else if (const QString problem = m_command.CombineProblem(); !problem.isEmpty()) {
            WriteLine(stderr, QStringLiteral("%1: %2").arg(programName, OutputField(problem)));
            m_anyFailed = true;
        }
        // A combined file that lacks a converted row's document is not the whole result asked for.
        if (const QStringList& gone = m_command.CombineGone(); !gone.isEmpty()) {
            WriteLine(stderr,
                      QStringLiteral("%1: %2").arg(programName, OutputField(GonePdfsNote(gone, true))));
            m_anyFailed = true;
        }
        return m_anyFailed || !refused.isEmpty() ? kExitSomeFailed : kExitAllConverted;
    }

private:
    // Each source's linked pages go right after it; a page that could not be read is named on standard
    // error, and what else was passed by is counted there in one line.
    void AddLinkedPages(const QString& programName) {
        QStringList starts;
        for (int row = 0; row < m_queue.RowCount(); ++row)
            starts.append(m_queue.SourceText(row));
        LinkWalk walk(*m_follow);
        QEventLoop walking;
        connect(&walk, &LinkWalk::finished, &walking, &QEventLoop::quit);
        walk.Start(starts);
        if (walk.IsRunning())
            walking.exec();
        AddFoundPages(m_queue, walk.Found());
        for (const SkippedLink& link : walk.Skipped())
            if (link.kind == SkippedLink::Kind::Unreadable)
                WriteLine(stderr, QStringLiteral("%1: not read: %2: %3")
                                      .arg(programName, OutputField(link.address), OutputField(link.reason)));
        if (const QString summary = SkippedSummary(walk.Skipped()); !summary.isEmpty())
            WriteLine(stderr, QStringLiteral("%1: %2 linked pages found. %3")
                                  .arg(programName)
                                  .arg(walk.FoundCount())
                                  .arg(summary));
    }

    // RunHost
    QString TargetFolderText() const override { return m_targetFolder; }
    QString CompletionActionText() const override { return kDoNothing; }
    void ShowRunning(bool) override {}
    void SetProgressVisible(bool) override {}
    void SetProgress(int) override {}
    void ShowMessage(const QString& text) override { m_messages.append(text); }
    void ExploreFolder(const QString&) override {}

    void ReportEndedRows(int first, int last) {
        for (int row = first; row <= last && row < m_reported.size(); ++row) {
            const RowState state = m_queue.State(row);
            // Rows a stop never reached are not told: the run's end is (Ctrl+C, a signal).
            if (m_reported.at(row) || state == RowState::Waiting || state == RowState::Converting ||
                state == RowState::NotReached)
                continue;
            // A converted row is told once its PDF has its final name, which the queue learns next.
            if (state != RowState::Failed && m_queue.OutputPath(row).isEmpty())
                continue;
            m_reported[row] = true;
            ++m_reportedCount;
            if (m_progress)
                m_progress->Clear();
            WriteLine(stdout, RowLine(row, state));
            ShowProgress();
        }
    }

    QString RowLine(int row, RowState state) {
        const QString source = OutputField(m_queue.SourceText(row));
        const QString reason = OutputField(m_queue.Reason(row));
        switch (state) {
        case RowState::Converted:
            return QStringLiteral("converted\t%1\t%2").arg(source, OutputField(m_queue.OutputPath(row)));
        case RowState::ConvertedWithWarnings:
            return QStringLiteral("warning\t%1\t%2\t%3")
                .arg(source, OutputField(m_queue.OutputPath(row)), reason);
        default:
            m_anyFailed = true;
            return QStringLiteral("failed\t%1\t%2").arg(source, reason);
        }
    }

    void ShowProgress() {
        if (m_progress && m_reportedCount < m_queue.RowCount())
            m_progress->Show(ProgressText(m_reportedCount, m_queue.RowCount(), m_clock.elapsed()));
    }

    ConversionQueue m_queue;
    QString m_targetFolder;
    ConvertCommand m_command;
    QEventLoop m_loop;
    QStringList m_messages;
    QList<bool> m_reported;
    int m_reportedCount = 0;
    bool m_started = false;
    bool m_anyFailed = false;
    int m_endingSignal = 0; // the signal that stopped the run, if any
    std::optional<ProgressLine> m_progress;
    QElapsedTimer m_clock;
    std::optional<FollowOptions> m_follow;
    bool m_dryRun = false;
};

int UsageError(const QString& programName, const QString& error) {
    WriteLine(stderr, QStringLiteral("%1: %2").arg(programName, OutputField(error)));
    return kExitUsageError;
}

// The engine asked for, else the stored one, else the one that can run here. An explicit Modern that
// cannot run is a usage error (`error` set); a stored one falls back to Classic with a notice, as the
// window does.
EngineFactory ChooseEngine(std::optional<RenderingEngine> asked, const SettingsStore& store,
                           const QString& programFolder, const QString& programName, QString& error,
                           RenderingEngine& chosen) {
    const ProgramLocation browser = LocateBrowser(programFolder);
    const RenderingEngine engine =
        asked.value_or(store.Engine(DefaultEngine(LocateConverter(programFolder).found, browser.found)));
    chosen = RenderingEngine::Classic;
    if (engine == RenderingEngine::Classic)
        return MakeClassicEngine;
    chosen = RenderingEngine::Modern;
    if (browser.found)
        return MakeModernEngine;
    const QString unavailable = QStringLiteral("Chromium was not found. Looked for it in: %1.")
                                    .arg(browser.searched.join(QStringLiteral("; ")));
    if (asked) {
        error = QStringLiteral("--engine modern cannot run: %1").arg(unavailable);
        return {};
    }
    WriteLine(stderr, QStringLiteral("%1: the stored engine is Modern, but it cannot run (%2), so the "
                                     "Classic engine converts.")
                          .arg(programName, unavailable));
    chosen = RenderingEngine::Classic;
    return MakeClassicEngine;
}

// The sign-in the options ask for: their cookies and those of the files named, their headers, and the
// user with the password from its file, standard input or the environment. `error` says what is wrong.
SignIn SignInFor(const CommandLineOptions& options, QString& error) {
    SignIn signIn{options.cookies, options.headers, options.user, {}, {}};
    for (const QString& path : options.cookieFiles) {
        signIn.cookies += ReadCookiesFile(path, error);
        if (!error.isEmpty())
            return {};
    }
    if (options.user.isEmpty())
        return signIn;
    QByteArray password;
    if (options.passwordFile == QLatin1String("-")) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            error = QStringLiteral("The password could not be read from standard input.");
            return {};
        }
        password = input.readAll();
    } else if (!options.passwordFile.isEmpty()) {
        QFile file(options.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("The password file \"%1\" cannot be read (%2).")
                        .arg(options.passwordFile, file.errorString());
            return {};
        }
        password = file.readAll();
    } else if (qEnvironmentVariableIsSet(qPrintable(kPasswordVariable))) {
        password = qgetenv(qPrintable(kPasswordVariable));
    } else {
        error =
            QStringLiteral("--user needs a password: give it with --password-file FILE, --password-file - "
                           "(standard input) or the environment variable %1.")
                .arg(kPasswordVariable);
        return {};
    }
    // The first line: a file or a pipe ends it with a line break.
    signIn.password = QString::fromUtf8(password.split('\n').constFirst()).remove(QLatin1Char('\r'));
    return signIn;
}

// What the Classic engine cannot print when it comes from the page setup the window stored rather than
// from an option given: the engine alone would blame the user for an option they did not give.
QString StoredPageProblemForClassic(const CommandLineOptions& options, const PageSetup& page) {
    const PageSetup given = PageSetupFor(options, PageSetup());
    if (page.media == MediaStyle::Screen && given.media != MediaStyle::Screen)
        return QStringLiteral(
            "The page setup stored by the window prints pages as on screen, which the Classic "
            "engine cannot do; give --media print to print them with their print style, or "
            "--engine modern.");
    if (page.cssPageSize && !given.cssPageSize)
        return QStringLiteral(
            "The page setup stored by the window uses each page's own paper size, which the "
            "Classic engine cannot do; give --paper SIZE for one paper size, or "
            "--engine modern.");
    return {};
}

} // namespace

int RunCommandLine(const QStringList& arguments, const QString& programFolder, const SettingsStore& store) {
    const QString programName = QFileInfo(arguments.value(0)).fileName();
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    if (!parsed.error.isEmpty())
        return UsageError(programName, parsed.error);
    const CommandLineOptions& options = parsed.options;
    switch (options.action) {
    case CommandLineOptions::Action::Help:
        std::fputs(CommandLineHelp(programName).toUtf8().constData(), stdout);
        return kExitAllConverted;
    case CommandLineOptions::Action::Version:
        WriteLine(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                              QCoreApplication::applicationVersion());
        return kExitAllConverted;
    case CommandLineOptions::Action::Convert:
        break;
    }

    QStringList sources = options.sources;
    for (const QString& list : options.lists) {
        QString error;
        const std::optional<QStringList> listed = ReadSourceList(list, error);
        if (!listed)
            return UsageError(programName, error);
        sources += *listed;
    }
    if (sources.isEmpty())
        return UsageError(programName, QStringLiteral("No sources given: the lists named hold none."));

    const PageSetup page = PageSetupFor(options, store.Page());
    if (const QString problem = page.Problem(); !problem.isEmpty())
        return UsageError(programName, problem);

    QString signInError;
    const SignIn signIn = SignInFor(options, signInError);
    if (!signInError.isEmpty())
        return UsageError(programName, signInError);

    QString engineError;
    RenderingEngine chosen = RenderingEngine::Classic;
    EngineFactory engine =
        ChooseEngine(options.engine, store, programFolder, programName, engineError, chosen);
    if (!engine)
        return UsageError(programName, engineError);
    if (const QString stored = StoredPageProblemForClassic(options, page);
        chosen == RenderingEngine::Classic && !stored.isEmpty())
        return UsageError(programName, stored);

    StoredSettings stored;
    // As in the window, a stored value that cannot be read is reported and the defaults stand in.
    if (const QString error = store.LoadSettings(stored); !error.isEmpty())
        WriteLine(stderr, QStringLiteral("%1: %2").arg(programName, OutputField(error)));

    CommandLineRun run(programFolder, options.outputFolder.value_or(stored.TargetFolderText()),
                       std::move(engine));
    // Without --jobs, as many at once as the window's "Conversions at once" runs.
    run.Runner().SetParallelism(ConverterCountFor(options.jobs.value_or(store.ConversionsAtOnce())));
    if (options.timeoutSeconds)
        run.Runner().SetTimeoutMs(*options.timeoutSeconds * 1000);
    run.Runner().SetPageSetup(page);
    run.Runner().SetFinisher(pdf::RowFinisher());
    run.Runner().SetNameBy(options.nameBy.value_or(store.NamePdfsBy()));
    if (options.combine) {
        run.Command().SetCombine({true, *options.combine, store.Combine().keepSeparate, options.title,
                                   options.contents});
        run.Command().SetCombiner(pdf::Combiner());
    }
    run.Runner().SetLocalRoot(options.localRoot.value_or(store.LocalRoot()));
    if (options.follow) {
        FollowOptions follow;
        follow.depth = *options.follow;
        follow.within = options.within;
        follow.maxPages = options.maxPages.value_or(FollowOptions::kDefaultMaxPages);
        follow.localRoot = options.localRoot.value_or(store.LocalRoot());
        run.SetFollow(follow);
    }
    run.SetDryRun(options.dryRun);
    run.Runner().SetSignIn(signIn);
    return run.Exec(programName, sources);
}

} // namespace velmora
