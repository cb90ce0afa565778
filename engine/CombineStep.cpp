#include "CombineStep.h"

#include "PendingPdf.h"

#include <QDir>
#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>

namespace velmora {

// The combined file takes its name back on this thread, and only if the combine still counts: one that
// was abandoned meanwhile loses its temporary file with the last reference to it.
void CombineStep::Start(const CombineRequest& request, const QString& finalPath, PdfCombiner combiner) {
    const int generation = ++m_generation;
    const QString shownPath = QDir::toNativeSeparators(finalPath);
    QString error;
    std::shared_ptr<PendingPdf> output = PendingPdf::Create(finalPath, error);
    if (!output) {
        const QString problem =
            QStringLiteral("The combined PDF could not be created in the target folder (%1).").arg(error);
        QMetaObject::invokeMethod(
            this,
            [this, generation, shownPath, problem] {
                if (generation == m_generation)
                    emit done(shownPath, problem);
            },
            Qt::QueuedConnection);
        return;
    }
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    promise->future().then(this, [this, generation, shownPath, output](const QString& problem) {
        if (generation == m_generation)
            emit done(shownPath, problem.isEmpty() ? output->Commit() : problem);
    });
    QThreadPool::globalInstance()->start([promise, output, request,
                                          combiner = std::move(combiner)]() mutable {
        QString problem = combiner(request, output->TemporaryPath());
        // A write that failed unnoticed (a full disk) leaves an incomplete file.
        if (problem.isEmpty() && !output->CheckWritten().isEmpty())
            problem = QStringLiteral("The PDFs could not be combined: the combined file could not be written "
                                     "completely; the disk may be full.");
        output.reset();
        promise->addResult(problem);
        promise->finish();
    });
}

void CombineStep::Abandon() {
    ++m_generation;
}

} // namespace velmora
