#include "PasswordKeeper.h"

#include <string>

// wincred.h needs windows.h first.
#include <windows.h>

#include <wincred.h>

namespace velmora {

namespace {

QString TargetName(const QString& user) {
    return QStringLiteral("Velmora HTML to PDF sign-in/") + user;
}

// The Credential Manager keeps it for the current user, protected by the user's logon.
class CredentialManagerKeeper final : public PasswordKeeper {
public:
    QString Where() const override { return QStringLiteral("kept in the Windows Credential Manager"); }

    QString Read(const QString& user) override {
        const std::wstring target = TargetName(user).toStdWString();
        PCREDENTIALW credential = nullptr;
        if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential))
            return {};
        const QString password = QString::fromUtf8(reinterpret_cast<const char*>(credential->CredentialBlob),
                                                   qsizetype(credential->CredentialBlobSize));
        CredFree(credential);
        return password;
    }

    void Store(const QString& user, const QString& password) override {
        std::wstring target = TargetName(user).toStdWString();
        if (password.isEmpty()) {
            CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0);
            return;
        }
        QByteArray blob = password.toUtf8();
        std::wstring name = user.toStdWString();
        CREDENTIALW credential = {};
        credential.Type = CRED_TYPE_GENERIC;
        credential.TargetName = target.data();
        credential.UserName = name.data();
        credential.CredentialBlobSize = DWORD(blob.size());
        credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
        credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
        CredWriteW(&credential, 0);
    }
};

} // namespace

std::unique_ptr<PasswordKeeper> SystemPasswordKeeper() {
    return std::make_unique<CredentialManagerKeeper>();
}

} // namespace velmora
