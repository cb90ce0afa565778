#include "Console.h"

#include <QtGlobal>

#include <unistd.h>

namespace velmora {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

bool DisplayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void UseSystemFontsOffscreen() {} // fontconfig finds them

} // namespace velmora
