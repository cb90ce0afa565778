#include "ChromiumBackend.h"

#include "BrowserLocation.h"
#include "BrowserPipe.h"
#include "DevToolsBrowser.h"
#include "PageLoadRules.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QUrl>

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

QString BrowserUrl(const QString& source) {
    const QUrl asWebAddress(source);
    if (asWebAddress.scheme().size() > 1) // not a Windows drive letter
        return source;
    return QUrl::fromLocalFile(source).toString(QUrl::FullyEncoded);
}

} // namespace

struct ChromiumBackend::Row {
    enum class Stage { Opening, Loading, Printing };

    int job = 0;
    quint64 serial = 0;
    RenderRequest request;
    Stage stage = Stage::Opening;
    QString targetId;
    QString sessionId;
    QString mainRequestId;
    bool loaded = false;
    struct Part {
        QString url;
        bool shows = false; // its failure is worth a warning
    };
    QHash<QString, Part> inFlight; // by request id, sub-resources only
    QStringList missingParts;
    bool restless = false; // a part was asked for while the page was being printed
    QFile output;
    QTimer settleLimit;
};

std::unique_ptr<RenderBackend> MakeModernEngine(const QString& programFolder) {
    const ConverterLocation browser = LocateBrowser(programFolder);
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

QString ChromiumBackend::StartProblem() {
    if (m_browserProgram.isEmpty() || !QFileInfo(m_browserProgram).isFile())
        return kBrowserMissingMessage.arg(m_searched.join(QStringLiteral("; ")));
    QString reason;
    return EnsureBrowser(&reason) ? QString() : reason;
}

void ChromiumBackend::BeginRun(int parallelism) {
    m_parallelism = std::max(1, parallelism);
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
    if (m_browser) {
        m_browser->Shut(kShutWaitMs);
        m_browser.reset();
    }
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
    return true;
}

// Fails the rows in flight; the next row starts a fresh browser.
void ChromiumBackend::DropBrowser(const QString& reason) {
    if (!m_browser)
        return;
    // This may run inside one of the browser's own signals, so it is deleted once that returns.
    m_browser->disconnect(this);
    m_browser->Abandon();
    m_browser.release()->deleteLater();
    m_idleTabs.clear();
    m_waitingForTab.clear();
    m_tabsOpening = 0;
    m_closeWatch.stop();
    m_unansweredCloses = 0;
    std::vector<Row*> inFlight;
    for (auto& [job, row] : m_rows)
        inFlight.push_back(row.get());
    for (Row* row : inFlight) {
        row->targetId.clear(); // its tab went with the browser
        End(*row, RowState::Failed, reason);
    }
}

void ChromiumBackend::Begin(int job, const RenderRequest& request) {
    QString browserProblem;
    const bool browserReady = EnsureBrowser(&browserProblem); // before this row is in flight
    auto owned = std::make_unique<Row>();
    Row& row = *owned;
    row.job = job;
    row.serial = m_nextSerial++;
    row.request = request;
    row.settleLimit.setSingleShot(true);
    row.settleLimit.setInterval(kSettleLimitMs);
    const quint64 serial = row.serial;
    connect(&row.settleLimit, &QTimer::timeout, this, [this, serial] {
        if (Row* r = Find(serial); r && r->stage == Row::Stage::Loading)
            Print(*r);
    });
    m_endings.remove(job);
    m_rows[job] = std::move(owned);

    row.output.setFileName(request.outputPath);
    if (!row.output.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        End(row, RowState::Failed,
            QStringLiteral("The PDF file could not be written: %1.").arg(row.output.errorString()));
        return;
    }
    if (!browserReady) {
        End(row, RowState::Failed, browserProblem);
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

void ChromiumBackend::OpenTab(TabReady ready) {
    auto fail = [ready](const QString& targetId, const QString& error) { ready(targetId, {}, error); };
    m_browser->Send(
        QStringLiteral("Target.createTarget"), {{QStringLiteral("url"), QStringLiteral("about:blank")}}, {},
        [this, ready, fail](const QJsonObject& created, const QString& error) {
            const QString targetId = Text(created, "targetId");
            if (!error.isEmpty() || targetId.isEmpty())
                return fail(targetId, error);
            m_browser->Send(QStringLiteral("Target.attachToTarget"),
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
                                m_browser->Send(QStringLiteral("Fetch.enable"),
                                                {{QStringLiteral("patterns"), patterns}}, sessionId);
                                m_browser->Send(QStringLiteral("Network.enable"), {}, sessionId);
                                m_browser->Send(
                                    QStringLiteral("Page.enable"), {}, sessionId,
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
    row.stage = Row::Stage::Loading;
    Command(row, QStringLiteral("Page.navigate"), {{QStringLiteral("url"), BrowserUrl(row.request.source)}},
            true, [this](Row& r, const QJsonObject& result) { OnNavigated(r, result); });
}

void ChromiumBackend::OnNavigated(Row& row, const QJsonObject& result) {
    const QString errorText = Text(result, "errorText");
    if (result.value(QLatin1String("isDownload")).toBool())
        Fail(row, QStringLiteral("The address leads to a file to download, not to a page."));
    else if (!errorText.isEmpty())
        Fail(row, NetErrorReason(errorText, row.request.source));
    else if (!result.contains(QLatin1String("loaderId"))) // the tab already shows this document
        Command(row, QStringLiteral("Page.reload"), {}, true, {});
}

void ChromiumBackend::OnBrowserEvent(const QString& method, const QJsonObject& params,
                                     const QString& sessionId) {
    if (method == QLatin1String("Target.detachedFromTarget")) {
        if (Row* row = Find(m_sessions.value(Text(params, "sessionId"))))
            Fail(*row, QStringLiteral("The browser closed the page's tab unexpectedly."));
        return;
    }
    if (Row* row = Find(m_sessions.value(sessionId)); row && !sessionId.isEmpty())
        OnPageEvent(*row, method, params);
}

void ChromiumBackend::OnPageEvent(Row& row, const QString& method, const QJsonObject& params) {
    const QString requestId = Text(params, "requestId");
    if (method == QLatin1String("Fetch.requestPaused")) {
        const QString url = Text(params.value(QLatin1String("request")).toObject(), "url");
        if (MayReadFile(url, row.request.localRoot))
            Command(row, QStringLiteral("Fetch.continueRequest"), {{QStringLiteral("requestId"), requestId}},
                    true, {});
        else
            Command(row, QStringLiteral("Fetch.failRequest"),
                    {{QStringLiteral("requestId"), requestId},
                     {QStringLiteral("errorReason"), QStringLiteral("AccessDenied")}},
                    true, {});
    } else if (method == QLatin1String("Network.requestWillBeSent")) {
        const bool mainDocument = Text(params, "type") == QLatin1String("Document") &&
                                  Text(params, "frameId") == row.targetId &&
                                  (row.mainRequestId.isEmpty() || row.mainRequestId == requestId);
        if (mainDocument) {
            row.mainRequestId = requestId;
        } else {
            const QString url = Text(params.value(QLatin1String("request")).toObject(), "url");
            if (!url.startsWith(QLatin1String("data:"))) {
                row.inFlight.insert(requestId, {url, ShowsInPrint(Text(params, "type"))});
                row.restless = row.restless || row.stage == Row::Stage::Printing;
            }
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
        const QString errorText = Text(params, "errorText");
        if (requestId == row.mainRequestId) {
            Fail(row, NetErrorReason(errorText, row.request.source));
            return;
        }
        const Row::Part part = row.inFlight.take(requestId);
        if (part.shows && !params.value(QLatin1String("canceled")).toBool())
            row.missingParts.append(part.url);
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Network.loadingFinished")) {
        row.inFlight.remove(requestId);
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Page.loadEventFired")) {
        if (!row.loaded && row.stage == Row::Stage::Loading) {
            row.loaded = true;
            row.settleLimit.start();
        }
        PrintIfQuiet(row);
    } else if (method == QLatin1String("Inspector.targetCrashed")) {
        Fail(row, QStringLiteral("The browser's renderer crashed on this page."));
    }
}

void ChromiumBackend::PrintIfQuiet(Row& row) {
    if (row.stage == Row::Stage::Loading && row.loaded && row.inFlight.isEmpty())
        Print(row);
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
    };
    // Without margins of its own choosing the browser keeps its own (1 cm).
    if (const std::optional<QMarginsF> margins = page.PrintMarginsMm()) {
        params.insert(QStringLiteral("marginTop"), margins->top() / kMmPerInch);
        params.insert(QStringLiteral("marginRight"), margins->right() / kMmPerInch);
        params.insert(QStringLiteral("marginBottom"), margins->bottom() / kMmPerInch);
        params.insert(QStringLiteral("marginLeft"), margins->left() / kMmPerInch);
    }
    Command(row, QStringLiteral("Page.printToPDF"), params, true, [this](Row& r, const QJsonObject& result) {
        const QString stream = Text(result, "stream");
        if (stream.isEmpty())
            Fail(r, QStringLiteral("The browser printed the page but handed over no PDF."));
        else
            ReadStream(r, stream);
    });
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
            if (r.output.write(bytes) != bytes.size()) {
                Fail(r, QStringLiteral("The PDF file could not be written: %1.").arg(r.output.errorString()));
                return;
            }
            if (!chunk.value(QLatin1String("eof")).toBool()) {
                ReadStream(r, stream);
                return;
            }
            m_browser->Send(QStringLiteral("IO.close"), {{QStringLiteral("handle"), stream}}, r.sessionId);
            Printed(r);
        });
}

// A page that asked for more while it was printed may show it now, so it is printed again once quiet;
// after the settle limit, what was printed stands.
void ChromiumBackend::Printed(Row& row) {
    if (!row.restless || !row.settleLimit.isActive()) {
        Succeed(row);
        return;
    }
    if (!row.output.seek(0) || !row.output.resize(0)) {
        Fail(row, QStringLiteral("The PDF file could not be written: %1.").arg(row.output.errorString()));
        return;
    }
    row.stage = Row::Stage::Loading;
    PrintIfQuiet(row);
}

void ChromiumBackend::Succeed(Row& row) {
    if (!row.output.flush()) {
        Fail(row, QStringLiteral("The PDF file could not be written: %1.").arg(row.output.errorString()));
        return;
    }
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
    row.output.close();
    m_waitingForTab.removeOne(row.serial);
    if (!row.targetId.isEmpty() && m_browser) {
        // A tab whose page failed may be in any state, so only a converted row's tab serves again.
        if (state != RowState::Failed && m_idleTabs.size() < m_parallelism)
            m_idleTabs.append({row.targetId, row.sessionId});
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
