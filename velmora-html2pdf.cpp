// The command line on its own, as a console program: on Windows only a console program's standard
// output, standard error and exit status reach the shell or script that started it (the window
// program's do not), so this is the one to put on PATH.
#include "CommandLineMain.h"

int main(int argc, char* argv[]) {
    return velmora::CommandLineMain(argc, argv);
}
