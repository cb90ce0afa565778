#include "SettingsStore.h"

#include "ConvertCommand.h"
#include "ValueStore.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

QString ErrorText(const char* pattern, const QString& valueName) {
    return QString::fromLatin1(pattern).arg(valueName);
}

// Reads the text of `name` into `text`, `fallback` when the value is missing. Returns the error text,
// empty on success.
QString ReadText(const ValueStore& store, const QString& name, const QString& fallback, QString& text) {
    switch (store.ReadText(name, text)) {
    case ValueStore::Read::Missing:
        text = fallback;
        return {};
    case ValueStore::Read::Text:
        return {};
    case ValueStore::Read::WrongType:
        return ErrorText("Invalid data type for '%1'", name);
    case ValueStore::Read::Failed:
        break;
    }
    return ErrorText("Failed to get data for '%1'", name);
}

} // namespace

QString DefaultTargetFolder() {
    return PlatformDefaultTargetFolder();
}

QString CompletedAction(const QString& text) {
    if (text.isEmpty())
        return text;
    const QStringList actions = CompletionActions();
    const auto match = std::find_if(actions.cbegin(), actions.cend(), [&text](const QString& action) {
        return action.startsWith(text, Qt::CaseInsensitive);
    });
    return match != actions.cend() ? *match : text;
}

SettingsStore SettingsStore::ForCurrentUser() {
    return AtNativeLocation(CurrentUserStoreLocation());
}

SettingsStore SettingsStore::AtNativeLocation(const QString& location) {
    return SettingsStore(location, true);
}

SettingsStore SettingsStore::AtIniFile(const QString& path) {
    return SettingsStore(path, false);
}

std::unique_ptr<ValueStore> SettingsStore::Open() const {
    return m_native ? OpenNativeStore(m_location) : OpenIniStore(m_location);
}

QString SettingsStore::LoadSettings(SettingsHost& host) const {
    const std::unique_ptr<const ValueStore> store = Open();
    // A store that cannot be opened leaves the controls at their defaults, silently.
    if (!store->IsOpen())
        return {};

    QString text;
    if (QString error = ReadText(*store, kTargetFolderValue, DefaultTargetFolder(), text); !error.isEmpty())
        return error;
    host.SetTargetFolderText(text);

    if (QString error = ReadText(*store, kCompleteActionValue, kOpenTargetFolder, text); !error.isEmpty())
        return error;
    host.SetCompletionActionText(text);
    if (!CompletionActions().contains(host.CompletionActionText()))
        host.SetCompletionActionText(kOpenTargetFolder);
    return {};
}

QString SettingsStore::SaveSettings(const SettingsHost& host) const {
    const std::unique_ptr<ValueStore> store = Open();
    if (!store->IsOpen())
        return {};
    // A failed value stops the save: the one after it is not written.
    for (const auto& [name, text] : {std::pair{kTargetFolderValue, host.TargetFolderText()},
                                     std::pair{kCompleteActionValue, host.CompletionActionText()}}) {
        if (!store->WriteText(name, text))
            return ErrorText("Failed to set data for '%1'", name);
    }
    return {};
}

} // namespace velmora
