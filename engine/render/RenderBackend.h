#pragma once

#include "queue/RowState.h"
#include "render/PageSetup.h"
#include "render/SignIn.h"

#include <QFuture>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace velmora {

// What one row asks of a rendering engine.
struct RenderRequest {
    QString source;        // a web address, or the absolute path of a local file
    QString temporaryPath; // absolute path of the temporary file to write the PDF into (exists, empty)
    QString localRoot;     // for a local file: the only folder (with sub-folders) it may read; else empty
    PageSetup page = {};   // paper, margins, scale, backgrounds, style; the run stamps header and footer
    SignIn signIn = {};    // cookies, headers and an HTTP sign-in for pages behind a login
};

// One rendering engine behind the batch run. The run owns everything every engine obeys alike: queue
// order, conversions at once, the time limit, Stop, the temporary file and its rename, and the final
// check of the PDF. An engine only turns one source into one file at a time per job number.
class RenderBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~RenderBackend() override = default;

    // Why this engine cannot run at all (not found, cannot be started), checked before a run starts
    // anything; empty when it can run. What needs a program started is answered through the event
    // loop, on this object's thread; the check ends with the engine.
    virtual QFuture<QString> StartProblem() { return QtFuture::makeReadyFuture(QString()); }
    // Why this engine cannot print with `page` (something it has no way to do); empty when it can.
    virtual QString PageSetupProblem(const PageSetup& page) const {
        Q_UNUSED(page);
        return {};
    }

    // Why this engine cannot send `signIn` as asked (only to the hosts it belongs to); empty when it can.
    virtual QString SignInProblem(const SignIn& signIn) const {
        Q_UNUSED(signIn);
        return {};
    }

    // Called once before a run's first Begin() and once after its last row ended, was aborted or
    // the run was stopped; an engine may hold run-wide resources (a browser) between the two.
    virtual void BeginRun(int parallelism) { Q_UNUSED(parallelism); }
    virtual void EndRun() {}

    // Starts rendering. Must end in exactly one rowEnded(job, ...) unless Abort(job) comes first;
    // rowEnded may be emitted from inside Begin() (e.g. a program that cannot be started).
    virtual void Begin(int job, const RenderRequest& request) = 0;

    // Ends the job's work at once, without waiting for a program to end: no rowEnded follows, and an
    // output a killed program still touches on its way out is removed by the engine once it has ended.
    // Returns the engine's last meaningful message for it, or empty.
    virtual QString Abort(int job) = 0;

signals:
    // state: Converted, ConvertedWithWarnings or Failed, as the engine saw it; the run still checks
    // the file before it counts as converted. reason: empty for Converted, else one plain sentence.
    void rowEnded(int job, velmora::RowState state, const QString& reason);
    // The document's title, for a header or footer that shows it, when the engine learnt it other than
    // from the PDF's own document information; before the job's rowEnded.
    void pageTitle(int job, const QString& title);
    // The engine began the job again from the start, through no fault of its source (its renderer had to
    // be replaced), so the job's time limit starts again.
    void rowRestarted(int job);
};

// Makes the engine for a run, given the program's folder; called afresh at every run, so a program
// installed while this one runs is found. Each engine offers one; the window and the command line
// choose which the run gets.
using EngineFactory = std::function<std::unique_ptr<RenderBackend>(const QString& programFolder)>;

} // namespace velmora
