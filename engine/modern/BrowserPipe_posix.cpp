#include "modern/BrowserPipe.h"

#include <QProcess>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr int kBrowserReadsFd = 3;
constexpr int kBrowserWritesFd = 4;
// Above the two fixed numbers, so moving one end into place never overwrites the other.
constexpr int kScratchFd = 10;

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// A write to a pipe whose browser is gone raises SIGPIPE, which would end this program. The signal is
// held back for this thread during the write and discarded, so the write just fails with EPIPE; the
// rest of the program, and what the browser and other children inherit, keep their handling of it.
ssize_t WriteWithoutSigpipe(int fd, const char* data, size_t size) {
    sigset_t sigpipe;
    sigemptyset(&sigpipe);
    sigaddset(&sigpipe, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t previousMask;
    pthread_sigmask(SIG_BLOCK, &sigpipe, &previousMask);
    const ssize_t put = ::write(fd, data, size);
    const int writeError = errno;
    if (put < 0 && writeError == EPIPE && !alreadyPending) {
        const timespec noWait{};
        while (sigtimedwait(&sigpipe, nullptr, &noWait) < 0 && errno == EINTR)
            continue;
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    errno = writeError;
    return put;
}

} // namespace

struct BrowserPipe::Ends {
    int toBrowser[2] = {-1, -1};         // [0] the browser's fd 3, [1] ours to write
    int fromBrowser[2] = {-1, -1};       // [0] ours to read, [1] the browser's fd 4
    QSocketNotifier* readable = nullptr; // owned by the pipe object; deleted later, as it may be signalling
    QSocketNotifier* writable = nullptr;
    QByteArray outgoing;
};

BrowserPipe::BrowserPipe(QObject* parent) : QObject(parent), m_ends(std::make_unique<Ends>()) {}

BrowserPipe::~BrowserPipe() {
    Close();
}

QStringList BrowserPipe::PlatformArguments() {
    if (::geteuid() == 0)
        return {QStringLiteral("--no-sandbox")};
    return {};
}

bool BrowserPipe::AttachTo(QProcess& process) {
    Close();
    Ends& e = *m_ends;
    if (::pipe2(e.toBrowser, O_CLOEXEC) != 0 || ::pipe2(e.fromBrowser, O_CLOEXEC) != 0) {
        Close();
        return false;
    }
    const int browserReads = e.toBrowser[0];
    const int browserWrites = e.fromBrowser[1];
    // Runs in the child between fork and exec: only async-signal-safe calls. dup2 clears close-on-exec.
    // Whatever the process was already set to do in the child (its process group) runs first.
    process.setChildProcessModifier([previous = process.childProcessModifier(), browserReads, browserWrites] {
        if (previous)
            previous();
        const int reads = ::fcntl(browserReads, F_DUPFD, kScratchFd);
        const int writes = ::fcntl(browserWrites, F_DUPFD, kScratchFd);
        if (reads < 0 || writes < 0 || ::dup2(reads, kBrowserReadsFd) < 0 ||
            ::dup2(writes, kBrowserWritesFd) < 0)
            ::_exit(127);
        // Only the two fixed numbers stay open, so the pipe breaks when the browser closes them.
        ::close(reads);
        ::close(writes);
    });
    ::fcntl(e.toBrowser[1], F_SETFL, O_NONBLOCK);
    ::fcntl(e.fromBrowser[0], F_SETFL, O_NONBLOCK);

    e.readable = new QSocketNotifier(e.fromBrowser[0], QSocketNotifier::Read, this);
    connect(e.readable, &QSocketNotifier::activated, this, [this] {
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(m_ends->fromBrowser[0], buffer, sizeof buffer);
            if (got > 0) {
                emit received(QByteArray(buffer, got));
                if (!m_ends->readable) // a receiver closed the pipe
                    return;
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && errno == EAGAIN)
                return;
            Close();
            emit closed();
            return;
        }
    });
    e.writable = new QSocketNotifier(e.toBrowser[1], QSocketNotifier::Write, this);
    e.writable->setEnabled(false);
    connect(e.writable, &QSocketNotifier::activated, this, [this] { Write({}); });
    return true;
}

void BrowserPipe::ProcessStarted() {
    CloseFd(m_ends->toBrowser[0]);
    CloseFd(m_ends->fromBrowser[1]);
}

void BrowserPipe::Write(const QByteArray& bytes) {
    Ends& e = *m_ends;
    if (e.toBrowser[1] < 0)
        return;
    e.outgoing += bytes;
    while (!e.outgoing.isEmpty()) {
        const ssize_t put =
            WriteWithoutSigpipe(e.toBrowser[1], e.outgoing.constData(), size_t(e.outgoing.size()));
        if (put > 0) {
            e.outgoing.remove(0, put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno == EAGAIN)
            break;
        // The caller is still inside its own command: it hears of the broken pipe from the event loop.
        Close();
        QMetaObject::invokeMethod(this, &BrowserPipe::closed, Qt::QueuedConnection);
        return;
    }
    e.writable->setEnabled(!e.outgoing.isEmpty());
}

void BrowserPipe::Close() {
    Ends& e = *m_ends;
    for (QSocketNotifier** notifier : {&e.readable, &e.writable}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    e.outgoing.clear();
    for (int* fd : {&e.toBrowser[0], &e.toBrowser[1], &e.fromBrowser[0], &e.fromBrowser[1]})
        CloseFd(*fd);
}

} // namespace velmora
