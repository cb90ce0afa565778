#include "CombineStep.h"

#include "PendingPdf.h"

#include <QDir>
#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace velmora {

void CombineStep::Start(const CombineRequest& request, const QString& finalPath, PdfCombiner combiner) {
    const int generation = ++m_generation;
    const QString shownPath = QDir::toNativeSeparators(finalPath);
    const auto report = [this, generation, shownPath](const QString& problem) {
        if (generation == m_generation)
            emit done(shownPath, problem);
    };
    QString error;
    std::shared_ptr<PendingPdf> output = PendingPdf::Create(finalPath, error);
    if (!output) {
        const QString problem =
            QStringLiteral("The combined PDF could not be created in the target folder (%1).").arg(error);
        QMetaObject::invokeMethod(
            this, [report, problem] { report(problem); }, Qt::QueuedConnection);
        return;
    }
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    promise->future().then(this, report);
    QThreadPool::globalInstance()->start(
        [promise, output, request, combiner = std::move(combiner)]() mutable {
            QString problem = combiner(request, output->TemporaryPath());
            // A write that failed unnoticed (a full disk) leaves an incomplete file.
            if (problem.isEmpty() && !output->CheckWritten().isEmpty())
                problem = QStringLiteral("The PDFs could not be combined: the combined file could not be "
                                         "written completely; the disk may be full.");
            if (problem.isEmpty())
                problem = output->Commit();
            output.reset(); // an unfinished temporary file goes now
            promise->addResult(problem);
            promise->finish();
        });
}

void CombineStep::Abandon() {
    ++m_generation;
}

} // namespace velmora
