#include "Console.h"

#include <cstdio>
#include <io.h>

namespace velmora {

bool StandardErrorIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

bool DisplayAvailable() {
    return true; // the desktop is always there
}

} // namespace velmora
