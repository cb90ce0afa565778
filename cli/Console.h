#pragma once

namespace velmora {

// Whether standard error goes to a terminal, where a progress line helps rather than clutters.
bool StandardErrorIsTerminal();

// Whether the window has somewhere to appear: a display, or a platform for Qt named in the environment.
bool DisplayAvailable();

} // namespace velmora
