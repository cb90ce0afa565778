#include "PasswordKeeper.h"

namespace velmora {

QString SessionPasswordKeeper::Where() const {
    return QStringLiteral("kept for this session only (no system keyring was found)");
}

void SessionPasswordKeeper::Store(const QString& user, const QString& password) {
    if (password.isEmpty())
        m_passwords.remove(user);
    else
        m_passwords.insert(user, password);
}

} // namespace velmora
