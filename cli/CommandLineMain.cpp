#include "CommandLineMain.h"

#include "CommandLineRun.h"
#include "SettingsStore.h"

#include <QCoreApplication>

namespace velmora {

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Velmora Free HTML to PDF Converter"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
}

int CommandLineMain(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SetApplicationIdentity();
    return RunCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(),
                          SettingsStore::ForCurrentUser());
}

} // namespace velmora
