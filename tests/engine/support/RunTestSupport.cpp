#include "RunTestSupport.h"

#include "classic/WkhtmltopdfBackend.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace velmora::test {

namespace {

const char* const kLogVariable = "VELMORA_FAKE_LOG";

QString LogPath(const QTemporaryDir& folder) {
    return folder.filePath(QStringLiteral("fake-log.jsonl"));
}

} // namespace

FakeConverterInstall::FakeConverterInstall() : m_previousLog(qgetenv(kLogVariable)) {
    qputenv(kLogVariable, LogPath(m_programFolder).toLocal8Bit());
}

FakeConverterInstall::~FakeConverterInstall() {
    qputenv(kLogVariable, m_previousLog);
}

bool FakeConverterInstall::Install() {
    const QString built = qEnvironmentVariable("VELMORA_FAKE_CONVERTER");
    if (built.isEmpty()) {
        QTest::qFail("VELMORA_FAKE_CONVERTER is not set; run the tests through ctest", __FILE__, __LINE__);
        return false;
    }
    const QString target = ConverterPath();
    if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(built, target) ||
        !QFile::setPermissions(target, QFile::permissions(built))) {
        QTest::qFail(qPrintable(QStringLiteral("cannot install the fake converter at ") + target), __FILE__,
                     __LINE__);
        return false;
    }
    return true;
}

void FakeConverterInstall::Uninstall() {
    QFile::remove(ConverterPath());
}

QString FakeConverterInstall::ProgramFolder() const {
    return m_programFolder.path();
}

QString FakeConverterInstall::ConverterPath() const {
#ifdef Q_OS_WIN
    return m_programFolder.filePath(QStringLiteral("bin/wkhtmltopdf.exe"));
#else
    return m_programFolder.filePath(QStringLiteral("bin/wkhtmltopdf"));
#endif
}

QList<Invocation> FakeConverterInstall::Invocations() const {
    QList<Invocation> invocations;
    for (const QByteArray& line : ReadFile(LogPath(m_programFolder)).split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        const qint64 pid = record.value("pid").toInteger();
        const qint64 time = record.value("t").toInteger();
        if (record.value("event") == QLatin1String("start")) {
            Invocation invocation;
            invocation.pid = pid;
            invocation.startedMs = time;
            for (const QJsonValue& argument : record.value("args").toArray())
                invocation.arguments.append(argument.toString());
            invocation.source = invocation.arguments.value(invocation.arguments.size() - 2);
            invocations.append(invocation);
        } else if (record.value("event") == QLatin1String("child")) {
            for (Invocation& invocation : invocations) {
                if (invocation.pid == pid)
                    invocation.childPid = record.value("child").toInteger();
            }
        } else if (record.value("event") == QLatin1String("end")) {
            for (Invocation& invocation : invocations) {
                if (invocation.pid == pid)
                    invocation.endedMs = time;
            }
        }
    }
    return invocations;
}

void RecordingHost::ShowRunning(bool running) {
    events.append(QStringLiteral("running:%1").arg(int(running)));
}

void RecordingHost::SetProgressVisible(bool visible) {
    events.append(QStringLiteral("visible:%1").arg(int(visible)));
}

void RecordingHost::SetProgress(int percent) {
    events.append(QStringLiteral("progress:%1").arg(percent));
}

void RecordingHost::ShowMessage(const QString& text) {
    messages.append(text);
    events.append(QStringLiteral("message:") + text);
}

void RecordingHost::ExploreFolder(const QString& folder) {
    explored.append(folder);
    events.append(QStringLiteral("explore:") + folder);
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

bool CommandRig::Build(const QString& programFolder) {
    work = std::make_unique<QTemporaryDir>();
    if (!work->isValid())
        return false;
    queue = std::make_unique<ConversionQueue>();
    host = std::make_unique<RecordingHost>();
    command = std::make_unique<ConvertCommand>(
        *queue, *host, programFolder.isEmpty() ? work->filePath(QStringLiteral("program")) : programFolder,
        MakeClassicEngine);
    return true;
}

void CommandRig::Reset() {
    command.reset();
    host.reset();
    queue.reset();
    work.reset();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TemporaryFilesIn(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".velmora-*")}, QDir::Files | QDir::Hidden | QDir::System);
}

bool ProcessAlive(qint64 pid) {
#ifdef Q_OS_WIN
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    if (::kill(pid_t(pid), 0) != 0)
        return false;
    // An ended child not yet reaped by its parent still answers kill().
    const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close < 0 || stat.mid(close + 2, 1) != "Z";
#endif
}

QList<qint64> ChildProcesses() {
    QList<qint64> children;
#ifdef Q_OS_WIN
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (bool more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId() && ProcessAlive(entry.th32ProcessID))
            children.append(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
#else
    // /proc/<pid>/stat: "pid (name) state ppid ...", where the name may hold anything.
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QByteArray stat = ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == ::getpid() && fields.at(0) != "Z")
            children.append(pid);
    }
#endif
    return children;
}

} // namespace velmora::test
