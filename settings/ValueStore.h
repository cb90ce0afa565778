#pragma once

#include <QString>

#include <memory>

namespace velmora {

// One opened settings store, held for the length of one load or save and closed when destroyed.
class ValueStore {
public:
    enum class Read {
        Missing,   // no value of that name
        Text,      // the text was read
        WrongType, // a value with data, but not text
        Failed,    // the value is there, but its data could not be read
    };

    virtual ~ValueStore() = default;
    // False when the store can be neither opened nor created: nothing is then read or written.
    virtual bool IsOpen() const = 0;
    // A value of no bytes reads as the empty text, whatever its type; a text ends at its first NUL.
    virtual Read ReadText(const QString& name, QString& text) const = 0;
    // False when the value could not be written.
    virtual bool WriteText(const QString& name, const QString& text) = 0;
};

// An INI file, on every platform.
std::unique_ptr<ValueStore> OpenIniStore(const QString& path);

// The platform's half (ValueStore_win.cpp, ValueStore_posix.cpp): the current user's own store is a
// registry key below HKEY_CURRENT_USER on Windows and an INI file elsewhere.
QString CurrentUserStoreLocation();
std::unique_ptr<ValueStore> OpenNativeStore(const QString& location);
QString PlatformDefaultTargetFolder();

} // namespace velmora
