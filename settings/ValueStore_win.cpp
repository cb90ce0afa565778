#include "ValueStore.h"

#include <windows.h>

#include <vector>

namespace velmora {

namespace {

const QString kCurrentUserRoot = QStringLiteral("HKEY_CURRENT_USER\\");

LPCWSTR Wide(const QString& text) {
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

// The registry itself rather than QSettings: QSettings reads REG_BINARY as text, turns REG_MULTI_SZ
// into a list and cannot tell a value of no bytes from an empty text.
class RegistryStore final : public ValueStore {
public:
    explicit RegistryStore(const QString& subKey) {
        // Full access also for loading: a key the user may only read counts as one that cannot be opened.
        if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryStore() override {
        if (m_key)
            RegCloseKey(m_key);
    }
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    bool IsOpen() const override { return m_key != nullptr; }

    Read ReadText(const QString& name, QString& text) const override {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(m_key, Wide(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return Read::Missing;
        if (size == 0) {
            text.clear();
            return Read::Text;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return Read::WrongType;
        // Whole characters only: a stray last byte is dropped.
        std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD read = size;
        if (RegQueryValueExW(m_key, Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &read) != ERROR_SUCCESS)
            return Read::Failed;
        // The stored data need not end in a NUL, and the text ends at the first one. Environment
        // references in REG_EXPAND_SZ stay as written.
        text = QString::fromWCharArray(data.data(), qsizetype(qMin(read, size) / sizeof(wchar_t)));
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        return Read::Text;
    }

    bool WriteText(const QString& name, const QString& text) override {
        const DWORD bytes = DWORD((text.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(m_key, Wide(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.utf16()),
                              bytes) == ERROR_SUCCESS;
    }

private:
    HKEY m_key = nullptr;
};

} // namespace

QString CurrentUserStoreLocation() {
    return kCurrentUserRoot + QStringLiteral("SOFTWARE\\Velmora Free HTML to PDF Converter");
}

// `location` is a key below HKEY_CURRENT_USER, with or without that root in front.
std::unique_ptr<ValueStore> OpenNativeStore(const QString& location) {
    const QString subKey =
        location.startsWith(kCurrentUserRoot) ? location.mid(kCurrentUserRoot.size()) : location;
    return std::make_unique<RegistryStore>(subKey);
}

QString PlatformDefaultTargetFolder() {
    return QStringLiteral("C:\\My PDF");
}

} // namespace velmora
