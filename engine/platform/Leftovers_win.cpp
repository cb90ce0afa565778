#include "platform/Leftovers.h"

#include <QDir>

#include <memory>

#include <windows.h>

#include <aclapi.h>

namespace velmora {

namespace {

// The security identifier in the access token of this process that `kind` (TokenUser, TokenOwner)
// names, in the token's own buffer.
std::unique_ptr<BYTE[]> TokenSid(TOKEN_INFORMATION_CLASS kind, PSID* sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return nullptr;
    DWORD size = 0;
    GetTokenInformation(token, kind, nullptr, 0, &size);
    auto buffer = std::make_unique<BYTE[]>(size);
    const bool ok = size > 0 && GetTokenInformation(token, kind, buffer.get(), size, &size);
    CloseHandle(token);
    if (!ok)
        return nullptr;
    *sid = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid
                             : reinterpret_cast<TOKEN_OWNER*>(buffer.get())->Owner;
    return buffer;
}

// Whether the user of this process owns `path`: as the user, or as the owner it gives what it makes
// (the Administrators group, for an elevated administrator).
bool OwnedByThisUser(const QString& path) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(path.utf16()), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return false;
    bool own = false;
    for (const TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        PSID sid = nullptr;
        const std::unique_ptr<BYTE[]> buffer = TokenSid(kind, &sid);
        own = own || (buffer && EqualSid(owner, sid));
    }
    LocalFree(descriptor);
    return own;
}

} // namespace

bool IsPlainEntry(const QString& path, LeftoverKind kind) {
    const DWORD attributes =
        GetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return bool(attributes & FILE_ATTRIBUTE_DIRECTORY) == (kind == LeftoverKind::Folder);
}

QString PrivateFolder(const QString& parent) {
    // The user's temporary folder is the user's alone already; the new folder inherits its access.
    const QString path = QDir(parent).filePath(QStringLiteral("velmora"));
    const QString native = QDir::toNativeSeparators(path);
    if (!CreateDirectoryW(reinterpret_cast<LPCWSTR>(native.utf16()), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS)
        return {};
    if (!IsPlainEntry(path, LeftoverKind::Folder) || !OwnedByThisUser(native))
        return {};
    return path;
}

} // namespace velmora
