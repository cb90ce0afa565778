#include "CommandLineMain.h"

#include "CommandLineRun.h"
#include "Console.h"
#include "SettingsStore.h"

#include <QGuiApplication>

namespace velmora {

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Velmora Free HTML to PDF Converter"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
}

int CommandLineMain(int argc, char* argv[]) {
    // Headers and footers are drawn with Qt's fonts, which need a GUI application; the offscreen
    // platform gives one that needs no display. What the platform remarks while it starts (such as
    // a missing XDG_RUNTIME_DIR) has no place among the command line's own messages.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    UseSystemFontsOffscreen();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(previous);
    SetApplicationIdentity();
    return RunCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(),
                          SettingsStore::ForCurrentUser());
}

} // namespace velmora
