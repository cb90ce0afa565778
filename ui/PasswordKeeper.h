#pragma once

#include <QHash>
#include <QString>

#include <memory>

namespace velmora {

// Where the window keeps the password of its HTTP sign-in: never in the settings file. The system's
// keyring where there is one (PasswordKeeper_posix.cpp: the Secret Service through `secret-tool`;
// PasswordKeeper_win.cpp: the Credential Manager), else only for the session.
class PasswordKeeper {
public:
    virtual ~PasswordKeeper() = default;
    // Where the password is kept, for the dialog to say: "in the system keyring", "for this session only".
    virtual QString Where() const = 0;
    virtual QString Read(const QString& user) = 0;
    // An empty password forgets the user's.
    virtual void Store(const QString& user, const QString& password) = 0;
};

// Keeps passwords in memory, for as long as the program runs.
class SessionPasswordKeeper final : public PasswordKeeper {
public:
    QString Where() const override;
    QString Read(const QString& user) override { return m_passwords.value(user); }
    void Store(const QString& user, const QString& password) override;

private:
    QHash<QString, QString> m_passwords;
};

// The system's keyring when it can be used, else a SessionPasswordKeeper.
std::unique_ptr<PasswordKeeper> SystemPasswordKeeper();

} // namespace velmora
