#include "modern/BrowserPipe.h"

#include <QProcess>
#include <QUuid>
#include <QWinEventNotifier>

#include <functional>
#include <utility>

#include <windows.h>

namespace velmora {

namespace {

constexpr DWORD kPipeBufferBytes = 1024 * 1024;
constexpr DWORD kReadChunkBytes = 64 * 1024;

void CloseOnce(HANDLE& handle) {
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

// One direction of the pipe: our end overlapped, so the event loop waits for it; the browser's end a
// plain inheritable handle, as Chromium reads and writes it synchronously.
struct Channel {
    HANDLE ours = nullptr;
    HANDLE browsers = nullptr;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    bool pending = false;

    bool Create(bool weRead) {
        const QString name = QStringLiteral("\\\\.\\pipe\\velmora-devtools-%1-%2")
                                 .arg(GetCurrentProcessId())
                                 .arg(QUuid::createUuid().toString(QUuid::Id128));
        const auto wideName = reinterpret_cast<const wchar_t*>(name.utf16());
        ours = CreateNamedPipeW(wideName,
                                (weRead ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND) | FILE_FLAG_OVERLAPPED |
                                    FILE_FLAG_FIRST_PIPE_INSTANCE,
                                PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBufferBytes,
                                kPipeBufferBytes, 0, nullptr);
        if (ours == INVALID_HANDLE_VALUE) {
            ours = nullptr;
            return false;
        }
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        browsers = CreateFileW(wideName, weRead ? GENERIC_WRITE : GENERIC_READ, 0, &inheritable,
                               OPEN_EXISTING, 0, nullptr);
        if (browsers == INVALID_HANDLE_VALUE) {
            browsers = nullptr;
            return false;
        }
        event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        overlapped.hEvent = event;
        return event != nullptr;
    }

    // Starts an overlapped read or write; its event is set when it is done, at once or later.
    bool StartRead(QByteArray& buffer) {
        overlapped = {};
        overlapped.hEvent = event;
        pending = ReadFile(ours, buffer.data(), DWORD(buffer.size()), nullptr, &overlapped) ||
                  GetLastError() == ERROR_IO_PENDING;
        return pending;
    }
    bool StartWrite(const QByteArray& bytes) {
        overlapped = {};
        overlapped.hEvent = event;
        pending = WriteFile(ours, bytes.constData(), DWORD(bytes.size()), nullptr, &overlapped) ||
                  GetLastError() == ERROR_IO_PENDING;
        return pending;
    }
    // After the event: whether the operation succeeded, and how many bytes it moved.
    bool Finish(DWORD* bytes) {
        pending = false;
        const bool done = GetOverlappedResult(ours, &overlapped, bytes, FALSE);
        ResetEvent(event);
        return done;
    }

    // Ends any read or write in flight and leaves the event unsignalled, so that nothing can wake the
    // notifier watching it once that is switched off. (Wine's thread pool may still act on a signal
    // that arrives just after its wait was cleared, after the notifier is gone.)
    void StopIo() {
        if (pending && ours) {
            CancelIoEx(ours, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(ours, &overlapped, &ignored, TRUE); // the buffer must outlive the I/O
        }
        pending = false;
        if (event)
            ResetEvent(event);
    }

    void Close() {
        StopIo();
        CloseOnce(ours);
        CloseOnce(browsers);
        CloseOnce(event);
        overlapped = {};
    }
};

} // namespace

struct BrowserPipe::Ends {
    Channel toBrowser;
    Channel fromBrowser;
    // Owned by the pipe object; deleted later, as they may be signalling.
    QWinEventNotifier* readDone = nullptr;
    QWinEventNotifier* writeDone = nullptr;
    QByteArray incoming = QByteArray(kReadChunkBytes, Qt::Uninitialized);
    QByteArray writing; // what the pending write holds; it must stay put until the write completes
    QByteArray outgoing;
    std::function<void()> readNext;
    QString commandLine;
};

BrowserPipe::BrowserPipe(QObject* parent) : QObject(parent), m_ends(std::make_unique<Ends>()) {}

BrowserPipe::~BrowserPipe() {
    Close();
}

QStringList BrowserPipe::PlatformArguments() {
    return {};
}

// Chromium on Windows takes the pipe as two inherited handles named on its command line.
bool BrowserPipe::AttachTo(QProcess& process) {
    Close();
    Ends& e = *m_ends;
    if (!e.toBrowser.Create(false) || !e.fromBrowser.Create(true)) {
        Close();
        return false;
    }
    const QString handles = QStringLiteral(" --remote-debugging-io-pipes=%1,%2")
                                .arg(quintptr(e.toBrowser.browsers))
                                .arg(quintptr(e.fromBrowser.browsers));
    process.setCreateProcessArgumentsModifier([previous = process.createProcessArgumentsModifier(), handles,
                                               &e](QProcess::CreateProcessArguments* args) {
        if (previous)
            previous(args);
        // The command line must stay writable and alive until CreateProcess returns.
        e.commandLine = QString::fromWCharArray(args->arguments) + handles;
        args->arguments = reinterpret_cast<wchar_t*>(e.commandLine.data());
        args->inheritHandles = true;
    });

    // A read that cannot even start means the browser is gone; that is said from the event loop, as
    // when a read ends in failure.
    e.readNext = [this] {
        if (!m_ends->fromBrowser.StartRead(m_ends->incoming))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_ends->readDone) {
                        Close();
                        emit closed();
                    }
                },
                Qt::QueuedConnection);
    };
    e.readDone = new QWinEventNotifier(e.fromBrowser.event, this);
    connect(e.readDone, &QWinEventNotifier::activated, this, [this] {
        DWORD got = 0;
        if (!m_ends->fromBrowser.Finish(&got) || got == 0) {
            Close();
            emit closed();
            return;
        }
        emit received(m_ends->incoming.left(got));
        if (m_ends->readDone) // a receiver may have closed the pipe
            m_ends->readNext();
    });
    e.writeDone = new QWinEventNotifier(e.toBrowser.event, this);
    connect(e.writeDone, &QWinEventNotifier::activated, this, [this] {
        DWORD put = 0;
        if (!m_ends->toBrowser.Finish(&put)) {
            Close();
            emit closed();
            return;
        }
        m_ends->writing.clear();
        Write({});
    });
    return true;
}

void BrowserPipe::ProcessStarted() {
    CloseOnce(m_ends->toBrowser.browsers);
    CloseOnce(m_ends->fromBrowser.browsers);
    if (m_ends->readDone)
        m_ends->readNext();
}

void BrowserPipe::Write(const QByteArray& bytes) {
    Ends& e = *m_ends;
    if (!e.toBrowser.ours)
        return;
    e.outgoing += bytes;
    if (e.toBrowser.pending || e.outgoing.isEmpty())
        return;
    e.writing = std::exchange(e.outgoing, {});
    if (e.toBrowser.StartWrite(e.writing))
        return;
    // The caller is still inside its own command: it hears of the broken pipe from the event loop.
    Close();
    QMetaObject::invokeMethod(this, &BrowserPipe::closed, Qt::QueuedConnection);
}

void BrowserPipe::Close() {
    Ends& e = *m_ends;
    e.toBrowser.StopIo();
    e.fromBrowser.StopIo();
    for (QWinEventNotifier** notifier : {&e.readDone, &e.writeDone}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    e.toBrowser.Close();
    e.fromBrowser.Close();
    e.outgoing.clear();
    e.writing.clear();
    e.readNext = nullptr;
}

} // namespace velmora
