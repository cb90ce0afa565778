#include "run/CombineStep.h"

#include "platform/OffThread.h"
#include "render/PendingPdf.h"

#include <QDir>
#include <QFile>
#include <QFuture>

namespace velmora {

namespace {

// Long enough for a combine told to give up to finish the part it is reading.
constexpr int kEndWaitMs = 1500;

// Tells the step's end that a combine's thread is done, once it has let go of all it held.
class EndedSignal {
public:
    explicit EndedSignal(std::shared_ptr<QSemaphore> ended) : m_ended(std::move(ended)) {}
    ~EndedSignal() { m_ended->release(); }
    EndedSignal(const EndedSignal&) = delete;
    EndedSignal& operator=(const EndedSignal&) = delete;

private:
    std::shared_ptr<QSemaphore> m_ended;
};

} // namespace

// What the combining thread shares with the step.
struct CombineStep::Work {
    std::shared_ptr<PendingPdf> output;
    std::atomic_bool abandoned = false;
};

CombineStep::~CombineStep() {
    Abandon();
    if (m_started > 0)
        m_ended->tryAcquire(m_started, kEndWaitMs);
}

// The combined file takes its name back on this thread, and only if the combine still counts. The
// combine runs on a thread of its own, which nothing waits for beyond a moment: a part that blocks its
// reading (a file system that no longer answers) must not hold up Stop, nor the program's end, as a
// thread of Qt's global pool would.
void CombineStep::Start(const CombineRequest& request, const QString& finalPath, PdfCombiner combiner) {
    Abandon();
    const int generation = m_generation;
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
    auto work = std::make_shared<Work>();
    work->output = output;
    m_work = work;
    ++m_started;
    RunOnThreadOfItsOwn(
        [work, request, combiner = std::move(combiner),
         ended = std::make_shared<EndedSignal>(m_ended)]() mutable {
            QString problem = combiner(request, work->output->TemporaryPath(), work->abandoned);
            // A write that failed unnoticed (a full disk) leaves an incomplete file.
            if (problem.isEmpty() && !work->output->CheckWritten().isEmpty())
                problem = QStringLiteral("The PDFs could not be combined: the combined file could not be "
                                         "written completely; the disk may be full.");
            work.reset(); // an abandoned combine loses its temporary file now
            return problem;
        },
        this,
        [this, generation, shownPath, output](const QString& problem) {
            if (generation != m_generation)
                return;
            m_work.reset();
            emit done(shownPath, problem.isEmpty() ? output->Commit() : problem);
        });
}

void CombineStep::Abandon() {
    ++m_generation;
    if (!m_work)
        return;
    m_work->abandoned = true;
    QFile::remove(m_work->output->TemporaryPath());
    m_work.reset();
}

} // namespace velmora
