#pragma once

namespace velmora {

// Whether standard error goes to a terminal, where a progress line helps rather than clutters.
bool StandardErrorIsTerminal();

// Whether the window has somewhere to appear: a display, or a platform for Qt named in the environment.
bool DisplayAvailable();

// Where Qt's offscreen platform, which draws the command line's headers and footers, finds its fonts:
// on Windows it reads a folder of font files, by default one beside Qt's own libraries that an
// installed program does not have, so it is pointed at the system's fonts unless the user named a folder.
void UseSystemFontsOffscreen();

} // namespace velmora
