#include "Console.h"

#include <unistd.h>

namespace velmora {

bool StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace velmora
