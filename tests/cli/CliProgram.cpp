#include "CliProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace velmora::test {

namespace {

constexpr int kRunWaitMs = 60 * 1000;

} // namespace

bool CliProgram::Install(bool withConverter) {
    if (withConverter && !m_fake.Install())
        return false;
    const QString built = QStringLiteral(VELMORA_PROGRAM);
    if (!QFile::copy(built, Program()) || !QFile::setPermissions(Program(), QFile::permissions(built))) {
        QTest::qFail(qPrintable(QStringLiteral("cannot copy the program to ") + Program()), __FILE__,
                     __LINE__);
        return false;
    }
    return true;
}

QString CliProgram::Program() const {
    return QDir(m_fake.ProgramFolder()).filePath(QFileInfo(QStringLiteral(VELMORA_PROGRAM)).fileName());
}

QString CliProgram::SettingsFile() const {
    return m_home.filePath(QStringLiteral(".config/Velmora/Velmora Free HTML to PDF Converter.ini"));
}

std::unique_ptr<QProcess> CliProgram::Start(const QStringList& arguments, const QByteArray& input) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(display));
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("PATH"), m_path);

    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(m_workingDirectory);
    process->start(Program(), arguments);
    if (process->waitForStarted()) {
        process->write(input);
        process->closeWriteChannel();
    }
    return process;
}

CliOutcome CliProgram::Run(const QStringList& arguments, const QByteArray& input) {
    const std::unique_ptr<QProcess> process = Start(arguments, input);
    process->waitForFinished(kRunWaitMs);
    return Collect(*process);
}

CliOutcome CliProgram::Collect(QProcess& process) {
    CliOutcome outcome;
    outcome.exitedNormally =
        process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    outcome.exitCode = process.exitCode();
    QString output = QString::fromUtf8(process.readAllStandardOutput());
#ifdef Q_OS_WIN
    output.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); // standard output is in text mode there
#endif
    outcome.lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    outcome.errors = QString::fromUtf8(process.readAllStandardError());
    return outcome;
}

QStringList Fields(const QString& line) {
    return line.split(QLatin1Char('\t'));
}

bool IsPdf(const QString& path) {
    return ReadFile(path).startsWith("%PDF-");
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace velmora::test
