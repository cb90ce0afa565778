#pragma once

#include "RunTestSupport.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace velmora::test {

// What one run of the program left behind.
struct CliOutcome {
    int exitCode = -1;
    bool exitedNormally = false;
    QStringList lines; // standard output, one entry per line
    QString errors;    // standard error
};

// The built program copied into a program folder of its own, beside the fake converter as
// bin/wkhtmltopdf, and run as a child process with a home, a settings folder and a PATH of its own and
// no display at all.
class CliProgram {
public:
    [[nodiscard]] bool Install(bool withConverter = true);

    QString Program() const;
    QString Home() const { return m_home.path(); }
    QString SettingsFile() const;
    FakeConverterInstall& Fake() { return m_fake; }
    void SetPath(const QString& path) { m_path = path; }
    void SetWorkingDirectory(const QString& folder) { m_workingDirectory = folder; }

    std::unique_ptr<QProcess> Start(const QStringList& arguments, const QByteArray& input = {});
    CliOutcome Run(const QStringList& arguments, const QByteArray& input = {});
    static CliOutcome Collect(QProcess& process);

private:
    FakeConverterInstall m_fake;
    QTemporaryDir m_home;
    QTemporaryDir m_emptyFolder;
    QString m_path = m_emptyFolder.path();
    QString m_workingDirectory;
};

// The tab-separated fields of an output line.
QStringList Fields(const QString& line);
// Whether the file holds a PDF, judged by its first bytes.
bool IsPdf(const QString& path);
// The names of everything in a folder, hidden files included.
QStringList Entries(const QString& folder);

} // namespace velmora::test
