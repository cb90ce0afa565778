#pragma once

#include "render/RenderBackend.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

namespace velmora {

class DevToolsBrowser;

// The Modern engine: one headless Chromium per run, driven over the DevTools pipe, with a browser tab
// (target) per row in flight. A tab whose row converted serves the next row, which then finds the
// style sheets, fonts and scripts the pages share already in its renderer. A row's outcome comes from
// what the browser saw of the network for the document it printed.
class ChromiumBackend final : public RenderBackend {
    Q_OBJECT
public:
    // A page is printed once it has loaded and fetches nothing more, and it stands once its document has
    // not changed for kQuietMs; one that starts fetching or changes while being printed is printed
    // again. One that keeps fetching or changing is printed this long after its load event.
    static constexpr int kSettleLimitMs = 5000;
    static constexpr int kQuietMs = 200;
    // How long a tab being closed may go unanswered before the browser counts as hung.
    static constexpr int kCloseAnswerMs = 3000;
    // How long a page may take to answer a question about itself; one that does not is left running
    // (a loop, ...) and its tab serves no other row.
    static constexpr int kAnswerMs = 1500;
    // A browser that opens no tab this long is replaced (its helper processes may be gone).
    static constexpr int kTabOpenLimitMs = 8000;

    // browserProgram: Chromium's path; searched: where it was looked for, when it was not found.
    explicit ChromiumBackend(QString browserProgram, QStringList searched = {}, QObject* parent = nullptr);
    ~ChromiumBackend() override;

    // Starts the browser, which the run then uses, so that "cannot be started" is known before a run.
    QFuture<QString> StartProblem() override;
    QString PageSetupProblem(const PageSetup& page) const override { return page.loading.Problem(); }
    void BeginRun(int parallelism) override;
    void EndRun() override;
    void Begin(int job, const RenderRequest& request) override;
    QString Abort(int job) override;

    // The running browser's profile folder, empty when none runs (tests check it is removed).
    QString ProfileFolder() const;

private:
    struct Row;
    using Step = std::function<void(Row&, const QJsonObject&)>;
    // error empty: the tab is attached and reports what it loads.
    using TabReady =
        std::function<void(const QString& targetId, const QString& sessionId, const QString& error)>;
    struct Tab {
        QString targetId;
        QString sessionId;
        bool used = false; // a row's page was in it
    };

    void Start(int job, const RenderRequest& request, bool mayRestartBrowser);
    bool EnsureBrowser(QString* reason);
    void DiscardBrowser();
    DevToolsBrowser& Release(DevToolsBrowser& browser);
    void DropBrowser(const QString& reason);
    void RestartBrowser();
    void Command(Row& row, const QString& method, const QJsonObject& params, bool inSession, Step next);
    void Ask(Row& row, const QString& method, const QJsonObject& params, Step answered,
             std::function<void(Row&)> silent = {});
    void Later(Row& row, int ms, std::function<void(Row&)> then);
    Row* Find(quint64 serial) const;
    Row* FindByTarget(const QString& targetId) const;

    void OpenTab(TabReady ready);
    void OpenPoolTab();
    void WaitForTab(Row& row);
    void HandOutTabs();
    void UseTab(Row& row, const Tab& tab);
    void ReplaceTab(Row& row);
    void LoseTab(Row& row, const QString& reason);
    void EvictIdleTab(const QString& targetId, const QString& sessionId);
    void Navigate(Row& row);
    void OnNavigated(Row& row, const QJsonObject& result);
    void FailAfterEarlierEvents(Row& row, const QString& reason);
    void OnBrowserEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void OnTargetCreated(const QJsonObject& targetInfo);
    void OnPageEvent(Row& row, const QString& method, const QJsonObject& params);
    void OnMainRequest(Row& row, const QString& requestId, const QString& url);
    void PrintIfQuiet(Row& row);
    // Before the first print of each document: late redirects, waits, the user's style, collapsed
    // sections, scrolling; then the quiet wait as for any page.
    void Prepare(Row& row);
    void AwaitRedirect(Row& row);
    void AwaitDelay(Row& row);
    void AwaitElement(Row& row);
    void AwaitExpression(Row& row);
    void AddStyle(Row& row);
    void OpenDetails(Row& row);
    void StartScrolling(Row& row);
    void Scroll(Row& row);
    void Prepared(Row& row);
    void CancelPreparation(Row& row);
    void Print(Row& row);
    void ReadStream(Row& row, const QString& stream);
    void CheckQuiet(Row& row);
    void PrintAgain(Row& row);
    void Succeed(Row& row);
    void Fail(Row& row, const QString& reason);
    void End(Row& row, RowState state, const QString& reason);
    void CloseTarget(const QString& targetId, bool watchAnswer);

    QString m_browserProgram;
    QStringList m_searched;
    std::unique_ptr<DevToolsBrowser> m_browser;
    std::map<int, std::unique_ptr<Row>> m_rows;         // by job
    QHash<QString, quint64> m_sessions;                 // session id -> row serial
    QHash<int, std::pair<RowState, QString>> m_endings; // ended rows whose signal is still posted
    QList<Tab> m_idleTabs;
    QList<quint64> m_waitingForTab; // row serials, first come first served
    int m_tabsOpening = 0;
    int m_parallelism = 1;          // at most this many tabs are kept for the rows to come
    QList<Cookie> m_profileCookies; // from the browser sign-in's profile, read as the run begins
    quint64 m_nextSerial = 1;
    int m_unansweredCloses = 0;
    QTimer m_closeWatch;
};

// %1: every place looked in.
inline const QString kBrowserMissingMessage =
    QStringLiteral("Chromium could not be found, so nothing was converted. Looked for it in: %1.");

// The Modern engine with the Chromium found beside the program or on PATH.
std::unique_ptr<RenderBackend> MakeModernEngine(const QString& programFolder);

} // namespace velmora
