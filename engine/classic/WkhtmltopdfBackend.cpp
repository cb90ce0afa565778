#include "classic/WkhtmltopdfBackend.h"

#include "classic/CertificateCheck.h"
#include "classic/ConverterLocation.h"
#include "classic/ReadyScript.h"
#include "classic/TypedCopy.h"
#include "classic/WkhtmltopdfReport.h"
#include "platform/OffThread.h"
#include "platform/ProcessTree.h"
#include "queue/TextRules.h"
#include "render/LastMessage.h"
#include "render/PageLoadRules.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkCookie>
#include <QProcess>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace velmora {

namespace {

// Enough for the converter's last messages; its progress bars can be long.
constexpr qsizetype kErrorTailBytes = 64 * 1024;
// How long the converter may take to start and tell its version.
constexpr int kVersionCheckMs = 20000;
// A document's encoding shows in its first bytes; reading all of a huge file would stall the run.
constexpr qint64 kEncodingProbeBytes = 1024 * 1024;
// The converter writes the page's console messages in the system's 8-bit encoding, which on Windows
// is not UTF-8, so the title comes as JSON in ASCII alone (the converter's WebKit predates arrows).
const QString kTitleScript =
    QStringLiteral(R"(console.log('%1' + JSON.stringify(document.title).replace(/[\u0080-\uffff]/g, )"
                   R"(function (c) { return '\\u' + ('000' + c.charCodeAt(0).toString(16)).slice(-4); }));)")
        .arg(kTitleMarker);
// A page may send the browser on (a script, a refresh) to an address that fails; the converter then
// prints that document, and only the page can tell which one it was.
const QString kAddressScript =
    QStringLiteral("console.log('%1' + JSON.stringify(location.href));").arg(kAddressMarker);

QString MillimetreText(double mm) {
    return QString::number(mm, 'f', 2) + QStringLiteral("mm");
}
// How many names the walk of a document set's folder tree looks at: a document set is small; a home
// folder is not, and its unvisited corners stay closed.
constexpr qsizetype kWalkBudget = 20000;

// Without a declared character set the converter reads Latin-1, which garbles UTF-8 text. A
// declaration in the document still wins over this default.
bool ReadsAsUtf8(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kEncodingProbeBytes);
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString decoded = decoder.decode(head);
    Q_UNUSED(decoded);
    return !decoder.hasError(); // a sequence cut at the probe's end is no error yet
}

// The page options that differ from the converter's own defaults (A4 portrait, its own margins, zoom 1,
// backgrounds), so a default setup runs exactly as before. Its own paper names match ours.
QStringList PageArguments(const PageSetup& page) {
    const PageSetup defaults;
    QStringList arguments;
    if (page.paper == Paper::Custom) {
        const QSizeF size = page.PaperSizeMm();
        arguments << QStringLiteral("--page-width") << MillimetreText(size.width())
                  << QStringLiteral("--page-height") << MillimetreText(size.height());
    } else {
        if (page.paper != defaults.paper)
            arguments << QStringLiteral("--page-size") << page_text::PaperText(page);
        if (page.orientation == Orientation::Landscape)
            arguments << QStringLiteral("--orientation") << QStringLiteral("Landscape");
    }
    if (const std::optional<QMarginsF> margins = page.PrintMarginsMm())
        arguments << QStringLiteral("-T") << MillimetreText(margins->top()) << QStringLiteral("-R")
                  << MillimetreText(margins->right()) << QStringLiteral("-B")
                  << MillimetreText(margins->bottom()) << QStringLiteral("-L")
                  << MillimetreText(margins->left());
    if (page.scalePercent != defaults.scalePercent)
        arguments << QStringLiteral("--zoom") << QString::number(page.scalePercent / 100.0);
    if (!page.backgrounds)
        arguments << QStringLiteral("--no-background");
    return arguments;
}

// Whether a folder lies on the way down to the document's own folder, or below it.
bool IsOnTheWay(const QString& folder, const QString& documentFolder) {
    const auto below = [](const QString& path, const QString& top) {
        return path.startsWith(top.endsWith(QLatin1Char('/')) ? top : top + QLatin1Char('/'));
    };
    return folder == documentFolder || below(documentFolder, folder) || below(folder, documentFolder);
}

// The converter can only allow whole folders and single files, and has no way to refuse a part of an
// allowed folder. So the folder tree is walked, broadest level first: a folder with no dot-named
// name anywhere below it is allowed whole; otherwise its own files are allowed one by one and its
// sub-folders looked at in turn. The folders down to the document's own and all below it are walked
// before the rest, so a tree too large to walk leaves only its far corners closed. The converter
// allows a symbolic link where it leads, so one is handed on only when that is a file the page may
// read; a linked folder is walked where it really lies, if at all.
QStringList ReadableEntries(const QString& root, const QString& documentFolder) {
    struct Folder {
        QString path;
        qsizetype parent;
        bool listed = false;
        bool clean = true; // no dot-named name below it that the walk saw
        QStringList files;
        QList<qsizetype> children;
    };
    QList<Folder> folders{{root, -1, false, true, {}, {}}};
    QList<qsizetype> near{0};
    QList<qsizetype> far;
    qsizetype budget = kWalkBudget;
    while (budget > 0 && !(near.isEmpty() && far.isEmpty())) {
        const qsizetype next = near.isEmpty() ? far.takeFirst() : near.takeFirst();
        const QFileInfoList entries =
            QDir(folders[next].path)
                .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        budget -= entries.size();
        folders[next].listed = true;
        for (const QFileInfo& entry : entries) {
            const QString path = entry.absoluteFilePath();
            if (entry.fileName().startsWith(QLatin1Char('.'))) {
                folders[next].clean = false;
            } else if (entry.isSymLink()) {
                if (!entry.isDir() && MayReadFile(QUrl::fromLocalFile(path).toString(), root))
                    folders[next].files.append(path);
            } else if (entry.isDir()) {
                folders[next].children.append(folders.size());
                (IsOnTheWay(path, documentFolder) ? near : far).append(folders.size());
                folders.append({path, next, false, true, {}, {}});
            } else {
                folders[next].files.append(path);
            }
        }
    }
    // Children come after their parents, so one backward pass settles every folder.
    for (qsizetype i = folders.size() - 1; i >= 0; --i) {
        Folder& folder = folders[i];
        folder.clean = folder.clean && folder.listed;
        if (!folder.clean && folder.parent >= 0)
            folders[folder.parent].clean = false;
    }
    QStringList allowed;
    QList<qsizetype> pending{0};
    while (!pending.isEmpty()) {
        const Folder& folder = folders[pending.takeFirst()];
        if (folder.clean) {
            allowed.append(folder.path);
        } else if (folder.listed) {
            allowed += folder.files;
            pending += folder.children;
        }
    }
    return allowed;
}

// The converter reads its arguments from a line of standard input when asked, quoted as a shell
// would. A local document's --allow entries can run to thousands (each page of a documentation set
// whose top folder holds a dot-named file is allowed on its own), beyond the 32,767 characters of a
// Windows command line, so its arguments come that way. No quoting carries a line break there; only
// a POSIX name can hold one, and a POSIX command line holds megabytes: empty then.
QByteArray ArgumentLine(const QStringList& arguments) {
    QByteArray line;
    for (const QString& argument : arguments) {
        if (argument.contains(QLatin1Char('\n')))
            return {};
        const QString escaped = QString(argument)
                                    .replace(QLatin1Char('\\'), QLatin1String("\\\\"))
                                    .replace(QLatin1Char('"'), QLatin1String("\\\""));
        line += '"' + escaped.toLocal8Bit() + "\" ";
    }
    line.back() = '\n';
    return line;
}

// What a local document's conversion needs from the disk: the copy it is converted from, the arguments
// (which walk its folder tree), and its title.
struct LocalDocument {
    std::shared_ptr<const TypedCopy> typedCopy;
    QStringList arguments;
    QString title;
};

LocalDocument ReadLocalDocument(RenderRequest request) {
    LocalDocument document;
    document.typedCopy = std::make_shared<const TypedCopy>(request.source);
    // A local document runs no script, so its title is read from the file.
    document.title = LocalDocumentTitle(request.source);
    request.source = document.typedCopy->Path();
    document.arguments = WkhtmltopdfArguments(request);
    return document;
}

} // namespace

// Paths reach the converter in the platform's own form, as a user would type them for it. A local
// document runs no script: the converter would let a script read the files the document may read and
// send them to any server, and it has no setting that stops only that.
QStringList WkhtmltopdfArguments(const RenderRequest& request) {
    QStringList arguments = {QStringLiteral("--disable-local-file-access")};
    const bool local = !request.localRoot.isEmpty();
    if (local) {
        arguments << QStringLiteral("--disable-javascript") << QStringLiteral("--allow")
                  << QDir::toNativeSeparators(request.source);
        const QFileInfo folder(QFileInfo(request.source).absolutePath());
        QStringList readable = ReadableEntries(request.localRoot, folder.canonicalFilePath());
        // What the page itself draws with is read wherever the walk stopped.
        for (const QString& file : NamedLocalFiles(request.source))
            if (QFileInfo(file).isFile() &&
                MayReadFile(QUrl::fromLocalFile(file).toString(), request.localRoot))
                readable.append(file);
        for (const QString& entry : readable)
            arguments << QStringLiteral("--allow") << QDir::toNativeSeparators(entry);
        if (ReadsAsUtf8(request.source))
            arguments << QStringLiteral("--encoding") << QStringLiteral("utf-8");
    }
    arguments << PageArguments(request.page);
    // The converter writes no title into the PDF, so a web page tells it on the console, which the
    // converter prints among its messages, with the address it finally shows.
    arguments << ReadyArguments(request, kTitleScript + kAddressScript);
    arguments << (local ? QDir::toNativeSeparators(request.source) : request.source)
              << QDir::toNativeSeparators(request.temporaryPath);
    return arguments;
}

struct WkhtmltopdfBackend::Conversion {
    quint64 serial = 0; // tells a conversion from an earlier one of the same job
    RenderRequest request;
    std::shared_ptr<const TypedCopy> typedCopy; // what a local document is converted from
    std::unique_ptr<QTemporaryDir> cookieFolder; // the cookie jar, readable by the user alone
    QString localTitle;
    std::unique_ptr<CertificateCheck> check;
    std::unique_ptr<QProcess> process; // none while the certificate is checked or the document read
    QByteArray errorOutput;
    bool killed = false;

    // A killed converter may have held its output open while the run removed it (Windows keeps an open
    // file), or written once more before it died, so its output goes again once it has ended.
    ~Conversion() {
        if (process)
            WaitForKilledProcess(*process);
        process.reset();
        if (killed)
            QFile::remove(request.temporaryPath);
    }

    void ReadErrors() {
        if (!process)
            return;
        errorOutput += process->readAllStandardError();
        if (errorOutput.size() > kErrorTailBytes)
            errorOutput = errorOutput.right(kErrorTailBytes);
    }
    QString ConvertedSource() const { return typedCopy ? typedCopy->Path() : request.source; }
    WkhtmltopdfReport Report() const { return ReadWkhtmltopdfReport(errorOutput, ConvertedSource()); }
};

QByteArray WkhtmltopdfCookieJar(const SignIn& signIn) {
    QByteArray jar;
    for (const Cookie& cookie : signIn.CookiesForHosts()) {
        QNetworkCookie own(cookie.name.toUtf8(), cookie.value.toUtf8());
        // Without a leading dot the converter sends it to that host alone.
        own.setDomain(cookie.includeSubdomains ? QLatin1Char('.') + cookie.domain : cookie.domain);
        own.setPath(cookie.path);
        own.setSecure(cookie.secure);
        own.setHttpOnly(cookie.httpOnly);
        if (cookie.expires > 0)
            own.setExpirationDate(QDateTime::fromSecsSinceEpoch(cookie.expires));
        jar += own.toRawForm() + '\n';
    }
    return jar;
}

std::unique_ptr<RenderBackend> MakeClassicEngine(const QString& programFolder) {
    const ProgramLocation converter = LocateConverter(programFolder);
    return std::make_unique<WkhtmltopdfBackend>(converter.path, converter.searched);
}

WkhtmltopdfBackend::WkhtmltopdfBackend(QString program, QStringList searched, QObject* parent)
    : RenderBackend(parent), m_program(std::move(program)), m_searched(std::move(searched)) {}

// Whatever is still running ends here, and is waited for: nothing of it may outlive the engine.
WkhtmltopdfBackend::~WkhtmltopdfBackend() {
    while (!m_conversions.empty())
        Abort(m_conversions.begin()->first);
    if (m_probe && m_probe->state() != QProcess::NotRunning)
        EndProcessTree(*m_probe);
}

// A converter that answered once is not asked again while its file stays the same: the question
// costs a process start at every run. The answer comes through the event loop, as a converter may be
// slow to start or never answer.
QFuture<QString> WkhtmltopdfBackend::StartProblem() {
    const QFileInfo file(m_program);
    if (m_program.isEmpty() || !file.isFile())
        return QtFuture::makeReadyFuture(kConverterMissingMessage.arg(m_searched.join(QStringLiteral("; "))));
    static QSet<QString> answered;
    const QString identity = QStringLiteral("%1|%2|%3|%4")
                                 .arg(file.absoluteFilePath())
                                 .arg(file.size())
                                 .arg(file.lastModified().toMSecsSinceEpoch())
                                 .arg(int(file.permissions()));
    if (answered.contains(identity))
        return QtFuture::makeReadyFuture(QString());
    m_probe = std::make_unique<QProcess>();
    QProcess* probe = m_probe.get();
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    const QString where = QDir::toNativeSeparators(m_program);
    const auto answer = [promise, where](const QString& why) {
        if (promise->future().isFinished())
            return;
        promise->addResult(why.isEmpty() ? QString() : kConverterNotStartedMessage.arg(where, why));
        promise->finish();
    };
    connect(probe, &QProcess::errorOccurred, this, [answer, probe](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            answer(probe->errorString());
    });
    connect(probe, &QProcess::finished, this, [answer, probe, identity] {
        if (EndedAbnormally(*probe)) {
            answer(QStringLiteral("it crashed when asked for its version"));
        } else if (probe->exitCode() != 0) {
            answer(QStringLiteral("it ended with exit code %1 when asked for its version")
                       .arg(probe->exitCode()));
        } else {
            answered.insert(identity);
            answer({});
        }
    });
    QTimer::singleShot(kVersionCheckMs, probe, [answer, probe] {
        KillProcessTree(*probe);
        answer(QStringLiteral("it did not answer"));
    });
    probe->setProgram(m_program);
    probe->setArguments({QStringLiteral("--version")});
    probe->setStandardInputFile(QProcess::nullDevice());
    PrepareProcessTree(*probe);
    probe->start();
    if (probe->state() != QProcess::NotRunning)
        AdoptProcessTree(*probe);
    return promise->future();
}

// Debian's converter is built without the patched Qt that screen style needs, and it sizes the paper
// before the page is read, so a document's own @page size never reaches it.
QString WkhtmltopdfBackend::PageSetupProblem(const PageSetup& page) const {
    if (const QString problem = page.loading.Problem(); !problem.isEmpty())
        return problem;
    if (page.media == MediaStyle::Screen)
        return QStringLiteral("The Classic engine prints pages with their print style only; choose the "
                              "Modern engine for the on-screen style.");
    if (page.cssPageSize)
        return QStringLiteral("The Classic engine cannot use the page's own paper size; choose the Modern "
                              "engine for it, or a paper size.");
    return {};
}

// The converter's own header option sends a header on to wherever the address redirects, and its
// user name and password go to any server a page loads from that asks for them.
QString WkhtmltopdfBackend::SignInProblem(const SignIn& signIn) const {
    if (!signIn.headers.isEmpty())
        return QStringLiteral("The Classic engine cannot keep headers to the queue's sites (it sends them on "
                              "to wherever an address redirects); choose the Modern engine for headers.");
    if (!signIn.user.isEmpty())
        return QStringLiteral("The Classic engine cannot keep a user name and password to the queue's sites "
                              "(it gives them to any server a page loads from that asks); choose the Modern "
                              "engine for them.");
    return {};
}

// The converter accepts any certificate, so the main address's is checked first.
void WkhtmltopdfBackend::Begin(int job, const RenderRequest& request) {
    auto owned = std::make_unique<Conversion>();
    Conversion* conversion = owned.get();
    conversion->serial = m_nextSerial++;
    conversion->request = request;
    m_conversions[job] = std::move(owned);
    if (const QString problem = request.localRoot.isEmpty() ? request.page.loading.Problem()
                                                            : LocalDocumentProblem(request.page.loading);
        !problem.isEmpty()) {
        End(job, RowState::Failed, problem);
        return;
    }
    const QUrl url(request.source);
    if (request.localRoot.isEmpty() &&
        url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        conversion->check =
            std::make_unique<CertificateCheck>(QList<QUrl>{url}, CertificateCheck::Redirects::NotFollowed);
        connect(conversion->check.get(), &CertificateCheck::finished, this,
                [this, job](const QString& problem) {
                    if (problem.isEmpty())
                        Start(job);
                    else
                        End(job, RowState::Failed, problem);
                });
    } else {
        Start(job);
    }
}

// A local document is read and its folder tree walked first, which on a slow disk or in a large
// folder takes a while: off the event loop, so that the window and the other rows go on meanwhile.
void WkhtmltopdfBackend::Start(int job) {
    const Conversion& conversion = *m_conversions.at(job);
    if (conversion.request.localRoot.isEmpty()) {
        Launch(job, WkhtmltopdfArguments(conversion.request));
        return;
    }
    RunOffThread([request = conversion.request] { return ReadLocalDocument(request); }, this,
                 [this, job, serial = conversion.serial](const LocalDocument& document) {
                     const auto it = m_conversions.find(job);
                     if (it == m_conversions.end() || it->second->serial != serial) // aborted meanwhile
                         return;
                     it->second->typedCopy = document.typedCopy;
                     it->second->localTitle = document.title;
                     Launch(job, document.arguments);
                 });
}

void WkhtmltopdfBackend::Launch(int job, const QStringList& pageArguments) {
    Conversion* conversion = m_conversions.at(job).get();
    QStringList arguments = pageArguments;
    if (const QByteArray jar = WkhtmltopdfCookieJar(conversion->request.signIn); !jar.isEmpty()) {
        conversion->cookieFolder = std::make_unique<QTemporaryDir>();
        QFile file(conversion->cookieFolder->filePath(QStringLiteral("cookies.txt")));
        if (!conversion->cookieFolder->isValid() || !file.open(QIODevice::WriteOnly) || file.write(jar) != jar.size()) {
            End(job, RowState::Failed, QStringLiteral("The cookies could not be handed to the converter (%1).")
                                           .arg(file.errorString()));
            return;
        }
        arguments = QStringList{QStringLiteral("--cookie-jar"), QDir::toNativeSeparators(file.fileName())} + arguments;
    }
    conversion->process = std::make_unique<QProcess>();
    QProcess* process = conversion->process.get();
    // A style sheet of one's own can be long too.
    const PageLoading& loading = conversion->request.page.loading;
    const QByteArray argumentLine =
        conversion->request.localRoot.isEmpty() && loading.styleFile.isEmpty() && loading.hide.isEmpty()
            ? QByteArray()
            : ArgumentLine(arguments);
    process->setProgram(m_program);
    if (argumentLine.isEmpty()) {
        process->setArguments(arguments);
        process->setStandardInputFile(QProcess::nullDevice());
    } else {
        process->setArguments({QStringLiteral("--read-args-from-stdin")});
    }
    process->setStandardOutputFile(QProcess::nullDevice());
    PrepareProcessTree(*process);

    connect(process, &QProcess::readyReadStandardError, this, [conversion] { conversion->ReadErrors(); });
    connect(process, &QProcess::errorOccurred, this, [this, job](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            End(job, RowState::Failed,
                QStringLiteral("The converter could not be started (%1).")
                    .arg(m_conversions.at(job)->process->errorString()));
    });
    connect(process, &QProcess::finished, this, [this, job, process](int exitCode, QProcess::ExitStatus) {
        Evaluate(job, exitCode, EndedAbnormally(*process));
    });
    process->start();
    if (process->state() != QProcess::NotRunning) {
        AdoptProcessTree(*process);
        if (!argumentLine.isEmpty()) {
            process->write(argumentLine);
            process->closeWriteChannel(); // one line, one conversion
        }
    }
}

// The killed converter is not waited for here: it is kept, with its files, until it has ended (see
// ~Conversion).
QString WkhtmltopdfBackend::Abort(int job) {
    const auto it = m_conversions.find(job);
    if (it == m_conversions.end())
        return {};
    std::unique_ptr<Conversion> conversion = std::move(it->second);
    m_conversions.erase(it);
    if (conversion->check)
        conversion->check->disconnect(this);
    conversion->ReadErrors();
    const WkhtmltopdfReport report = conversion->Report();
    const PageLoading& loading = conversion->request.page.loading;
    const QString lastMessage = report.waitingFor == kWaitingForElement ? WaitForReason(loading.waitFor)
                                : report.waitingFor == kWaitingForExpression
                                    ? WaitUntilReason(loading.waitUntil)
                                    : report.lastMessage;
    QProcess* process = conversion->process.get();
    if (!process || process->state() == QProcess::NotRunning)
        return lastMessage;
    process->disconnect(this);
    KillProcessTree(*process);
    conversion->killed = true;
    Conversion* ending = conversion.get();
    m_ending.push_back(std::move(conversion));
    // Released once the signal has returned, as the process sends it.
    connect(process, &QProcess::finished, this, [this, ending] {
        QMetaObject::invokeMethod(
            this,
            [this, ending] {
                std::erase_if(m_ending, [ending](const auto& owned) { return owned.get() == ending; });
            },
            Qt::QueuedConnection);
    });
    return lastMessage;
}

void WkhtmltopdfBackend::Evaluate(int job, int exitCode, bool crashed) {
    Conversion& conversion = *m_conversions.at(job);
    conversion.ReadErrors();
    const WkhtmltopdfReport report = conversion.Report();
    // A local document runs no script, so its title is read from the file instead.
    const QString title = report.pageTitle.isEmpty() && !conversion.request.localRoot.isEmpty()
                              ? conversion.localTitle
                              : report.pageTitle.simplified();
    if (!title.isEmpty())
        emit pageTitle(job, title);
    // The converter took a certificate it could not trust, for the document or a part of it. On the main
    // document's way (the source's redirects, each document the page went on to) the row fails as with
    // the Modern engine; a part of the page is left as the converter had it.
    if (!crashed && report.mainPageFailure.isEmpty() && report.certificateIgnored) {
        QList<QUrl> way{QUrl(conversion.request.source)};
        for (const QString& address : report.shownAddresses)
            way.append(QUrl(address));
        conversion.check = std::make_unique<CertificateCheck>(way, CertificateCheck::Redirects::Followed);
        connect(conversion.check.get(), &CertificateCheck::finished, this,
                [this, job, exitCode, report](const QString& problem) {
                    if (problem.isEmpty())
                        Conclude(job, exitCode, false, report);
                    else
                        End(job, RowState::Failed, problem);
                });
        return;
    }
    Conclude(job, exitCode, crashed, report);
}

void WkhtmltopdfBackend::Conclude(int job, int exitCode, bool crashed, const WkhtmltopdfReport& report) {
    const Conversion& conversion = *m_conversions.at(job);
    if (crashed)
        End(job, RowState::Failed,
            WithLastMessage(QStringLiteral("The converter crashed."), report.lastMessage));
    else if (!report.mainPageFailure.isEmpty())
        End(job, RowState::Failed, report.mainPageFailure);
    else if (exitCode != 0 && QFileInfo(conversion.request.temporaryPath).size() == 0)
        End(job, RowState::Failed,
            WithLastMessage(
                QStringLiteral("The converter ended with exit code %1 and wrote no PDF.").arg(exitCode),
                report.lastMessage));
    else if (report.HasWarnings())
        End(job, RowState::ConvertedWithWarnings, report.WarningReason());
    else if (exitCode != 0)
        End(job, RowState::ConvertedWithWarnings,
            WithLastMessage(
                QStringLiteral("Converted, but the converter ended with exit code %1.").arg(exitCode),
                report.lastMessage));
    else
        End(job, RowState::Converted, {});
}

void WkhtmltopdfBackend::End(int job, RowState state, const QString& reason) {
    const auto it = m_conversions.find(job);
    if (it == m_conversions.end())
        return;
    // Either may be the sender of the signal being handled, so both are released later.
    for (QObject* worker : {static_cast<QObject*>(it->second->process.release()),
                            static_cast<QObject*>(it->second->check.release())}) {
        if (worker) {
            worker->disconnect(this);
            worker->deleteLater();
        }
    }
    m_conversions.erase(it);
    emit rowEnded(job, state, reason);
}

} // namespace velmora
