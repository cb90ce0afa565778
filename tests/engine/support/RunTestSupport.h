#pragma once

#include "run/ConvertCommand.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace velmora::test {

// One run of the fake converter, as its log tells it.
struct Invocation {
    qint64 pid = 0;
    QStringList arguments;
    QString source; // the argument before the output path
    qint64 startedMs = 0;
    qint64 endedMs = -1; // -1: it never ended by itself
    qint64 childPid = 0; // a process it started of its own, if any
};

// The fake converter installed as "bin/wkhtmltopdf" under a temporary program folder, logging to a file
// there. The log variable is process-wide, so only one instance may exist at a time.
class FakeConverterInstall {
public:
    FakeConverterInstall();
    ~FakeConverterInstall();
    FakeConverterInstall(const FakeConverterInstall&) = delete;
    FakeConverterInstall& operator=(const FakeConverterInstall&) = delete;

    // False (with a test failure message) when the fake cannot be copied into place.
    [[nodiscard]] bool Install();
    void Uninstall();

    QString ProgramFolder() const;
    QString ConverterPath() const;
    // Invocations in the order their start records were appended.
    QList<Invocation> Invocations() const;

private:
    QTemporaryDir m_programFolder;
    QByteArray m_previousLog;
};

// Records what the Convert command does to the window, in one ordered log.
class RecordingHost final : public RunHost {
public:
    QString targetFolder;
    QString completionAction = kDoNothing;
    QStringList events;   // "running:<0|1>", "progress:<n>", "visible:<0|1>", plus whatever the test adds
    QStringList messages; // also in events as "message:<text>"
    QStringList explored; // also in events as "explore:<folder>"

    QString TargetFolderText() const override { return targetFolder; }
    QString CompletionActionText() const override { return completionAction; }
    void ShowRunning(bool running) override;
    void SetProgressVisible(bool visible) override;
    void SetProgress(int percent) override;
    void ShowMessage(const QString& text) override;
    void ExploreFolder(const QString& folder) override;
};

// What a test of the Convert command works with, made anew for each test: a work folder, a queue, a
// host that records, and the command over them.
struct CommandRig {
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<ConversionQueue> queue;
    std::unique_ptr<RecordingHost> host;
    std::unique_ptr<ConvertCommand> command;

    // The engines are looked for in programFolder; an empty one gives the empty folder "program" in the
    // work folder, so each engine is found where the system installed it. False when there is no work
    // folder.
    [[nodiscard]] bool Build(const QString& programFolder = {});
    // The command first: it holds the queue and the host.
    void Reset();
};

// Makes a folder the current directory until the end of the scope, pass or fail.
class CurrentDirectoryOverride {
public:
    explicit CurrentDirectoryOverride(const QString& path) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(path);
    }
    ~CurrentDirectoryOverride() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

// Writes a file with the given bytes, creating missing folders; false when that fails.
[[nodiscard]] bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// The temporary files that conversions left in a folder.
QStringList TemporaryFilesIn(const QString& folder);
// Whether a process of that id still runs (a zombie counts as ended).
bool ProcessAlive(qint64 pid);
// The ids of the processes this test program started that still run.
QList<qint64> ChildProcesses();

} // namespace velmora::test
