#pragma once

namespace velmora {

// The program's name and version (for --version, and where the settings are kept).
void SetApplicationIdentity();

// The command line as a whole program, without a window or display: both the window program (given
// the command line's own arguments) and the console program velmora-html2pdf run it.
int CommandLineMain(int argc, char* argv[]);

} // namespace velmora
