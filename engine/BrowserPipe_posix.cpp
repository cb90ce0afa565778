#include "BrowserPipe.h"

#include <QProcess>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
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
    // A browser that is gone (or whose program could not be run) would end this program through SIGPIPE
    // at the next write; ignored, the write fails and says so instead. Qt's own pipes do the same.
    ::signal(SIGPIPE, SIG_IGN);
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
        const ssize_t put = ::write(e.toBrowser[1], e.outgoing.constData(), size_t(e.outgoing.size()));
        if (put > 0) {
            e.outgoing.remove(0, put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno == EAGAIN)
            break;
        Close();
        emit closed();
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
