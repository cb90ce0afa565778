#pragma once

namespace velmora {

// Whether standard error goes to a terminal, where a progress line helps rather than clutters.
bool StandardErrorIsTerminal();

} // namespace velmora
