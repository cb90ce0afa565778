#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>

namespace velmora {

// Runs `work` on the global thread pool, for what reads files or walks folders and so could hold up the
// event loop on a slow disk. Its result comes back through the future: `.then(context, ...)` goes on in
// the context object's thread. `work` must touch nothing but what it holds.
template <typename Work> QFuture<std::invoke_result_t<Work>> RunOffThread(Work work) {
    using Result = std::invoke_result_t<Work>;
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    QFuture<Result> future = promise->future();
    QThreadPool::globalInstance()->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
    return future;
}

} // namespace velmora
