#include "CommandLineMain.h"

#include "CommandLineRun.h"
#include "Console.h"
#include "SettingsStore.h"

#include <QGuiApplication>

#include <algorithm>

namespace velmora {

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Velmora Free HTML to PDF Converter"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
}

namespace {

// Qt takes "-style" (with one dash or two) as a window style and leaves it out of the arguments it gives
// back; to the command line it names a style sheet (--style FILE), so it is put back as typed.
QStringList WithStyleOption(QStringList arguments, const QStringList& typed) {
    if (arguments.isEmpty())
        return arguments;
    const auto isStyle = [](const QString& argument) {
        return argument == QLatin1String("--style") || argument == QLatin1String("-style") ||
               argument.startsWith(QLatin1String("--style=")) ||
               argument.startsWith(QLatin1String("-style="));
    };
    QStringList style;
    for (qsizetype i = 1; i < typed.size() && typed[i] != QLatin1String("--"); ++i) {
        if (!isStyle(typed[i]))
            continue;
        style << typed[i];
        if (!typed[i].contains(QLatin1Char('=')) && i + 1 < typed.size())
            style << typed[++i];
    }
    if (std::none_of(arguments.cbegin() + 1, arguments.cend(), isStyle))
        for (qsizetype i = style.size() - 1; i >= 0; --i)
            arguments.insert(1, style[i]);
    return arguments;
}

} // namespace

int CommandLineMain(int argc, char* argv[]) {
    QStringList typed;
    for (int i = 0; i < argc; ++i)
        typed << QString::fromLocal8Bit(argv[i]);
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
    return RunCommandLine(WithStyleOption(QCoreApplication::arguments(), typed),
                          QCoreApplication::applicationDirPath(), SettingsStore::ForCurrentUser());
}

} // namespace velmora
