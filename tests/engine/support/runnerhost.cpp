// A program that runs the batch runner the way the window does, for tests that must end or kill a
// whole program: runnerhost <converter> <output folder> <source>...
// It prints "started <job>" and "finished <job> <state> <reason>" for each row, and on SIGTERM, SIGINT or
// SIGHUP stops the run and exits with 0.
#include "classic/WkhtmltopdfBackend.h"
#include "platform/TerminationSignals.h"
#include "run/BatchRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace velmora;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 3)
        return 2;
    BatchRunner runner;
    runner.SetBackend(std::make_unique<WkhtmltopdfBackend>(args.at(0)));
    QList<ConversionJob> jobs;
    for (const QString& source : args.mid(2))
        jobs.append({source, QDir(args.at(1)).filePath(QFileInfo(source).completeBaseName() + ".pdf")});
    QObject::connect(&runner, &BatchRunner::rowStarted, [](int job) {
        std::printf("started %d\n", job);
        std::fflush(stdout);
    });
    QObject::connect(&runner, &BatchRunner::rowFinished, [](int job, RowState state, const QString& reason) {
        std::printf("finished %d %d %s\n", job, int(state), qPrintable(reason));
        std::fflush(stdout);
    });
    QObject::connect(&TerminationSignals::Install(), &TerminationSignals::requested, &app, [&runner] {
        runner.Stop();
        QCoreApplication::quit();
    });
    QObject::connect(&runner, &BatchRunner::finished, &app, &QCoreApplication::quit);
    runner.Start(jobs);
    return app.exec();
}
