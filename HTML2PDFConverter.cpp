// The program takes no command-line arguments. No display name is set: X11 would append it to every
// dialog caption ("About", "Add URLs").
#include "Dialogs.h"
#include "MainForm.h"
#include "SettingsStore.h"
#include "TerminationSignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(velmora::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

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
