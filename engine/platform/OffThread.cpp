#include "platform/OffThread.h"

namespace velmora {

namespace {

#ifdef Q_OS_WIN
// A program whose worker threads matched regular expressions with Qt's JIT cannot exit on Windows (its
// end waits for good), so there they are matched without it. Set before main, before anything is compiled.
const bool kRegexJitOff = qputenv("QT_ENABLE_REGEXP_JIT", "0");
#endif

} // namespace

namespace off_thread {

void StartOnPool(std::function<void()> task) {
    QThreadPool::globalInstance()->start(std::move(task));
}

} // namespace off_thread

} // namespace velmora
