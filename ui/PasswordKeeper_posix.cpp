#include "PasswordKeeper.h"

#include <QProcess>
#include <QStandardPaths>

namespace velmora {

namespace {

// secret-tool's attributes that find the program's password again.
const QStringList kAttributes{QStringLiteral("application"), QStringLiteral("velmora-html2pdf")};
constexpr int kKeyringWaitMs = 10000;

// The Secret Service (GNOME Keyring, KWallet) through libsecret's own command, so the program needs no
// library that is missing where no keyring runs. The password goes on its standard input, never on a
// command line.
class SecretToolKeeper final : public PasswordKeeper {
public:
    explicit SecretToolKeeper(QString program) : m_program(std::move(program)) {}

    QString Where() const override { return QStringLiteral("kept in the system keyring (Secret Service)"); }

    QString Read(const QString& user) override {
        QProcess tool;
        tool.start(m_program, QStringList{QStringLiteral("lookup")} + kAttributes + UserAttribute(user));
        tool.closeWriteChannel();
        if (!tool.waitForFinished(kKeyringWaitMs) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0)
            return {};
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

    void Store(const QString& user, const QString& password) override {
        QProcess tool;
        const QStringList arguments =
            password.isEmpty() ? QStringList{QStringLiteral("clear")} + kAttributes + UserAttribute(user)
                               : QStringList{QStringLiteral("store"),
                                             QStringLiteral("--label=Velmora HTML to PDF sign-in")} +
                                     kAttributes + UserAttribute(user);
        tool.start(m_program, arguments);
        tool.write(password.toUtf8());
        tool.closeWriteChannel();
        tool.waitForFinished(kKeyringWaitMs);
    }

private:
    static QStringList UserAttribute(const QString& user) { return {QStringLiteral("user"), user}; }
    QString m_program;
};

} // namespace

// secret-tool needs a session bus to reach a keyring; without one only the session keeps the password.
std::unique_ptr<PasswordKeeper> SystemPasswordKeeper() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
    if (program.isEmpty() || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return std::make_unique<SessionPasswordKeeper>();
    return std::make_unique<SecretToolKeeper>(program);
}

} // namespace velmora
