#include "ValueStore.h"

#include <QDir>
#include <QStandardPaths>

namespace velmora {

QString CurrentUserStoreLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Velmora/Velmora Free HTML to PDF Converter.ini");
}

std::unique_ptr<ValueStore> OpenNativeStore(const QString& location) {
    return OpenIniStore(location);
}

QString PlatformDefaultTargetFolder() {
    return QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/My PDF"));
}

} // namespace velmora
