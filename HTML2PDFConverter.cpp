// With arguments that are the command line's own (see WantsCommandLine) the program converts without a
// window or display; otherwise the window opens, and Qt's window options (-platform, -style) reach it.
// No display name is set: X11 would append it to every dialog caption ("About", "Add URLs").
#include "CommandLine.h"
#include "CommandLineRun.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "SettingsStore.h"
#include "TerminationSignals.h"

#include <QApplication>

namespace {

QStringList RawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(velmora::kApplicationTitle);
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
}

} // namespace

int main(int argc, char* argv[]) {
    if (velmora::WantsCommandLine(RawArguments(argc, argv))) {
        // Headers and footers are drawn with Qt's fonts, which need a GUI application; the offscreen
        // platform gives one that needs no display. What the platform remarks while it starts (such as
        // a missing XDG_RUNTIME_DIR) has no place among the command line's own messages.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        QGuiApplication app(argc, argv);
        qInstallMessageHandler(previous);
        SetApplicationIdentity();
        return velmora::RunCommandLine(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(),
                                       velmora::SettingsStore::ForCurrentUser());
    }

    QApplication app(argc, argv);
    SetApplicationIdentity();
    velmora::SystemDialogs dialogs;
    velmora::TfrmMain window(dialogs, velmora::SettingsStore::ForCurrentUser(),
                             QCoreApplication::applicationDirPath());
    // A request to end from outside closes the window as the user would: the run stops, its files
    // are cleaned up and the settings saved.
    QObject::connect(&velmora::TerminationSignals::Install(), &velmora::TerminationSignals::requested,
                     &window, &QWidget::close);
    window.show();
    return app.exec();
}
