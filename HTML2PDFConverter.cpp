// With arguments that are the command line's own (see WantsCommandLine) the program converts without a
// window or display; otherwise the window opens, and Qt's window options (-platform, -style) reach it.
// "--queue SOURCE..." opens the window with the sources queued. While a window runs in the user's
// session, a later start hands its sources to it and ends.
// No display name is set: X11 would append it to every dialog caption ("About", "Add URLs").
#include "CommandLine.h"
#include "CommandLineMain.h"
#include "CommandLineRun.h"
#include "Console.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

QStringList RawArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[]) {
    const QStringList arguments = RawArguments(argc, argv);
    if (velmora::WantsCommandLine(arguments))
        return velmora::CommandLineMain(argc, argv);

    // Qt would abort without a display; say what is wrong and where the way without a window is.
    if (!velmora::DisplayAvailable() && !velmora::NamesWindowPlatform(arguments)) {
        const QString name = QFileInfo(arguments.value(0)).fileName();
        std::fprintf(
            stderr, "%s\n",
            qPrintable(QStringLiteral("%1: the window needs a display, and there is none; \"%1 --help\" "
                                      "shows how to convert without a window.")
                           .arg(name)));
        return velmora::kExitUsageError;
    }
    QApplication app(argc, argv);
    velmora::SetApplicationIdentity();
    const QStringList queued = velmora::QueuedSources(QCoreApplication::arguments()).value_or(QStringList());
    velmora::SingleInstance instance;
    if (instance.HandToRunningWindow(queued))
        return 0;
    velmora::SystemDialogs dialogs;
    velmora::TfrmMain window(dialogs, velmora::SettingsStore::ForCurrentUser(),
                             QCoreApplication::applicationDirPath());
    // A request to end from outside closes the window as the user would: the run stops, its files
    // are cleaned up and the settings saved.
    QObject::connect(&velmora::TerminationSignals::Install(), &velmora::TerminationSignals::requested,
                     &window, &QWidget::close);
    window.show();
    if (!queued.isEmpty())
        window.QueueSources(queued);
    instance.Serve(window);
    return app.exec();
}
