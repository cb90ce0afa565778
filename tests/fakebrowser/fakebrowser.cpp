// A fake headless browser for the Modern engine's tests. It reads NUL-separated JSON commands from
// descriptor 3 and answers on descriptor 4, like Chromium with --remote-debugging-pipe; on Windows from
// and to the two handles --remote-debugging-io-pipes=<read>,<write> names. Markers in the
// address given to Page.navigate choose its behaviour:
//   status404   the main document answers 404 Not Found
//   refused     the navigation fails with net::ERR_CONNECTION_REFUSED
//   subfail     one image fails, one style sheet answers 404, and the favicon fails
//   fileprobe   asks to read <page folder>/inside.png and <parent folder>/outside.png through Fetch
//   latefetch   asks for one more part while it is printed the first time; a print made before that
//               part arrived says so
//   download    the address turns out to be a download: the main request is called off first
//   crashtab    the page's renderer crashes after the navigation
//   noload      the load event never comes
//   noprint     Page.printToPDF is never answered
//   hangclose   Target.closeTarget is never answered
//   garble      the navigation is answered with bytes that are not JSON
//   die         the browser exits when asked to navigate
//   die-helper  the same, after starting a helper process that holds the pipe open and runs on (POSIX:
//               logged as "helper <pid>"), so that the engine learns of the end from the process alone
//   dialog-alert, dialog-confirm, dialog-prompt
//               the page opens that dialog while loading and loads on only once it is answered
//   popups      once loaded, the page opens two windows, and the first of them one more
//   latetext    the document changes once, just after it is first printed; a print made before that
//               says so
//   restless    the document changes all the time
//   stuckafter  once printed, the page answers nothing more (a loop) but being closed
//   stucklater  once printed, the page answers one more question, then nothing but being closed
//   notabs      from now on, no tab opened gets as far as answering Page.enable (the browser's helper
//               processes are gone)
//   slowload    the load takes two seconds, in which the browser answers nothing
//   staysopen   from now on, Browser.close is answered but the browser goes on running
//   goes404, goesnowhere
//               once loaded, the page sends the tab on to a document that answers 404 Not Found, or
//               to one whose server refuses the connection
//   stopsreading
//               as the load ends, the browser closes the end it reads commands from and lives on
//               without reading, so that the engine's next command meets a broken pipe
//   crashloading
//               the page's renderer crashes while its document is fetched: the navigation is answered
//               with net::ERR_ABORTED, and the crash is told after that, as Chromium does
//   crashidle, closedidle, silentidle, crashonprobe
//               once printed, the page answers the one question after it; then its renderer crashes
//               (crash events; questions go unanswered), or its target is destroyed (detach and destroy
//               events; every command in its session answered with an error), or it is gone without a
//               word (commands answered with an error). crashonprobe: the renderer crashes at the next
//               question instead, which goes unanswered. The answer and the events go out in one
//               write, so the engine reads them at once.
// Runtime.evaluate answers as the engine's document-change probe would: how often the document changed
// and how long it has been still.
// An address that differs from the tab's current one only after '#' stays in the same document, as in
// Chromium: no new load, and no loaderId in the answer.
// If VELMORA_FAKE_BROWSER_LOG names a file, each start appends "start <pid> <arguments>" to it and
// "program <the path it was started as>", each tab opened "tab <id>", each target closed "close <id>",
// each navigation asked for "navigate <address>", each print asked for "print <address>", each dialog
// answered "dialog <type> accept=<true|false>", and each command sent to a dead tab's session
// "dead <method>".
#include "MinimalPdf.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>
#include <utility>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int g_commandsFd = 3;
int g_repliesFd = 4;
bool g_batching = false; // messages are gathered in g_batch, to go out in one write
QByteArray g_batch;

// On Windows the pipe's ends come as handles on the command line.
void OpenPipeArgument(const QStringList& arguments) {
#ifdef Q_OS_WIN
    const QString prefix = QStringLiteral("--remote-debugging-io-pipes=");
    for (const QString& argument : arguments) {
        if (!argument.startsWith(prefix))
            continue;
        const QStringList handles = argument.mid(prefix.size()).split(',');
        g_commandsFd = _open_osfhandle(intptr_t(handles.value(0).toULongLong()), _O_RDONLY | _O_BINARY);
        g_repliesFd = _open_osfhandle(intptr_t(handles.value(1).toULongLong()), _O_WRONLY | _O_BINARY);
    }
#else
    Q_UNUSED(arguments);
#endif
}
// The PDF printed for a page names its address, so tests can tell rows apart.
QByteArray FakePdf(const QString& url) {
    return velmora::test::OnePagePdf(url.toUtf8());
}

void WriteRaw(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(g_repliesFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            std::exit(2);
        done += put;
    }
}

void Send(const QJsonObject& message) {
    const QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\0';
    if (g_batching)
        g_batch += bytes;
    else
        WriteRaw(bytes);
}

// The messages sent while one lives go out in a single write, which the engine reads at once.
class Batch {
public:
    Batch() { g_batching = true; }
    ~Batch() {
        g_batching = false;
        WriteRaw(std::exchange(g_batch, {}));
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
};

void Reply(const QJsonObject& command, const QJsonObject& result) {
    QJsonObject message{{"id", command.value("id")}, {"result", result}};
    if (command.contains("sessionId"))
        message.insert("sessionId", command.value("sessionId"));
    Send(message);
}

void Event(const QString& sessionId, const QString& method, const QJsonObject& params) {
    Send({{"method", method}, {"params", params}, {"sessionId", sessionId}});
}

void BrowserEvent(const QString& method, const QJsonObject& params) {
    Send({{"method", method}, {"params", params}});
}

struct Page {
    QString targetId;
    QString url;
    int undecidedFiles = 0;
    int prints = 0;
    bool partPending = false;
    int changes = 0;      // of the document, as the engine's probe counts them
    QString dialog;       // the type of the dialog open, if any
    int answersLeft = -1; // questions it still answers; -1: no end
    QString death;        // the marker that says how it dies, if it does
    int answersBeforeDeath = -1;
    bool dead = false;
};

void Log(const QByteArray& line) {
    const QString logPath = qEnvironmentVariable("VELMORA_FAKE_BROWSER_LOG");
    QFile log(logPath);
    if (!logPath.isEmpty() && log.open(QIODevice::Append))
        log.write(line + '\n');
}

void StartHelper() {
#ifndef Q_OS_WIN
    const pid_t helper = ::fork();
    if (helper == 0) { // a while, not for ever, should the engine leave it running
        std::this_thread::sleep_for(std::chrono::minutes(5));
        ::_exit(0);
    }
    Log("helper " + QByteArray::number(qint64(helper)));
#endif
}

class FakeBrowser {
public:
    void Handle(const QJsonObject& command);

private:
    void Navigate(const QJsonObject& command, Page& page, const QString& sessionId);
    void Load(Page& page, const QString& sessionId, const QString& loaderId);
    void Print(const QJsonObject& command, Page& page, const QString& sessionId);
    void FinishLoading(Page& page, const QString& sessionId);
    void Decide(const QJsonObject& command, bool allowed);
    void AfterLoad(Page& page, const QString& sessionId);
    void Evaluate(const QJsonObject& command, Page& page, const QString& sessionId);
    void Printed(Page& page);
    void Die(Page& page, const QString& sessionId);

    QHash<QString, Page> m_pages;             // by session id
    QHash<QString, QString> m_streams;        // stream handle -> bytes not yet read
    QHash<QString, QString> m_streamSessions; // stream handle -> session id
    QHash<QString, QString> m_pausedSessions; // paused request id -> session id
    bool m_discover = false;                  // targets are announced
    bool m_noTabs = false;
    bool m_staysOpen = false;
    int m_next = 1;
};

void FakeBrowser::Handle(const QJsonObject& command) {
    const QString method = command.value("method").toString();
    const QJsonObject params = command.value("params").toObject();
    const QString sessionId = command.value("sessionId").toString();
    if (!sessionId.isEmpty() && m_pages.value(sessionId).dead) {
        Log("dead " + method.toLatin1());
        if (!m_pages.value(sessionId).death.startsWith("crash")) // a crashed page just never answers
            Send({{"id", command.value("id")},
                  {"error", QJsonObject{{"code", -32001}, {"message", "Session with given id not found."}}},
                  {"sessionId", sessionId}});
        return;
    }
    if (!sessionId.isEmpty() && m_pages.value(sessionId).answersLeft == 0 && method != "Target.closeTarget")
        return; // stuck
    if (method == "Target.setDiscoverTargets") {
        m_discover = params.value("discover").toBool();
        Reply(command, {});
    } else if (method == "Target.createTarget") {
        const QString targetId = QString("T%1").arg(m_next++);
        Log("tab " + targetId.toLatin1());
        Reply(command, {{"targetId", targetId}});
    } else if (method == "Target.attachToTarget") {
        const QString session = QString("S%1").arg(m_next++);
        Page page;
        page.targetId = params.value("targetId").toString();
        m_pages.insert(session, page);
        Reply(command, {{"sessionId", session}});
    } else if (method == "Page.enable") {
        if (!m_noTabs)
            Reply(command, {});
    } else if (method == "Page.handleJavaScriptDialog") {
        Page& page = m_pages[sessionId];
        const bool accept = params.value("accept").toBool();
        Log("dialog " + page.dialog.toLatin1() + " accept=" + (accept ? "true" : "false"));
        Reply(command, {});
        Event(sessionId, "Page.javascriptDialogClosed", {{"result", accept}});
        page.dialog.clear();
        FinishLoading(page, sessionId);
    } else if (method == "Runtime.evaluate") {
        Evaluate(command, m_pages[sessionId], sessionId);
    } else if (method == "Target.closeTarget") {
        Log("close " + params.value("targetId").toString().toLatin1());
        for (auto page = m_pages.begin(); page != m_pages.end(); ++page)
            if (page->targetId == params.value("targetId").toString() && page->url.contains("hangclose"))
                return;
        Reply(command, {{"success", true}});
    } else if (method == "Page.navigate") {
        Navigate(command, m_pages[sessionId], sessionId);
    } else if (method == "Page.reload") {
        Reply(command, {});
        Load(m_pages[sessionId], sessionId, QString("L%1").arg(m_next++));
    } else if (method == "Page.printToPDF") {
        Print(command, m_pages[sessionId], sessionId);
    } else if (method == "IO.read") {
        // Small chunks, so that reassembly is exercised.
        const QString handle = params.value("handle").toString();
        QString& rest = m_streams[handle];
        const QString chunk = rest.left(16);
        rest.remove(0, chunk.size());
        Reply(command, {{"data", QString::fromLatin1(chunk.toLatin1().toBase64())},
                        {"base64Encoded", true},
                        {"eof", rest.isEmpty()}});
        if (rest.isEmpty())
            Printed(m_pages[m_streamSessions.value(handle)]);
    } else if (method == "Fetch.continueRequest" || method == "Fetch.failRequest") {
        Reply(command, {});
        Decide(command, method == "Fetch.continueRequest");
    } else if (method == "Browser.close") {
        Reply(command, {});
        if (!m_staysOpen)
            std::exit(0);
    } else {
        Reply(command, {});
    }
}

void FakeBrowser::Navigate(const QJsonObject& command, Page& page, const QString& sessionId) {
    const QString previous = page.url;
    page.url = command.value("params").toObject().value("url").toString();
    const QString& url = page.url;
    Log("navigate " + url.toUtf8());
    if (!previous.isEmpty() && previous.section('#', 0, 0) == url.section('#', 0, 0)) {
        Reply(command, {{"frameId", page.targetId}});
        return;
    }
    if (url.contains("die")) {
        if (url.contains("helper"))
            StartHelper();
        std::exit(3);
    }
    if (url.contains("crashloading")) {
        page.death = "crashloading";
        Batch batch;
        Reply(command, {{"frameId", page.targetId}, {"loaderId", "L0"}, {"errorText", "net::ERR_ABORTED"}});
        Die(page, sessionId);
        return;
    }
    if (url.contains("garble")) {
        WriteRaw(QByteArray("{\"id\": this is not json") + '\0');
        return;
    }
    const QString loaderId = QString("L%1").arg(m_next++);
    if (url.contains("refused")) {
        Reply(command, {{"frameId", page.targetId},
                        {"loaderId", loaderId},
                        {"errorText", "net::ERR_CONNECTION_REFUSED"}});
        return;
    }
    if (url.contains("download")) {
        Event(sessionId, "Network.requestWillBeSent",
              {{"requestId", loaderId},
               {"frameId", page.targetId},
               {"type", "Document"},
               {"request", QJsonObject{{"url", url}}}});
        Event(sessionId, "Network.loadingFailed",
              {{"requestId", loaderId},
               {"type", "Document"},
               {"errorText", "net::ERR_ABORTED"},
               {"canceled", true}});
        Reply(command, {{"frameId", page.targetId},
                        {"loaderId", loaderId},
                        {"errorText", "net::ERR_ABORTED"},
                        {"isDownload", true}});
        return;
    }
    if (url.contains("notabs"))
        m_noTabs = true;
    if (url.contains("staysopen"))
        m_staysOpen = true;
    Reply(command, {{"frameId", page.targetId}, {"loaderId", loaderId}});
    Load(page, sessionId, loaderId);
}

void FakeBrowser::Load(Page& page, const QString& sessionId, const QString& loaderId) {
    const QString& url = page.url;
    if (url.contains("crashtab")) {
        Event(sessionId, "Inspector.targetCrashed", {});
        return;
    }
    Event(sessionId, "Network.requestWillBeSent",
          {{"requestId", loaderId},
           {"frameId", page.targetId},
           {"type", "Document"},
           {"request", QJsonObject{{"url", url}}}});
    const bool notFound = url.contains("status404");
    Event(sessionId, "Network.responseReceived",
          {{"requestId", loaderId},
           {"type", "Document"},
           {"response",
            QJsonObject{{"status", notFound ? 404 : 200}, {"statusText", notFound ? "Not Found" : "OK"}}}});
    Event(sessionId, "Page.frameNavigated",
          {{"frame", QJsonObject{{"id", page.targetId}, {"loaderId", loaderId}}}});
    Event(sessionId, "Network.loadingFinished", {{"requestId", loaderId}});
    if (url.contains("dialog-")) {
        page.dialog = url.section("dialog-", 1).section(QRegularExpression("[^a-z]"), 0, 0);
        Event(sessionId, "Page.javascriptDialogOpening",
              {{"url", url}, {"frameId", page.targetId}, {"message", "x"}, {"type", page.dialog}});
        return; // the load waits for the answer
    }
    if (url.contains("slowload"))
        std::this_thread::sleep_for(std::chrono::seconds(2));
    if (url.contains("subfail")) {
        Event(sessionId, "Network.requestWillBeSent",
              {{"requestId", "img"},
               {"frameId", page.targetId},
               {"type", "Image"},
               {"request", QJsonObject{{"url", "http://127.0.0.1/missing.png"}}}});
        Event(sessionId, "Network.requestWillBeSent",
              {{"requestId", "css"},
               {"frameId", page.targetId},
               {"type", "Stylesheet"},
               {"request", QJsonObject{{"url", "http://127.0.0.1/gone.css"}}}});
        Event(sessionId, "Network.loadingFailed",
              {{"requestId", "img"}, {"errorText", "net::ERR_CONNECTION_RESET"}});
        Event(sessionId, "Network.responseReceived",
              {{"requestId", "css"},
               {"type", "Stylesheet"},
               {"response", QJsonObject{{"status", 404}, {"statusText", "Not Found"}}}});
        Event(sessionId, "Network.loadingFinished", {{"requestId", "css"}});
        // A favicon does not show in print, so its failure is no warning.
        Event(sessionId, "Network.requestWillBeSent",
              {{"requestId", "icon"},
               {"frameId", page.targetId},
               {"type", "Other"},
               {"request", QJsonObject{{"url", "http://127.0.0.1/favicon.ico"}}}});
        Event(sessionId, "Network.loadingFailed",
              {{"requestId", "icon"}, {"errorText", "net::ERR_FILE_NOT_FOUND"}});
    }
    if (url.contains("fileprobe")) {
        const QString folder = QFileInfo(QUrl(url).toLocalFile()).absolutePath();
        const QStringList files = {folder + "/inside.png", QFileInfo(folder).absolutePath() + "/outside.png"};
        for (const QString& file : files) {
            const QString requestId = QString("F%1").arg(m_next++);
            const QString fileUrl = QUrl::fromLocalFile(file).toString();
            Event(sessionId, "Network.requestWillBeSent",
                  {{"requestId", requestId},
                   {"frameId", page.targetId},
                   {"type", "Image"},
                   {"request", QJsonObject{{"url", fileUrl}}}});
            Event(sessionId, "Fetch.requestPaused",
                  {{"requestId", requestId},
                   {"networkId", requestId},
                   {"request", QJsonObject{{"url", fileUrl}}}});
            m_pausedSessions.insert(requestId, sessionId);
            ++page.undecidedFiles;
        }
        return; // the load event waits for the decisions
    }
    FinishLoading(page, sessionId);
}

void FakeBrowser::Print(const QJsonObject& command, Page& page, const QString& sessionId) {
    Log("print " + page.url.toUtf8());
    if (page.url.contains("noprint"))
        return;
    ++page.prints;
    const bool askLate = page.url.contains("latefetch") && page.prints == 1;
    if (askLate) {
        page.partPending = true;
        Event(sessionId, "Network.requestWillBeSent",
              {{"requestId", "late"},
               {"frameId", page.targetId},
               {"type", "Image"},
               {"request", QJsonObject{{"url", "http://127.0.0.1/late.png"}}}});
    }
    const QString handle = QString("stream%1").arg(m_next++);
    const bool early = page.partPending || (page.url.contains("latetext") && page.changes == 0);
    m_streams.insert(handle, QString::fromLatin1(early ? velmora::test::OnePagePdf("printed too early")
                                                       : FakePdf(page.url)));
    m_streamSessions.insert(handle, sessionId);
    Reply(command, {{"stream", handle}});
    if (askLate) {
        page.partPending = false;
        Event(sessionId, "Network.loadingFinished", {{"requestId", "late"}});
    }
}

void FakeBrowser::FinishLoading(Page& page, const QString& sessionId) {
    if (page.url.contains("noload"))
        return;
    if (page.url.contains("stopsreading")) {
        ::close(g_commandsFd);
        Event(sessionId, "Page.loadEventFired", {{"timestamp", 1.0}});
        for (;;) // until the engine ends it
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    Event(sessionId, "Page.loadEventFired", {{"timestamp", 1.0}});
    AfterLoad(page, sessionId);
}

// What the page does once loaded: open windows, or send the tab on.
void FakeBrowser::AfterLoad(Page& page, const QString& sessionId) {
    const QString& url = page.url;
    if (url.contains("popups") && m_discover) {
        const QString first = QString("P%1").arg(m_next++);
        const QList<std::pair<QString, QString>> opened = {{first, page.targetId},
                                                           {QString("P%1").arg(m_next++), page.targetId},
                                                           {QString("P%1").arg(m_next++), first}};
        for (const auto& [targetId, opener] : opened) {
            const QJsonObject info{
                {"targetId", targetId}, {"type", "page"}, {"url", ""}, {"openerId", opener}};
            Send({{"method", "Target.targetCreated"}, {"params", QJsonObject{{"targetInfo", info}}}});
        }
    }
    if (!url.contains("goes404") && !url.contains("goesnowhere"))
        return;
    const QString next = QString("L%1").arg(m_next++);
    Event(sessionId, "Network.requestWillBeSent",
          {{"requestId", next},
           {"frameId", page.targetId},
           {"type", "Document"},
           {"request", QJsonObject{{"url", "http://127.0.0.1/next"}}}});
    if (url.contains("goesnowhere")) {
        Event(sessionId, "Network.loadingFailed",
              {{"requestId", next},
               {"type", "Document"},
               {"errorText", "net::ERR_CONNECTION_REFUSED"},
               {"canceled", false}});
        return;
    }
    Event(sessionId, "Network.responseReceived",
          {{"requestId", next},
           {"type", "Document"},
           {"response", QJsonObject{{"status", 404}, {"statusText", "Not Found"}}}});
    Event(sessionId, "Page.frameNavigated",
          {{"frame", QJsonObject{{"id", page.targetId}, {"loaderId", next}}}});
    Event(sessionId, "Network.loadingFinished", {{"requestId", next}});
    Event(sessionId, "Page.loadEventFired", {{"timestamp", 2.0}});
}

void FakeBrowser::Evaluate(const QJsonObject& command, Page& page, const QString& sessionId) {
    if (page.answersBeforeDeath == 0) { // crashonprobe
        Die(page, sessionId);
        return;
    }
    const bool restless = page.url.contains("restless");
    if (restless)
        ++page.changes;
    const QJsonObject changes{{"changes", page.changes}, {"quietMs", restless ? 0 : 100000}};
    Batch batch;
    Reply(command, {{"result", QJsonObject{{"type", "object"}, {"value", changes}}}});
    if (page.answersLeft > 0)
        --page.answersLeft;
    if (page.answersBeforeDeath > 0 && --page.answersBeforeDeath == 0 && page.death != "crashonprobe")
        Die(page, sessionId);
}

// Once a print was read to its end.
void FakeBrowser::Printed(Page& page) {
    for (const char* death : {"crashidle", "closedidle", "silentidle", "crashonprobe"}) {
        if (page.url.contains(death)) {
            page.death = death;
            page.answersBeforeDeath = 1;
        }
    }
    if (page.url.contains("latetext"))
        page.changes = 1;
    if (page.url.contains("stuckafter"))
        page.answersLeft = 0;
    else if (page.url.contains("stucklater"))
        page.answersLeft = 1;
}

void FakeBrowser::Die(Page& page, const QString& sessionId) {
    page.dead = true;
    if (page.death.startsWith("crash")) {
        Event(sessionId, "Inspector.targetCrashed", {});
        BrowserEvent("Target.targetCrashed",
                     {{"targetId", page.targetId}, {"status", "killed"}, {"errorCode", 9}});
    } else if (page.death == "closedidle") {
        BrowserEvent("Target.detachedFromTarget", {{"sessionId", sessionId}, {"targetId", page.targetId}});
        BrowserEvent("Target.targetDestroyed", {{"targetId", page.targetId}});
    }
}

void FakeBrowser::Decide(const QJsonObject& command, bool allowed) {
    const QString requestId = command.value("params").toObject().value("requestId").toString();
    const QString sessionId = m_pausedSessions.take(requestId);
    if (allowed)
        Event(sessionId, "Network.loadingFinished", {{"requestId", requestId}});
    else
        Event(sessionId, "Network.loadingFailed",
              {{"requestId", requestId}, {"errorText", "net::ERR_ACCESS_DENIED"}});
    Page& page = m_pages[sessionId];
    if (--page.undecidedFiles == 0)
        FinishLoading(page, sessionId);
}

void LogStart(const QStringList& arguments) {
    Log("start " + QByteArray::number(qint64(::getpid())) + " " + arguments.join(' ').toLocal8Bit());
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    LogStart(arguments);
    Log("program " + QByteArray(argv[0])); // which of several copies was found
    OpenPipeArgument(arguments);
    FakeBrowser browser;
    QByteArray incoming;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(g_commandsFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0 ? 0 : 1;
        incoming.append(buffer, got);
        qsizetype end;
        while ((end = incoming.indexOf('\0')) >= 0) {
            const QJsonObject command = QJsonDocument::fromJson(incoming.left(end)).object();
            incoming.remove(0, end + 1);
            browser.Handle(command);
        }
    }
}
