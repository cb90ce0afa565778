#include "modern/ChromiumBackend.h"

#include "modern/BrowserLocation.h"
#include "modern/BrowserPipe.h"
#include "modern/DevToolsBrowser.h"
#include "modern/PageScripts.h"
#include "modern/PhaseTrace.h"
#include "modern/SignInProfile.h"
#include "render/PageLoadRules.h"
#include "render/PendingPdf.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace velmora {

namespace {

// Browser.close usually ends it within a fraction of a second.
constexpr int kShutWaitMs = 3000;
constexpr int kStreamChunkBytes = 1024 * 1024;

const QString kHungReason = QStringLiteral("The browser stopped answering.");
const QString kEndedReason = QStringLiteral("The browser ended unexpectedly.");

QString Text(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString();
}

// Counts the changes to the page's document from the first time it is asked on, and says how long ago
// the last one was (or the first question, if later), so that a page is printed once its scripts have
// stopped writing into it. It answers after the page's timers that are already due have run.
const QString kChangeProbe = QStringLiteral(R"(new Promise(resolve => setTimeout(() => {
  const key = Symbol.for('velmora.documentChanges');
  let watch = window[key];
  if (!watch) {
    watch = {changes: 0, last: performance.now()};
    new MutationObserver(() => { ++watch.changes; watch.last = performance.now(); })
      .observe(document, {subtree: true, childList: true, attributes: true, characterData: true});
    Object.defineProperty(window, key, {value: watch});
  }
  resolve({changes: watch.changes, quietMs: performance.now() - watch.last, title: document.title});
}, 0)))");

struct DocumentChanges {
    int count = -1; // -1: the page could not say
    double quietMs = 0;
    QString title; // the document's own; the PDF's Title is the address when it has none
};

QJsonObject ChangeProbe() {
    return {{QStringLiteral("expression"), kChangeProbe},
            {QStringLiteral("returnByValue"), true},
            {QStringLiteral("awaitPromise"), true}};
}

DocumentChanges ReadChanges(const QJsonObject& evaluated) {
    const QJsonObject value =
        evaluated.value(QLatin1String("result")).toObject().value(QLatin1String("value")).toObject();
    if (evaluated.contains(QLatin1String("exceptionDetails")) || !value.contains(QLatin1String("changes")))
        return {};
    return {value.value(QLatin1String("changes")).toInt(), value.value(QLatin1String("quietMs")).toDouble(),
            value.value(QLatin1String("title")).toString().simplified()};
}

// The value a page answered a question with, when it answered.
QJsonValue Answer(const QJsonObject& evaluated) {
    return evaluated.value(QLatin1String("result")).toObject().value(QLatin1String("value"));
}

// How often a wait asks the page again.
constexpr int kWaitPollMs = 100;

// A full disk is the usual reason, and the system's words for it differ from one system to the next.
QString WriteProblem(const QFile& file) {
    if (file.error() == QFileDevice::ResourceError)
        return kDiskFullReason;
    return QStringLiteral("The PDF file could not be written: %1.").arg(file.errorString());
}

// A write that fills the disk ends short without an error; only writing the rest sets the file's error.
bool WriteAll(QFile& file, const QByteArray& bytes) {
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

// How a refused file: address is named among the parts that could not be loaded.
QString DeniedFileNote(const QString& localRoot) {
    return localRoot.isEmpty() ? QStringLiteral("blocked: a web page may not read local files")
                               : QStringLiteral("blocked: outside the document's folder");
}

// The request's headers with the sign-in's headers added for a host of the run's rows, and taken out
// for any other: a redirect to another host carries on the headers its first request was given.
QJsonArray HeadersFor(const QJsonObject& requestHeaders, const SignIn& signIn, bool rowHost) {
    const auto ours = [&signIn](const QString& name) {
        return std::any_of(signIn.headers.cbegin(), signIn.headers.cend(), [&name](const HttpHeader& header) {
            return header.name.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    QJsonArray headers;
    for (auto it = requestHeaders.constBegin(); it != requestHeaders.constEnd(); ++it)
        if (!ours(it.key()))
            headers.append(
                QJsonObject{{QStringLiteral("name"), it.key()}, {QStringLiteral("value"), it.value()}});
    if (rowHost)
        for (const HttpHeader& header : signIn.headers)
            headers.append(
                QJsonObject{{QStringLiteral("name"), header.name}, {QStringLiteral("value"), header.value}});
    return headers;
}

QString BrowserUrl(const QString& source) {
    const QUrl asWebAddress(source);
    if (asWebAddress.scheme().size() > 1) // not a Windows drive letter
        return source;
    return QUrl::fromLocalFile(source).toString(QUrl::FullyEncoded);
}

} // namespace

struct ChromiumBackend::Row {
    enum class Stage { Opening, Loading, Preparing, Printing };

    int job = 0;
    quint64 serial = 0;
    RenderRequest request;
    Stage stage = Stage::Opening;
    bool mayRestartBrowser = true; // once per row, so that a browser that cannot open tabs ends a row
    QString targetId;
    QString sessionId;
    QStringList popups; // targets its page opened
    // The document the tab loads last is the one printed, whatever sent the tab there.
    QString mainRequestId;
    QString mainUrl;
    bool navigating = false; // a new main document is on its way
    bool loaded = false;     // the main document fired its load event
    struct Part {
        QString url;
        bool shows = false; // its failure is worth a warning
    };
    QHash<QString, Part> inFlight;  // by request id, sub-resources only
    QHash<QString, QString> denied; // file: addresses refused, by request id
    QSet<QString> signInsGiven; // addresses given the user name and password, so a wrong one is not retried
    QStringList missingParts;
    bool restless = false;     // a part or a document was asked for after printing began
    int changesAtPrint = -1;   // the document's change count when printing began
    QString title;             // the document's title when it was last asked
    bool unresponsive = false; // its page stopped answering, so its tab serves no other row
    int step = 0;              // counts waits, so that only the latest one goes on
    QFile output;
    QTimer settleLimit;
    bool settled = false;  // the settle limit passed: what is printed stands
    QString userStyle;     // the user's style sheet and hidden elements, as CSS
    bool prepared = false; // the document was made ready for printing
    QString waiting;       // what preparing waits for, as a sentence for a row that runs out of time
    QElapsedTimer scrolling;
    int scrollHeight = -1; // the page's height at the last step that reached its end
    PhaseTrace trace;
};

std::unique_ptr<RenderBackend> MakeModernEngine(const QString& programFolder) {
    const ProgramLocation browser = LocateBrowser(programFolder);
    return std::make_unique<ChromiumBackend>(browser.path, browser.searched);
}

ChromiumBackend::ChromiumBackend(QString browserProgram, QStringList searched, QObject* parent)
    : RenderBackend(parent), m_browserProgram(std::move(browserProgram)), m_searched(std::move(searched)) {
    m_closeWatch.setSingleShot(true);
    m_closeWatch.setInterval(kCloseAnswerMs);
    connect(&m_closeWatch, &QTimer::timeout, this, [this] {
        if (m_unansweredCloses > 0)
            DropBrowser(kHungReason);
    });
}

ChromiumBackend::~ChromiumBackend() {
    EndRun();
}

QFuture<QString> ChromiumBackend::StartProblem() {
    if (m_browserProgram.isEmpty() || !QFileInfo(m_browserProgram).isFile())
        return QtFuture::makeReadyFuture(kBrowserMissingMessage.arg(m_searched.join(QStringLiteral("; "))));
    QString reason;
    return EnsureBrowser(&reason) ? m_browser->Started() : QtFuture::makeReadyFuture(reason);
}

void ChromiumBackend::BeginRun(int parallelism) {
    m_parallelism = std::max(1, parallelism);
    m_profileCookies = SignInProfileCookies();
    QString reason;
    if (EnsureBrowser(&reason) && m_idleTabs.size() + m_tabsOpening == 0) // a failure shows in the
        OpenPoolTab(); // first row's Begin, which tries again; the tab is opened while the run starts
}

void ChromiumBackend::EndRun() {
    for (auto& [job, row] : m_rows)
        row->output.close();
    m_rows.clear();
    m_sessions.clear();
    m_endings.clear();
    m_closeWatch.stop();
    m_unansweredCloses = 0;
    m_idleTabs.clear();
    m_waitingForTab.clear();
    m_tabsOpening = 0;
    if (m_browser)
        Release(*m_browser.release()).Shut(kShutWaitMs);
}

// A browser on its way out stays this engine's until it has ended, so that it ends with the engine at the
// latest.
DevToolsBrowser& ChromiumBackend::Release(DevToolsBrowser& browser) {
    browser.disconnect(this);
    browser.setParent(this);
    return browser;
}

QString ChromiumBackend::ProfileFolder() const {
    return m_browser ? m_browser->ProfileFolder() : QString();
}

bool ChromiumBackend::EnsureBrowser(QString* reason) {
    if (m_browser && m_browser->IsRunning())
        return true;
    DropBrowser(kEndedReason); // one that ended before saying so fails its rows first
    auto browser = std::make_unique<DevToolsBrowser>(m_browserProgram);
    if (!browser->Start(reason))
        return false;
    connect(browser.get(), &DevToolsBrowser::event, this, &ChromiumBackend::OnBrowserEvent);
    connect(browser.get(), &DevToolsBrowser::broken, this, &ChromiumBackend::DropBrowser);
    m_browser = std::move(browser);
    // A download would only land in the throw-away profile; the row fails instead (see OnNavigated).
    m_browser->Send(QStringLiteral("Browser.setDownloadBehavior"),
                    {{QStringLiteral("behavior"), QStringLiteral("deny")}});
    // Tabs and windows a page opens are announced, so that each is closed when its row ends.
    m_browser->Send(QStringLiteral("Target.setDiscoverTargets"), {{QStringLiteral("discover"), true}});
    return true;
}

void ChromiumBackend::DiscardBrowser() {
    if (!m_browser)
        return;
    // This may run inside one of the browser's own signals, so it is deleted once that returns.
    Release(*m_browser.release()).Abandon();
    m_idleTabs.clear();
    m_waitingForTab.clear();
    m_tabsOpening = 0;
    m_closeWatch.stop();
    m_unansweredCloses = 0;
}

// Fails the rows in flight; the next row starts a fresh browser.
void ChromiumBackend::DropBrowser(const QString& reason) {
    if (!m_browser)
        return;
    DiscardBrowser();
    std::vector<Row*> inFlight;
    for (auto& [job, row] : m_rows)
        inFlight.push_back(row.get());
    for (Row* row : inFlight) {
        row->targetId.clear(); // its tab went with the browser
        End(*row, RowState::Failed, reason);
    }
}

// A browser whose helper processes are gone lives on but opens no more tabs: it is replaced, and the rows
// in flight begin again in the new one, each with its whole time.
void ChromiumBackend::RestartBrowser() {
    std::vector<std::pair<int, RenderRequest>> rows;
    for (const auto& [job, row] : m_rows)
        rows.emplace_back(job, row->request);
    m_rows.clear();
    m_sessions.clear();
    DiscardBrowser();
    for (const auto& [job, request] : rows) {
        Start(job, request, false);
        emit rowRestarted(job);
    }
}

void ChromiumBackend::Begin(int job, const RenderRequest& request) {
    Start(job, request, true);
}

void ChromiumBackend::Start(int job, const RenderRequest& request, bool mayRestartBrowser) {
    QString browserProblem;
    const bool browserReady = EnsureBrowser(&browserProblem); // before this row is in flight
    auto owned = std::make_unique<Row>();
    Row& row = *owned;
    row.job = job;
    row.serial = m_nextSerial++;
    row.request = request;
    row.mayRestartBrowser = mayRestartBrowser;
    row.settleLimit.setSingleShot(true);
    row.settleLimit.setInterval(kSettleLimitMs);
    const quint64 serial = row.serial;
    connect(&row.settleLimit, &QTimer::timeout, this, [this, serial] {
        Row* r = Find(serial);
        if (!r)
            return;
        r->settled = true;
        if (r->stage == Row::Stage::Loading)
            Print(*r);
    });
    m_endings.remove(job);
    m_rows[job] = std::move(owned);

    row.output.setFileName(request.temporaryPath);
    // Unbuffered: the PDF comes in large chunks, and a write that fails says why at once.
    if (!row.output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        End(row, RowState::Failed, WriteProblem(row.output));
        return;
    }
    if (!browserReady) {
        End(row, RowState::Failed, browserProblem);
        return;
    }
    QString styleProblem;
    row.userStyle = UserStyle(request.page.loading, &styleProblem);
    if (!styleProblem.isEmpty()) {
        End(row, RowState::Failed, styleProblem);
        return;
    }
    WaitForTab(row);
}

QString ChromiumBackend::Abort(int job) {
    m_endings.remove(job);
    const auto found = m_rows.find(job);
    if (found == m_rows.end())
        return {};
    std::unique_ptr<Row> row = std::move(found->second);
    m_rows.erase(found);
    m_sessions.remove(row->sessionId);
    m_waitingForTab.removeOne(row->serial);
    row->output.close();
    for (const QString& popup : row->popups)
        CloseTarget(popup, false);
    if (!row->targetId.isEmpty())
        CloseTarget(row->targetId, true);
    switch (row->stage) {
    case Row::Stage::Opening:
        return QStringLiteral("The browser had not opened the page yet.");
    case Row::Stage::Loading:
        if (!row->loaded)
            return QStringLiteral("The page had not finished loading.");
        return QStringLiteral("The page had finished loading but kept fetching %1 more parts.")
            .arg(row->inFlight.size());
    case Row::Stage::Preparing:
        return row->waiting.isEmpty() ? QStringLiteral("The page was being made ready for printing.")
                                      : row->waiting;
    case Row::Stage::Printing:
        return QStringLiteral("The page was being printed.");
    }
    return {};
}

ChromiumBackend::Row* ChromiumBackend::Find(quint64 serial) const {
    for (const auto& [job, row] : m_rows)
        if (row->serial == serial)
            return row.get();
    return nullptr;
}

// The row whose tab this is, or whose page opened it.
ChromiumBackend::Row* ChromiumBackend::FindByTarget(const QString& targetId) const {
    for (const auto& [job, row] : m_rows)
        if (row->targetId == targetId || row->popups.contains(targetId))
            return row.get();
    return nullptr;
}

void ChromiumBackend::Command(Row& row, const QString& method, const QJsonObject& params, bool inSession,
                              Step next) {
    const quint64 serial = row.serial;
    m_browser->Send(method, params, inSession ? row.sessionId : QString(),
                    [this, serial, method, next](const QJsonObject& result, const QString& error) {
                        Row* r = Find(serial);
                        if (!r)
                            return;
                        if (!error.isEmpty())
                            Fail(*r, QStringLiteral("The browser refused %1: %2").arg(method, error));
                        else if (next)
                            next(*r, result);
                    });
}

// Asks the row's page and goes on with whatever it answers (an empty result for an error); when silent is
// given and the page has not answered within kAnswerMs, goes on with that instead.
void ChromiumBackend::Ask(Row& row, const QString& method, const QJsonObject& params, Step answered,
                          std::function<void(Row&)> silent) {
    const quint64 serial = row.serial;
    const int step = ++row.step;
    m_browser->Send(method, params, row.sessionId,
                    [this, serial, step, answered](const QJsonObject& result, const QString& error) {
                        if (Row* r = Find(serial); r && r->step == step) {
                            ++r->step;
                            answered(*r, error.isEmpty() ? result : QJsonObject());
                        }
                    });
    if (silent)
        QTimer::singleShot(kAnswerMs, this, [this, serial, step, silent] {
            if (Row* r = Find(serial); r && r->step == step) {
                ++r->step;
                silent(*r);
            }
        });
}

// Goes on after ms unless the row ended or took another step meanwhile.
void ChromiumBackend::Later(Row& row, int ms, std::function<void(Row&)> then) {
    const quint64 serial = row.serial;
    const int step = ++row.step;
    QTimer::singleShot(ms, this, [this, serial, step, then] {
        if (Row* r = Find(serial); r && r->step == step) {
            ++r->step;
            then(*r);
        }
    });
}

void ChromiumBackend::OpenTab(TabReady ready) {
    auto fail = [ready](const QString& targetId, const QString& error) { ready(targetId, {}, error); };
    m_browser->Send(
        QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), QStringLiteral("about:blank")}}, {},
        [this, ready, fail](const QJsonObject& created, const QString& error) {
            const QString targetId = Text(created, "targetId");
            if (!error.isEmpty() || targetId.isEmpty())
                return fail(targetId, error);
            m_browser->Send(
                QStringLiteral("Target.attachToTarget"),
                {{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}}, {},
                [this, ready, fail, targetId](const QJsonObject& attached, const QString& error) {
                    const QString sessionId = Text(attached, "sessionId");
                    if (!error.isEmpty() || sessionId.isEmpty())
                        return fail(targetId, error);
                    // Every file: request passes the local-folder rule, web pages included (they
                    // may read none). Commands of one session are handled in order, so the last
                    // reply says all are on.
                    const QJsonArray patterns{
                        QJsonObject{{QStringLiteral("urlPattern"), QStringLiteral("file:*")}}};
                    m_browser->Send(QStringLiteral("Fetch.enable"), {{QStringLiteral("patterns"), patterns}},
                                    sessionId);
                    m_browser->Send(QStringLiteral("Network.enable"), {}, sessionId);
                    m_browser->Send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
                                    {{QStringLiteral("source"), page_scripts::PageWatch()}}, sessionId);
                    m_browser->Send(QStringLiteral("Page.enable"), {}, sessionId,
                                    [ready, targetId, sessionId](const QJsonObject&, const QString& error) {
                                        ready(targetId, sessionId, error);
                                    });
                });
        });
}

// Opens a tab for the pool; the first row waiting gets it.
void ChromiumBackend::OpenPoolTab() {
    ++m_tabsOpening;
    OpenTab([this](const QString& targetId, const QString& sessionId, const QString& error) {
        --m_tabsOpening;
        if (error.isEmpty()) {
            m_idleTabs.append({targetId, sessionId});
            HandOutTabs();
            return;
        }
        if (!targetId.isEmpty())
            CloseTarget(targetId, false);
        if (!m_waitingForTab.isEmpty())
            if (Row* row = Find(m_waitingForTab.takeFirst()))
                Fail(*row, QStringLiteral("The browser could not open a tab: %1").arg(error));
    });
}

void ChromiumBackend::WaitForTab(Row& row) {
    m_waitingForTab.append(row.serial);
    if (m_idleTabs.size() + m_tabsOpening < m_waitingForTab.size())
        OpenPoolTab();
    HandOutTabs();
    if (row.stage == Row::Stage::Opening && row.mayRestartBrowser)
        QTimer::singleShot(kTabOpenLimitMs, this, [this, serial = row.serial] {
            if (const Row* r = Find(serial); r && r->stage == Row::Stage::Opening && r->mayRestartBrowser)
                RestartBrowser();
        });
}

void ChromiumBackend::HandOutTabs() {
    while (!m_idleTabs.isEmpty() && !m_waitingForTab.isEmpty())
        if (Row* row = Find(m_waitingForTab.takeFirst()))
            UseTab(*row, m_idleTabs.takeFirst());
}

void ChromiumBackend::UseTab(Row& row, const Tab& tab) {
    row.targetId = tab.targetId;
    row.sessionId = tab.sessionId;
    m_sessions.insert(tab.sessionId, row.serial);
    row.trace.Mark("tab");
    if (!tab.used) {
        Navigate(row);
        return;
    }
    // A page may go on running after its row ended (a loop it started once printed), or its tab may be
    // gone; the tab serves the next row only if it answers at once, else the row gets a fresh tab.
    Ask(
        row, QStringLiteral("Runtime.evaluate"), {{QStringLiteral("expression"), QStringLiteral("0")}},
        [this](Row& r, const QJsonObject& answer) {
            if (answer.isEmpty()) // an error: the tab crashed or was closed
                ReplaceTab(r);
            else
                Navigate(r);
        },
        [this](Row& r) { ReplaceTab(r); });
}

// Closes the tab the row took from the pool and has it wait for another.
void ChromiumBackend::ReplaceTab(Row& row) {
    ++row.step; // what the old tab answers no longer matters
    CloseTarget(row.targetId, false);
    m_sessions.remove(row.sessionId);
    row.targetId.clear();
    row.sessionId.clear();
    WaitForTab(row);
}

// A tab lost while the row was still asking whether it answers is one from the pool, not the row's page:
// the row gets another.
void ChromiumBackend::LoseTab(Row& row, const QString& reason) {
    if (row.stage == Row::Stage::Opening)
        ReplaceTab(row);
    else
        Fail(row, reason);
}

// A pooled tab whose page crashed or whose target is gone would fail the row it was handed to.
void ChromiumBackend::EvictIdleTab(const QString& targetId, const QString& sessionId) {
    const auto gone = std::find_if(m_idleTabs.cbegin(), m_idleTabs.cend(), [&](const Tab& tab) {
        return tab.targetId == targetId || tab.sessionId == sessionId;
    });
    if (gone == m_idleTabs.cend())
        return;
    CloseTarget(gone->targetId, false); // a crashed tab stays open until it is closed
    m_idleTabs.erase(gone);
}

// Cookies live in the browser, each for its own host. Headers and credentials are given request by
// request, only to the hosts of the run's rows, so every request is seen; file: requests always are.
void ChromiumBackend::Navigate(Row& row) {
    row.stage = Row::Stage::Loading;
    const SignIn& signIn = row.request.signIn;
    if (const QList<Cookie> cookies = signIn.CookiesForHosts() + m_profileCookies; !cookies.isEmpty())
        Command(row, QStringLiteral("Network.setCookies"),
                {{QStringLiteral("cookies"), CookieParams(cookies)}}, true, {});
    if (!signIn.headers.isEmpty() || !signIn.user.isEmpty())
        Command(row, QStringLiteral("Fetch.enable"),
                {{QStringLiteral("patterns"),
                  QJsonArray{QJsonObject{{QStringLiteral("urlPattern"), QStringLiteral("*")}}}},
                 {QStringLiteral("handleAuthRequests"), !signIn.user.isEmpty()}},
                true, {});
    Command(row, QStringLiteral("Page.navigate"), {{QStringLiteral("url"), BrowserUrl(row.request.source)}},
            true, [this](Row& r, const QJsonObject& result) { OnNavigated(r, result); });
}

void ChromiumBackend::OnNavigated(Row& row, const QJsonObject& result) {
    row.trace.Mark("navigated");
    const QString errorText = Text(result, "errorText");
    if (result.value(QLatin1String("isDownload")).toBool())
        Fail(row, QStringLiteral("The address leads to a file to download, not to a page."));
    else if (!errorText.isEmpty())
        FailAfterEarlierEvents(row, NetErrorReason(errorText, row.request.source));
    else if (!result.contains(QLatin1String("loaderId"))) // the tab already shows this document
        Command(row, QStringLiteral("Page.reload"), {}, true, {});
}

// A renderer that dies takes its navigation with it, and the browser tells of the crash only after it
// answered the navigation: the row fails once the browser has answered a question asked now, so that
// any crash it told of before fails it first, with its own reason.
void ChromiumBackend::FailAfterEarlierEvents(Row& row, const QString& reason) {
    Command(row, QStringLiteral("Browser.getVersion"), {}, false,
            [this, reason](Row& r, const QJsonObject&) { Fail(r, reason); });
}

void ChromiumBackend::OnBrowserEvent(const QString& method, const QJsonObject& params,
                                     const QString& sessionId) {
    if (method == QLatin1String("Target.detachedFromTarget")) {
        EvictIdleTab(Text(params, "targetId"), Text(params, "sessionId"));
        if (Row* row = Find(m_sessions.value(Text(params, "sessionId"))))
            LoseTab(*row, QStringLiteral("The browser closed the page's tab unexpectedly."));
        return;
    }
    if (method == QLatin1String("Target.targetCrashed") ||
        method == QLatin1String("Target.targetDestroyed")) {
        EvictIdleTab(Text(params, "targetId"), {});
        return;
    }
    if (method == QLatin1String("Target.targetCreated")) {
        OnTargetCreated(params.value(QLatin1String("targetInfo")).toObject());
        return;
    }
    if (method == QLatin1String("Page.javascriptDialogOpening") && !sessionId.isEmpty()) {
        // Nobody is there to answer, and the page stands still while its dialog is open: each one is
        // dismissed as it opens, in an idle tab too. A page being left is let go.
        m_browser->Send(QStringLiteral("Page.handleJavaScriptDialog"),
                        {{QStringLiteral("accept"), Text(params, "type") == QLatin1String("beforeunload")}},
                        sessionId);
        return;
    }
    if (Row* row = Find(m_sessions.value(sessionId)); row && !sessionId.isEmpty())
        OnPageEvent(*row, method, params);
}

// A tab or window a page opened (window.open) is closed with its row, or at once when its row has ended.
void ChromiumBackend::OnTargetCreated(const QJsonObject& targetInfo) {
    const QString opener = Text(targetInfo, "openerId");
    if (opener.isEmpty()) // one of this engine's own tabs
        return;
    const QString targetId = Text(targetInfo, "targetId");
    if (Row* row = FindByTarget(opener))
        row->popups.append(targetId);
    else
        CloseTarget(targetId, false);
}

void ChromiumBackend::OnPageEvent(Row& row, const QString& method, const QJsonObject& params) {
    const QString requestId = Text(params, "requestId");
    if (method == QLatin1String("Fetch.requestPaused")) {
        const QJsonObject request = params.value(QLatin1String("request")).toObject();
        const QString url = Text(request, "url");
        const SignIn& signIn = row.request.signIn;
        if (!QUrl(url).isLocalFile()) {
            QJsonObject answer{{QStringLiteral("requestId"), requestId}};
            if (!signIn.headers.isEmpty())
                answer.insert(QStringLiteral("headers"),
                              HeadersFor(request.value(QLatin1String("headers")).toObject(), signIn,
                                         signIn.IsRowHost(QUrl(url).host())));
            // A request the page called off meanwhile cannot be continued, which is no fault of the row.
            m_browser->Send(QStringLiteral("Fetch.continueRequest"), answer, row.sessionId);
        } else if (MayReadFile(url, row.request.localRoot)) {
            Command(row, QStringLiteral("Fetch.continueRequest"), {{QStringLiteral("requestId"), requestId}},
                    true, {});
        } else {
            row.denied.insert(Text(params, "networkId"), url);
            Command(row, QStringLiteral("Fetch.failRequest"),
                    {{QStringLiteral("requestId"), requestId},
                     {QStringLiteral("errorReason"), QStringLiteral("AccessDenied")}},
                    true, {});
        }
    } else if (method == QLatin1String("Fetch.authRequired")) {
        // Given once per address, to a server of the run's rows alone (never a proxy); a server that asks
        // again refused them, and its answer (401) fails the row.
        const QJsonObject challenge = params.value(QLatin1String("authChallenge")).toObject();
        const QString url = Text(params.value(QLatin1String("request")).toObject(), "url");
        const SignIn& signIn = row.request.signIn;
        const bool give = !signIn.user.isEmpty() && Text(challenge, "source") != QLatin1String("Proxy") &&
                          signIn.IsRowHost(QUrl(url).host()) && !row.signInsGiven.contains(url);
        QJsonObject response{{QStringLiteral("response"),
                              give ? QStringLiteral("ProvideCredentials") : QStringLiteral("CancelAuth")}};
        if (give) {
            row.signInsGiven.insert(url);
            response.insert(QStringLiteral("username"), signIn.user);
            response.insert(QStringLiteral("password"), signIn.password);
        }
        m_browser->Send(
            QStringLiteral("Fetch.continueWithAuth"),
            {{QStringLiteral("requestId"), requestId}, {QStringLiteral("authChallengeResponse"), response}},
            row.sessionId);
    } else if (method == QLatin1String("Network.requestWillBeSent")) {
        const QString url = Text(params.value(QLatin1String("request")).toObject(), "url");
        if (Text(params, "type") == QLatin1String("Document") && Text(params, "frameId") == row.targetId) {
            OnMainRequest(row, requestId, url);
        } else if (!url.startsWith(QLatin1String("data:"))) {
            row.inFlight.insert(
                requestId,
                {url, ShowsInPrint(Text(params, "type"),
                                   Text(params.value(QLatin1String("initiator")).toObject(), "type"))});
            row.restless = row.restless || row.stage != Row::Stage::Loading;
        }
    } else if (method == QLatin1String("Page.frameNavigated")) {
        if (Text(params.value(QLatin1String("frame")).toObject(), "id") == row.targetId) {
            // A new document: what the one before loaded or missed is no longer printed.
            row.loaded = false;
            row.settleLimit.stop();
            row.settled = false;
            row.missingParts.clear();
            CancelPreparation(row);
            row.prepared = false;
        }
    } else if (method == QLatin1String("Network.responseReceived")) {
        const QJsonObject response = params.value(QLatin1String("response")).toObject();
        const int status = response.value(QLatin1String("status")).toInt();
        const QString statusReason = HttpStatusReason(status, Text(response, "statusText"));
        if (requestId == row.mainRequestId && !statusReason.isEmpty()) {
            Fail(row, statusReason);
            return;
        }
        if (const Row::Part part = row.inFlight.value(requestId); part.shows && status >= 400)
            row.missingParts.append(QStringLiteral("%1 (%2)").arg(part.url).arg(status));
    } else if (method == QLatin1String("Network.loadingFailed")) {
        const bool canceled = params.value(QLatin1String("canceled")).toBool();
        if (requestId == row.mainRequestId) {
            row.navigating = false;
            // Called off (a download, an answer with no page, another navigation first): the document
            // already there stays. For the row's own address, the navigation's answer tells why.
            if (!canceled) {
                Fail(row, NetErrorReason(Text(params, "errorText"), row.mainUrl));
                return;
            }
        }
        const Row::Part part = row.inFlight.take(requestId);
        if (const QString file = row.denied.take(requestId); !file.isEmpty())
            row.missingParts.append(
                QStringLiteral("%1 (%2)").arg(file, DeniedFileNote(row.request.localRoot)));
        else if (part.shows && !canceled)
            row.missingParts.append(part.url);
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Network.loadingFinished")) {
        if (requestId == row.mainRequestId)
            row.navigating = false;
        row.inFlight.remove(requestId);
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Page.loadEventFired")) {
        if (!row.loaded) {
            row.trace.Mark("loaded");
            row.loaded = true;
            row.settleLimit.start();
        }
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Inspector.targetCrashed")) {
        LoseTab(row, QStringLiteral("The browser's renderer crashed on this page."));
    }
}

// Every document the tab's own frame asks for replaces the one before: the address itself, a redirect,
// or one the page sends the tab on to (a script, a refresh). The row's outcome follows the last.
void ChromiumBackend::OnMainRequest(Row& row, const QString& requestId, const QString& url) {
    row.mainRequestId = requestId;
    row.mainUrl = url;
    row.navigating = true;
    row.restless = row.restless || row.stage != Row::Stage::Loading;
    CancelPreparation(row);
}

void ChromiumBackend::PrintIfQuiet(Row& row) {
    if (row.stage == Row::Stage::Loading && row.loaded && !row.navigating && row.inFlight.isEmpty())
        row.prepared ? Print(row) : Prepare(row);
}

// Each step goes on to the next once done; a page that does not answer is taken as it is, except while
// it is waited for. A new document on its way ends the steps (see CancelPreparation), and its own load
// begins them again.
void ChromiumBackend::Prepare(Row& row) {
    row.stage = Row::Stage::Preparing;
    row.trace.Mark("prepare");
    AwaitRedirect(row);
}

// A page may send the browser on shortly after its load, by a timer or a refresh; it is waited for.
void ChromiumBackend::AwaitRedirect(Row& row) {
    Ask(
        row, QStringLiteral("Runtime.evaluate"), page_scripts::Evaluation(page_scripts::PendingRedirectMs()),
        [this](Row& r, const QJsonObject& result) {
            const int ms = Answer(result).toInt();
            if (ms > 0)
                Later(r, ms + 20, [this](Row& later) { AwaitRedirect(later); });
            else
                AwaitDelay(r);
        },
        [this](Row& r) { AwaitDelay(r); });
}

void ChromiumBackend::AwaitDelay(Row& row) {
    const int delay = row.request.page.loading.delayMs;
    if (delay <= 0) {
        AwaitElement(row);
        return;
    }
    row.waiting = QStringLiteral("The page was waited for %1 ms after its load.").arg(delay);
    Later(row, delay, [this](Row& r) { AwaitElement(r); });
}

void ChromiumBackend::AwaitElement(Row& row) {
    const QString selector = row.request.page.loading.waitFor;
    if (selector.isEmpty()) {
        AwaitExpression(row);
        return;
    }
    row.waiting = WaitForReason(selector);
    const auto again = [this](Row& r) { Later(r, kWaitPollMs, [this](Row& later) { AwaitElement(later); }); };
    Ask(
        row, QStringLiteral("Runtime.evaluate"),
        page_scripts::Evaluation(page_scripts::ElementExists(selector)),
        [this, again, selector](Row& r, const QJsonObject& result) {
            const QJsonValue found = Answer(result);
            if (found.toString() == QLatin1String("invalid"))
                Fail(r,
                     QStringLiteral("\"%1\" is not a CSS selector the browser understands.").arg(selector));
            else if (found.toBool())
                AwaitExpression(r);
            else
                again(r);
        },
        again);
}

void ChromiumBackend::AwaitExpression(Row& row) {
    const QString expression = row.request.page.loading.waitUntil;
    if (expression.isEmpty()) {
        AddStyle(row);
        return;
    }
    row.waiting = WaitUntilReason(expression);
    const auto again = [this](Row& r) {
        Later(r, kWaitPollMs, [this](Row& later) { AwaitExpression(later); });
    };
    Ask(
        row, QStringLiteral("Runtime.evaluate"),
        page_scripts::Evaluation(page_scripts::ExpressionTrue(expression)),
        [this, again, expression](Row& r, const QJsonObject& result) {
            const QJsonValue value = Answer(result);
            if (value.toString() == QLatin1String("invalid"))
                Fail(r, QStringLiteral("\"%1\" is not a JavaScript expression the browser can read.")
                            .arg(expression));
            else if (value.toBool())
                AddStyle(r);
            else
                again(r);
        },
        again);
}

void ChromiumBackend::AddStyle(Row& row) {
    row.waiting.clear();
    if (row.userStyle.isEmpty()) {
        OpenDetails(row);
        return;
    }
    const auto next = [this](Row& r) { OpenDetails(r); };
    Ask(
        row, QStringLiteral("Runtime.evaluate"),
        page_scripts::Evaluation(page_scripts::AddStyle(row.userStyle)),
        [next](Row& r, const QJsonObject&) { next(r); }, next);
}

void ChromiumBackend::OpenDetails(Row& row) {
    if (!row.request.page.loading.openDetails) {
        StartScrolling(row);
        return;
    }
    const auto next = [this](Row& r) { StartScrolling(r); };
    Ask(
        row, QStringLiteral("Runtime.evaluate"), page_scripts::Evaluation(page_scripts::OpenDetails()),
        [next](Row& r, const QJsonObject&) { next(r); }, next);
}

// Only a page that watches its scrolling (an intersection observer, a scroll handler) is scrolled: the
// others show the same whether scrolled or not, and scrolling a long page costs time.
void ChromiumBackend::StartScrolling(Row& row) {
    if (!row.request.page.loading.scroll) {
        Prepared(row);
        return;
    }
    Ask(
        row, QStringLiteral("Runtime.evaluate"), page_scripts::Evaluation(page_scripts::WatchesScrolling()),
        [this](Row& r, const QJsonObject& result) {
            if (!Answer(result).toBool()) {
                Prepared(r);
                return;
            }
            r.trace.Mark("scroll");
            r.scrolling.start();
            r.scrollHeight = -1;
            Scroll(r);
        },
        [this](Row& r) { Prepared(r); });
}

// A screen at a time down to the end; at the end, once the page fetches nothing more and has not grown
// since the step before, back to the top. Bounded by a height and a time.
void ChromiumBackend::Scroll(Row& row) {
    const auto toTop = [this](Row& r) {
        const auto next = [this](Row& top) { Prepared(top); };
        Ask(
            r, QStringLiteral("Runtime.evaluate"), page_scripts::Evaluation(page_scripts::ScrollToTop()),
            [next](Row& top, const QJsonObject&) { next(top); }, next);
    };
    Ask(
        row, QStringLiteral("Runtime.evaluate"), page_scripts::Evaluation(page_scripts::ScrollStep()),
        [this, toTop](Row& r, const QJsonObject& result) {
            const QJsonObject step = Answer(result).toObject();
            const int height = step.value(QLatin1String("height")).toInt();
            if (step.isEmpty() || step.value(QLatin1String("y")).toInt() >= kScrollMaxHeightPx ||
                r.scrolling.elapsed() >= kScrollLimitMs) {
                toTop(r);
                return;
            }
            if (!step.value(QLatin1String("end")).toBool()) {
                Scroll(r);
                return;
            }
            const bool settled = r.inFlight.isEmpty() && height == r.scrollHeight;
            r.scrollHeight = r.inFlight.isEmpty() ? height : -1;
            if (settled)
                toTop(r);
            else
                Later(r, kWaitPollMs, [this](Row& later) { Scroll(later); });
        },
        toTop);
}

// What the steps did counts as part of the page's load: the settle limit starts again, and the page is
// printed once it is quiet.
void ChromiumBackend::Prepared(Row& row) {
    row.trace.Mark("prepared");
    row.waiting.clear();
    row.prepared = true;
    row.stage = Row::Stage::Loading;
    row.settled = false;
    row.settleLimit.start();
    PrintIfQuiet(row);
}

// A new document is on its way: what was being done to the one before no longer matters.
void ChromiumBackend::CancelPreparation(Row& row) {
    if (row.stage != Row::Stage::Preparing)
        return;
    ++row.step;
    row.waiting.clear();
    row.stage = Row::Stage::Loading;
}

void ChromiumBackend::Print(Row& row) {
    row.stage = Row::Stage::Printing;
    row.restless = false;
    const PageSetup& page = row.request.page;
    const QSizeF paper = page.PaperSizeMm() / kMmPerInch;
    // A tab serves row after row, so the style is set for each; empty ends an earlier emulation.
    m_browser->Send(
        QStringLiteral("Emulation.setEmulatedMedia"),
        {{QStringLiteral("media"), page.media == MediaStyle::Screen ? QStringLiteral("screen") : QString()}},
        row.sessionId);
    QJsonObject params{
        {QStringLiteral("printBackground"), page.backgrounds},
        {QStringLiteral("paperWidth"), paper.width()},
        {QStringLiteral("paperHeight"), paper.height()},
        {QStringLiteral("scale"), page.scalePercent / 100.0},
        {QStringLiteral("preferCSSPageSize"), page.cssPageSize},
        {QStringLiteral("transferMode"), QStringLiteral("ReturnAsStream")},
        // Bookmarks from the page's headings, and the structure screen readers follow.
        {QStringLiteral("generateDocumentOutline"), true},
        {QStringLiteral("generateTaggedPDF"), true},
    };
    // Without margins of its own choosing the browser keeps its own (1 cm).
    if (const std::optional<QMarginsF> margins = page.PrintMarginsMm()) {
        params.insert(QStringLiteral("marginTop"), margins->top() / kMmPerInch);
        params.insert(QStringLiteral("marginRight"), margins->right() / kMmPerInch);
        params.insert(QStringLiteral("marginBottom"), margins->bottom() / kMmPerInch);
        params.insert(QStringLiteral("marginLeft"), margins->left() / kMmPerInch);
    }
    // The document's change count as printing begins tells afterwards whether the PDF shows its latest.
    const auto print = [this, params](Row& r, int changes) {
        r.changesAtPrint = changes;
        r.trace.Mark("print");
        Command(r, QStringLiteral("Page.printToPDF"), params, true,
                [this](Row& printed, const QJsonObject& result) {
                    printed.trace.Mark("printed");
                    const QString stream = Text(result, "stream");
                    if (stream.isEmpty())
                        Fail(printed, QStringLiteral("The browser printed the page but handed over no PDF."));
                    else
                        ReadStream(printed, stream);
                });
    };
    Ask(
        row, QStringLiteral("Runtime.evaluate"), ChangeProbe(),
        [print](Row& r, const QJsonObject& result) {
            const DocumentChanges now = ReadChanges(result);
            r.title = now.title;
            print(r, now.count);
        },
        [print](Row& r) { print(r, -1); });
}

void ChromiumBackend::ReadStream(Row& row, const QString& stream) {
    Command(
        row, QStringLiteral("IO.read"),
        {{QStringLiteral("handle"), stream}, {QStringLiteral("size"), kStreamChunkBytes}}, true,
        [this, stream](Row& r, const QJsonObject& chunk) {
            const QString data = Text(chunk, "data");
            const QByteArray bytes = chunk.value(QLatin1String("base64Encoded")).toBool()
                                         ? QByteArray::fromBase64(data.toLatin1())
                                         : data.toUtf8();
            if (!WriteAll(r.output, bytes)) {
                Fail(r, WriteProblem(r.output));
                return;
            }
            if (!chunk.value(QLatin1String("eof")).toBool()) {
                ReadStream(r, stream);
                return;
            }
            r.trace.Mark("pdf");
            m_browser->Send(QStringLiteral("IO.close"), {{QStringLiteral("handle"), stream}}, r.sessionId);
            CheckQuiet(r);
        });
}

// What was printed stands once the page has neither fetched nor changed since printing began, and its
// document has been still for kQuietMs; else the page is printed again once it is quiet. After the
// settle limit, what was printed stands. A page that does not answer is left as printed.
void ChromiumBackend::CheckQuiet(Row& row) {
    Ask(
        row, QStringLiteral("Runtime.evaluate"), ChangeProbe(),
        [this](Row& r, const QJsonObject& result) {
            const DocumentChanges now = ReadChanges(result); // one that cannot say counts as still
            if (now.count >= 0)
                r.title = now.title;
            const bool stale = r.restless || (now.count >= 0 && now.count != r.changesAtPrint);
            if (stale && r.settled)
                Succeed(r);
            else if (now.count >= 0 && now.quietMs < kQuietMs)
                Later(r, int(kQuietMs - now.quietMs) + 1, [this](Row& later) { CheckQuiet(later); });
            else if (stale)
                PrintAgain(r);
            else
                Succeed(r);
        },
        [this](Row& r) {
            r.unresponsive = true;
            Succeed(r);
        });
}

void ChromiumBackend::PrintAgain(Row& row) {
    if (!row.output.seek(0) || !row.output.resize(0)) {
        Fail(row, WriteProblem(row.output));
        return;
    }
    row.stage = Row::Stage::Loading;
    PrintIfQuiet(row);
}

void ChromiumBackend::Succeed(Row& row) {
    if (!row.output.flush()) {
        Fail(row, WriteProblem(row.output));
        return;
    }
    if (!row.title.isEmpty())
        emit pageTitle(row.job, row.title);
    const QString warning = MissingPartsReason(row.missingParts);
    End(row, warning.isEmpty() ? RowState::Converted : RowState::ConvertedWithWarnings, warning);
}

void ChromiumBackend::Fail(Row& row, const QString& reason) {
    End(row, RowState::Failed, reason);
}

// Removes the row and reports it once control is back in the event loop, so that whatever the run does
// in answer (begin the next row, end the run) never happens inside one of the browser's signals.
void ChromiumBackend::End(Row& row, RowState state, const QString& reason) {
    const int job = row.job;
    row.trace.Mark("done");
    qCDebug(lcModernPhases).noquote()
        << QStringLiteral("row %1 %2: %3")
               .arg(job)
               .arg(state == RowState::Failed ? "failed" : "converted", row.trace.Summary());
    row.output.close();
    m_waitingForTab.removeOne(row.serial);
    for (const QString& popup : row.popups)
        CloseTarget(popup, false);
    if (!row.targetId.isEmpty() && m_browser) {
        // A tab whose page failed may be in any state, so only a converted row's tab serves again.
        if (state != RowState::Failed && !row.unresponsive && m_idleTabs.size() < m_parallelism)
            m_idleTabs.append({row.targetId, row.sessionId, true});
        else
            CloseTarget(row.targetId, false);
    }
    m_sessions.remove(row.sessionId);
    m_rows.erase(job); // row is gone from here on
    m_endings.insert(job, {state, reason});
    QMetaObject::invokeMethod(
        this,
        [this, job] {
            if (!m_endings.contains(job))
                return; // aborted meanwhile
            const auto [endState, endReason] = m_endings.take(job);
            emit rowEnded(job, endState, endReason);
        },
        Qt::QueuedConnection);
}

void ChromiumBackend::CloseTarget(const QString& targetId, bool watchAnswer) {
    if (!m_browser)
        return;
    DevToolsBrowser::Reply reply;
    if (watchAnswer) {
        ++m_unansweredCloses;
        if (!m_closeWatch.isActive())
            m_closeWatch.start();
        reply = [this](const QJsonObject&, const QString&) {
            if (--m_unansweredCloses <= 0) {
                m_unansweredCloses = 0;
                m_closeWatch.stop();
            }
        };
    }
    m_browser->Send(QStringLiteral("Target.closeTarget"), {{QStringLiteral("targetId"), targetId}}, {},
                    reply);
}

} // namespace velmora
