#pragma once

#include "render/CombineRequest.h"

#include <QObject>
#include <QSemaphore>
#include <QString>

#include <memory>

namespace velmora {

class PendingPdf;

// Joins a finished run's PDFs into one file, off the event-loop thread. The combiner writes a temporary
// file beside the final path, which takes the final name only when it holds a complete PDF, so an
// earlier combined file survives a combine that fails.
class CombineStep final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Waits a moment for a combine still at work, never longer: the program's end must not hang on it.
    ~CombineStep() override;

    // Ends in one done(), always after Start() has returned, unless Abandon() comes first.
    void Start(const CombineRequest& request, const QString& finalPath, PdfCombiner combiner);
    // Drops the combine at work at once: its temporary file goes, the combiner is told to give up, and
    // no done() follows.
    void Abandon();

signals:
    // problem: empty when the combined file is in place at finalPath (absolute, the platform's form).
    void done(const QString& finalPath, const QString& problem);

private:
    struct Work;

    int m_generation = 0;         // a combine's result counts only if no later Start or Abandon came
    std::shared_ptr<Work> m_work; // the combine at work, if any
    std::shared_ptr<QSemaphore> m_ended = std::make_shared<QSemaphore>(); // one release per combine ended
    int m_started = 0;
};

} // namespace velmora
