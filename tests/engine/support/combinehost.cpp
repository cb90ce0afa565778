// A program that combines as the Convert command does, for a test that ends it while the combiner never
// returns: combinehost <output folder>. It prints "combining" once the combiner is at work, and on
// SIGTERM, SIGINT or SIGHUP abandons the combine and quits.
#include "platform/TerminationSignals.h"
#include "run/CombineStep.h"

#include <QCoreApplication>
#include <QDir>
#include <QSemaphore>

#include <cstdio>

using namespace velmora;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1)
        return 2;
    CombineStep step;
    QObject::connect(&TerminationSignals::Install(), &TerminationSignals::requested, &app, [&step] {
        step.Abandon();
        QCoreApplication::quit();
    });
    // Stuck for good, as on reading from a file system that no longer answers.
    const PdfCombiner stuck = [](const CombineRequest&, const QString&, const std::atomic_bool&) {
        std::puts("combining");
        std::fflush(stdout);
        QSemaphore().acquire();
        return QString();
    };
    CombineRequest request;
    request.parts = {{QDir(args.at(0)).filePath(QStringLiteral("part.pdf")), QStringLiteral("Part"), {}}};
    step.Start(request, QDir(args.at(0)).filePath(QStringLiteral("Combined.pdf")), stuck);
    return app.exec();
}
