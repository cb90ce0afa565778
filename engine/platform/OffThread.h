#pragma once

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <thread>
#include <type_traits>

namespace velmora {

namespace off_thread {

// Starts `task` on the global thread pool.
void StartOnPool(std::function<void()> task);

// Hands `launch` a task that runs `work`; `then` gets its result on `context`'s thread, through the
// event loop: never before the caller has returned, and not at all once `context` is gone. What `work`
// holds is let go only once the result is on its way.
template <typename Work, typename Then, typename Launch>
void Start(Work work, QObject* context, Then then, Launch launch) {
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    // Attached before the work can finish, so it always runs from the working thread's side.
    promise->future().then(context, std::move(then));
    launch([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
}

} // namespace off_thread

// Runs `work` on the global thread pool, for what reads files or walks folders and so could hold up the
// event loop on a slow disk; `then(result)` follows on `context`'s thread. `work` must touch nothing
// but what it holds.
template <typename Work, typename Then> void RunOffThread(Work work, QObject* context, Then then) {
    off_thread::Start(std::move(work), context, std::move(then),
                      [](auto task) { StartOnPool(std::move(task)); });
}

// As RunOffThread, on a thread of its own that nothing waits for: for work that may block for good (a
// file system that no longer answers), which must hold up neither the pool nor the program's end.
template <typename Work, typename Then> void RunOnThreadOfItsOwn(Work work, QObject* context, Then then) {
    off_thread::Start(std::move(work), context, std::move(then),
                      [](auto task) { std::thread(std::move(task)).detach(); });
}

} // namespace velmora
