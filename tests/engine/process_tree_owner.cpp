// Test helper: process_tree_owner PROGRAM ARGUMENT... starts PROGRAM in a process tree of its own,
// prints the child's process id on a line, and runs until it is killed.
#include "ProcessTree.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        std::fputs("usage: process_tree_owner PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    QProcess child;
    child.setProgram(arguments.at(1));
    child.setArguments(arguments.mid(2));
    velmora::PrepareProcessTree(child);
    child.start();
    if (!child.waitForStarted())
        return 1;
    velmora::AdoptProcessTree(child);
    std::printf("%lld\n", child.processId());
    std::fflush(stdout);
    return QCoreApplication::exec();
}
