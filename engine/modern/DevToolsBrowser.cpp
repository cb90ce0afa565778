#include "modern/DevToolsBrowser.h"

#include "modern/BrowserPipe.h"
#include "platform/Leftovers.h"
#include "platform/ProcessTree.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTimer>

namespace velmora {

namespace {

constexpr char kSeparator = '\0';
const QString kProfilePrefix = QStringLiteral("velmora-profile-");

// A window for the user keeps the browser's own look and start page: only the pipe and the profile.
QStringList WindowArguments(const DevToolsBrowser::Window& window) {
    QStringList arguments = {QStringLiteral("--remote-debugging-pipe"),
                             QStringLiteral("--user-data-dir=") +
                                 QDir::toNativeSeparators(window.keptProfile),
                             QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check")};
    arguments += BrowserPipe::PlatformArguments();
    arguments.append(window.address);
    return arguments;
}

QStringList BrowserArguments(const QString& profileFolder) {
    QStringList arguments = {
        QStringLiteral("--headless"),
        QStringLiteral("--remote-debugging-pipe"),
        QStringLiteral("--user-data-dir=") + QDir::toNativeSeparators(profileFolder),
        QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"),
        QStringLiteral("--disable-gpu"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-default-apps"),
        QStringLiteral("--mute-audio"),
        QStringLiteral("--hide-scrollbars"),
        // No tab of its own: every tab is opened for a row, and an idle start tab would keep a renderer
        // process for nothing. The browser runs on without tabs until it is closed.
        QStringLiteral("--no-startup-window"),
    };
    arguments += BrowserPipe::PlatformArguments();
    return arguments;
}

// Profiles are kept in the user's own folder, where no one else can plant a link for the removal of
// leftovers to follow. When it cannot be trusted, a fresh profile goes straight into the temporary
// folder and nothing there is removed.
QString ProfileTemplate(const QString& profilesFolder) {
    const QString parent = profilesFolder.isEmpty() ? QDir::tempPath() : profilesFolder;
    return QDir(parent).filePath(kProfilePrefix + OwnerTag() + QStringLiteral("-XXXXXX"));
}

} // namespace

DevToolsBrowser::DevToolsBrowser(QString program, QObject* parent)
    : DevToolsBrowser(std::move(program), {}, parent) {}

DevToolsBrowser::DevToolsBrowser(QString program, Window window, QObject* parent)
    : QObject(parent), m_program(std::move(program)),
      m_profilesFolder(window.keptProfile.isEmpty() ? PrivateFolder(QDir::tempPath()) : QString()),
      m_window(std::move(window)), m_pipe(new BrowserPipe(this)) {
    if (m_window.keptProfile.isEmpty()) {
        m_profile = std::make_unique<QTemporaryDir>(ProfileTemplate(m_profilesFolder));
        m_profile->setAutoRemove(false); // see the destructor
    }
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    connect(m_pipe, &BrowserPipe::received, this, &DevToolsBrowser::OnReceived);
    // A write that finds the browser gone says so from inside Send(); its callers go on first.
    connect(
        m_pipe, &BrowserPipe::closed, this,
        [this] { Break(QStringLiteral("The browser ended unexpectedly.")); }, Qt::QueuedConnection);
    connect(&m_process, &QProcess::finished, this,
            [this] { Break(QStringLiteral("The browser ended unexpectedly.")); });
    // On POSIX a program that cannot be run is known only once the started process has tried.
    connect(&m_process, &QProcess::started, this, [this] { SettleStart({}); });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Break(NotStartedReason());
    });
    m_started.start();
}

DevToolsBrowser::~DevToolsBrowser() {
    m_broken = true; // no signals while tearing down
    Kill();
    WaitForKilledProcess(m_process);
    // Without QTemporaryDir's warning: should a helper still have written as it died, the folder stays
    // for the next start's clean-up.
    if (m_profile && m_profile->isValid())
        QDir(m_profile->path()).removeRecursively();
}

bool DevToolsBrowser::Start(QString* reason) {
    // Profiles of browsers whose program was killed before it could remove them.
    if (!m_profilesFolder.isEmpty())
        RemoveAbandoned(m_profilesFolder, kProfilePrefix, {}, LeftoverKind::Folder);
    if (m_profile && !m_profile->isValid()) {
        *reason = QStringLiteral("No temporary folder for the browser's profile could be made.");
        return false;
    }
    PrepareProcessTree(m_process);
    if (!m_pipe->AttachTo(m_process)) {
        *reason = QStringLiteral("No pipe to the browser could be made.");
        return false;
    }
    m_process.start(m_program, m_profile ? BrowserArguments(m_profile->path()) : WindowArguments(m_window));
    const bool started = m_process.state() != QProcess::NotRunning;
    if (started)
        AdoptProcessTree(m_process);
    m_pipe->ProcessStarted();
    if (!started) {
        m_pipe->Close();
        *reason = NotStartedReason();
        SettleStart(*reason);
        return false;
    }
    return true;
}

QString DevToolsBrowser::NotStartedReason() const {
    return QStringLiteral("The browser \"%1\" could not be started.")
        .arg(QDir::toNativeSeparators(m_program));
}

void DevToolsBrowser::SettleStart(const QString& problem) {
    if (m_started.future().isFinished())
        return;
    m_started.addResult(problem);
    m_started.finish();
}

// Starting counts: it is not known yet whether the program runs.
bool DevToolsBrowser::IsRunning() const {
    return !m_broken && m_process.state() != QProcess::NotRunning;
}

int DevToolsBrowser::Send(const QString& method, const QJsonObject& params, const QString& sessionId,
                          Reply reply) {
    const int id = m_nextId++;
    QJsonObject message{
        {QStringLiteral("id"), id}, {QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    if (reply)
        m_replies.insert(id, std::move(reply));
    m_pipe->Write(QJsonDocument(message).toJson(QJsonDocument::Compact) + kSeparator);
    return id;
}

void DevToolsBrowser::Forget(int id) {
    m_replies.remove(id);
}

void DevToolsBrowser::Shut(int waitMs) {
    m_broken = true;
    m_replies.clear();
    if (m_process.state() != QProcess::NotRunning) {
        Send(QStringLiteral("Browser.close"));
        QTimer::singleShot(waitMs, this, &DevToolsBrowser::Kill);
    }
    DeleteWhenEnded();
}

void DevToolsBrowser::Abandon() {
    m_broken = true;
    m_replies.clear();
    Kill();
    DeleteWhenEnded();
}

// Its profile can go only once the browser is gone (Windows keeps the files it has open).
void DevToolsBrowser::DeleteWhenEnded() {
    if (m_process.state() == QProcess::NotRunning)
        deleteLater();
    else
        connect(&m_process, &QProcess::finished, this, &QObject::deleteLater);
}

void DevToolsBrowser::OnReceived(const QByteArray& bytes) {
    m_incoming += bytes;
    qsizetype end;
    while (!m_broken && (end = m_incoming.indexOf(kSeparator)) >= 0) {
        const QByteArray message = m_incoming.left(end);
        m_incoming.remove(0, end + 1);
        Dispatch(message);
    }
}

void DevToolsBrowser::Dispatch(const QByteArray& message) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        Break(QStringLiteral("The browser sent a message that could not be read."));
        return;
    }
    const QJsonObject object = document.object();
    const QString sessionId = object.value(QStringLiteral("sessionId")).toString();
    if (object.contains(QStringLiteral("id"))) {
        const Reply reply = m_replies.take(object.value(QStringLiteral("id")).toInt());
        if (reply) {
            const QJsonObject failure = object.value(QStringLiteral("error")).toObject();
            reply(object.value(QStringLiteral("result")).toObject(),
                  failure.isEmpty()
                      ? QString()
                      : failure.value(QStringLiteral("message")).toString(QStringLiteral("error")));
        }
        return;
    }
    emit event(object.value(QStringLiteral("method")).toString(),
               object.value(QStringLiteral("params")).toObject(), sessionId);
}

// A browser that ends before it was known to run could not be started.
void DevToolsBrowser::Break(const QString& reason) {
    if (m_broken)
        return;
    m_broken = true;
    m_replies.clear();
    Kill();
    const QString why = m_started.future().isFinished() ? reason : NotStartedReason();
    SettleStart(why);
    emit broken(why);
}

// Its end comes through the event loop (or is waited for by the destructor).
void DevToolsBrowser::Kill() {
    m_pipe->Close();
    // Its renderers and helpers too, which may run on after the browser itself ended, writing into
    // the profile.
    KillProcessTree(m_process);
}

} // namespace velmora
