#pragma once

#include "CombineRequest.h"

#include <QObject>
#include <QString>

namespace velmora {

// Joins a finished run's PDFs into one file, off the event-loop thread. The combiner writes a temporary
// file beside the final path, which takes the final name only when it holds a complete PDF, so an
// earlier combined file survives a combine that fails.
class CombineStep final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Ends in one done(), always after Start() has returned, unless Abandon() comes first.
    void Start(const CombineRequest& request, const QString& finalPath, PdfCombiner combiner);
    // Drops the combine at work: its temporary file goes once the combiner is done with it, and no
    // done() follows.
    void Abandon();

signals:
    // problem: empty when the combined file is in place at finalPath (absolute, the platform's form).
    void done(const QString& finalPath, const QString& problem);

private:
    int m_generation = 0; // a combine's result counts only if no later Start or Abandon came
};

} // namespace velmora
