// The program takes no command-line arguments.
#include "Dialogs.h"
#include "MainForm.h"
#include "SettingsStore.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(velmora::kApplicationTitle);
    QApplication::setApplicationDisplayName(velmora::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("2.0"));

    velmora::SystemDialogs dialogs;
    velmora::TfrmMain window(dialogs, velmora::SettingsStore::ForCurrentUser(),
                             QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
