// With arguments that are the command line's own (see WantsCommandLine) the program converts without a
// window or display; otherwise the window opens, and Qt's window options (-platform, -style) reach it.
// "--queue SOURCE..." opens the window with the sources queued.
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
        QCoreApplication app(argc, argv);
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
    if (const auto queued = velmora::QueuedSources(QCoreApplication::arguments()))
        window.QueueSources(*queued);
    return app.exec();
}
