#include "classic/WkhtmltopdfReport.h"

#include "queue/TextRules.h"
#include "render/PageLoadRules.h"

#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUrl>

namespace velmora {

namespace {

// Network error codes of Qt's QNetworkReply, as the converter prints them.
constexpr int kConnectionRefused = 1;
constexpr int kRemoteHostClosed = 2;
constexpr int kHostNotFound = 3;
constexpr int kTimeout = 4;
constexpr int kOperationCanceled = 5;

constexpr int kNamedParts = 3;

const QRegularExpression kLoadError(QStringLiteral(
    R"(^Error: Failed to load (.*), with network status code (\d+) and http status code (\d+)(?: - (.*))?$)"));
const QRegularExpression kPageFailed(QStringLiteral(R"(^Error: Failed loading page )"));
const QRegularExpression kPartFailed(QStringLiteral(R"(^Warning: Failed to load (.*?)(?: \(ignore\))?$)"));
const QRegularExpression kBlocked(QStringLiteral(R"(^Warning: Blocked access to file ?(.*)$)"));
const QRegularExpression kServerReplied(QStringLiteral(R"(server replied: (.*)$)"));
const QRegularExpression kTitleLine(QStringLiteral(R"(^Warning: .*?%1(".*")$)").arg(kTitleMarker));
const QRegularExpression kAddressLine(QStringLiteral(R"(^Warning: .*?%1(".*")$)").arg(kAddressMarker));
const QRegularExpression kWaitingLine(QStringLiteral(R"(^Warning: .*?%1(\w*)$)").arg(kWaitingMarker));
const QRegularExpression kLineBreak(QStringLiteral("[\r\n]"));
const QRegularExpression kTransferring(QStringLiteral(R"(^Error transferring (\S+) - )"));
const QRegularExpression kArgPlaceholder(QStringLiteral("%[1-9]"));
// What the converter says whenever it accepts a certificate that cannot be trusted; it names no address.
const QString kCertificateIgnored = QStringLiteral("Warning: SSL error ignored");

// Progress bars, stage headings and Qt's start-up chatter say nothing about the outcome.
bool IsNoise(const QString& line) {
    static const QStringList prefixes = {QStringLiteral("["),
                                         QStringLiteral("Loading page"),
                                         QStringLiteral("Printing pages"),
                                         QStringLiteral("Counting pages"),
                                         QStringLiteral("Resolving links"),
                                         QStringLiteral("Loading headers"),
                                         QStringLiteral("QStandardPaths:"),
                                         QStringLiteral("Exit with code")};
    if (line == QStringLiteral("Done"))
        return true;
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&line](const QString& p) { return line.startsWith(p); });
}

QUrl Normalized(const QUrl& url) {
    return url.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments);
}

QUrl SourceUrl(const QString& source) {
    return Normalized(HasWebPrefix(source) ? QUrl(source, QUrl::TolerantMode) : QUrl::fromLocalFile(source));
}

// The converter fills its message in with Qt's arg(), which also replaces "%2", "%3" and the like in
// the address it names ("a%2Fb" may read "a203Fb"); the address in the detail is printed as it was.
bool IsMainAddress(const QString& printed, const QString& detail, const QUrl& main, const QString& source) {
    if (Normalized(QUrl(printed, QUrl::TolerantMode)) == main)
        return true;
    if (const auto transferring = kTransferring.match(detail);
        transferring.hasMatch() && Normalized(QUrl(transferring.captured(1), QUrl::TolerantMode)) == main)
        return true;
    if (!source.contains(kArgPlaceholder))
        return false;
    QString pattern;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& placeholder : kArgPlaceholder.globalMatch(source)) {
        pattern += QRegularExpression::escape(source.mid(done, placeholder.capturedStart() - done)) +
                   QStringLiteral(".*?");
        done = placeholder.capturedEnd();
    }
    pattern += QRegularExpression::escape(source.mid(done));
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(printed).hasMatch();
}

// Told in the Modern engine's words for the same cause, by the browser's name for it.
QString MainPageReason(const QRegularExpressionMatch& match, const QUrl& url) {
    const int network = match.captured(2).toInt();
    const int http = match.captured(3).toInt();
    const QString detail = match.captured(4).trimmed();
    if (http > 0) {
        const QString phrase = kServerReplied.match(detail).captured(1).trimmed();
        if (const QString reason = HttpStatusReason(http, phrase); !reason.isEmpty())
            return reason;
        return phrase.isEmpty() ? QStringLiteral("The server answered %1.").arg(http)
                                : QStringLiteral("The server answered %1 %2.").arg(http).arg(phrase);
    }
    const QString address = url.toString();
    switch (network) {
    case kConnectionRefused:
        return NetErrorReason(QStringLiteral("net::ERR_CONNECTION_REFUSED"), address);
    case kRemoteHostClosed:
        return NetErrorReason(QStringLiteral("net::ERR_EMPTY_RESPONSE"), address);
    case kHostNotFound:
        return NetErrorReason(QStringLiteral("net::ERR_NAME_NOT_RESOLVED"), address);
    case kTimeout:
    case kOperationCanceled:
        return NetErrorReason(QStringLiteral("net::ERR_TIMED_OUT"), address);
    default:
        return detail.isEmpty() ? QStringLiteral("The page could not be loaded.")
                                : QStringLiteral("The page could not be loaded (%1).").arg(detail);
    }
}

// The string a marked console line carries, quoted as a JSON string.
QString JsonString(const QString& quoted) {
    return QJsonDocument::fromJson("[" + quoted.toUtf8() + "]").array().at(0).toString();
}

QString NameSome(const QStringList& items) {
    QStringList named = items.mid(0, kNamedParts);
    if (items.size() > kNamedParts)
        named.append(QStringLiteral("and %1 more").arg(items.size() - kNamedParts));
    return named.join(QStringLiteral(", "));
}

} // namespace

// The converter refuses a file that does not exist as it refuses one outside the folder, but names
// only the second.
QString WkhtmltopdfReport::WarningReason() const {
    QStringList clauses;
    if (!notLoaded.isEmpty())
        clauses.append(QStringLiteral("some parts did not load: %1").arg(NameSome(notLoaded)));
    QStringList outside = blocked;
    const qsizetype missing = outside.removeAll(QString());
    if (!outside.isEmpty())
        clauses.append(
            QStringLiteral("files outside the document's folder were not read: %1").arg(NameSome(outside)));
    if (missing == 1)
        clauses.append(QStringLiteral("a file the page uses does not exist"));
    else if (missing > 1)
        clauses.append(QStringLiteral("%1 files the page uses do not exist").arg(missing));
    if (clauses.isEmpty())
        return {};
    return QStringLiteral("Converted, but ") + clauses.join(QStringLiteral(". And ")) + QLatin1Char('.');
}

WkhtmltopdfReport ReadWkhtmltopdfReport(const QByteArray& errorOutput, const QString& source) {
    WkhtmltopdfReport report;
    const QUrl main = SourceUrl(source);
    bool pageFailed = false;
    QHash<QUrl, QString> failedReasons; // why each address that failed did, by its normalized form
    for (const QString& raw : QString::fromLocal8Bit(errorOutput).split(kLineBreak)) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || IsNoise(line))
            continue;
        if (const auto title = kTitleLine.match(line); title.hasMatch()) {
            // The title as the page's script gave it, quoted as a JSON string.
            report.pageTitle = JsonString(title.captured(1));
            continue;
        }
        if (const auto address = kAddressLine.match(line); address.hasMatch()) {
            report.finalAddress = JsonString(address.captured(1)); // the page tells it at every load
            if (!report.shownAddresses.contains(report.finalAddress))
                report.shownAddresses.append(report.finalAddress);
            continue;
        }
        if (const auto waiting = kWaitingLine.match(line); waiting.hasMatch()) {
            report.waitingFor = waiting.captured(1);
            continue;
        }
        if (line == kCertificateIgnored)
            report.certificateIgnored = true;
        report.lastMessage = line;
        if (const auto m = kLoadError.match(line); m.hasMatch()) {
            const QUrl url(m.captured(1), QUrl::TolerantMode);
            if (url.scheme() == QStringLiteral("about")) // what a blocked frame shows instead
                continue;
            if (IsMainAddress(m.captured(1), m.captured(4).trimmed(), main, source)) {
                if (report.mainPageFailure.isEmpty())
                    report.mainPageFailure = MainPageReason(m, url);
            } else {
                failedReasons.insert(Normalized(url), MainPageReason(m, url));
                if (!report.notLoaded.contains(m.captured(1)))
                    report.notLoaded.append(m.captured(1));
            }
        } else if (kPageFailed.match(line).hasMatch()) {
            pageFailed = true;
        } else if (const auto part = kPartFailed.match(line); part.hasMatch()) {
            if (!report.notLoaded.contains(part.captured(1)))
                report.notLoaded.append(part.captured(1));
        } else if (const auto blocked = kBlocked.match(line); blocked.hasMatch()) {
            report.blocked.append(QDir::toNativeSeparators(blocked.captured(1).trimmed()));
        }
    }
    // A page that sent the browser on is printed as the document it went to, and the converter's
    // messages cannot tell such a document from a part of the page: only the address the page
    // finally showed can.
    const QUrl shown = Normalized(QUrl(report.finalAddress, QUrl::TolerantMode));
    if (report.mainPageFailure.isEmpty() && HasWebPrefix(report.finalAddress) && shown != main) {
        if (failedReasons.contains(shown)) {
            report.mainPageFailure = failedReasons.value(shown);
            report.notLoaded.removeAll(report.finalAddress);
        } else if (pageFailed) {
            report.mainPageFailure =
                NetErrorReason(QStringLiteral("net::ERR_ADDRESS_UNREACHABLE"), report.finalAddress);
        }
    }
    // The converter tells a local file's kind by its name alone, and takes one it cannot tell for a download.
    if (pageFailed && report.mainPageFailure.isEmpty() && !HasWebPrefix(source) &&
        QMimeDatabase().mimeTypeForFile(source, QMimeDatabase::MatchExtension).isDefault())
        report.mainPageFailure =
            QStringLiteral("The Classic engine cannot tell what kind of document this file is from its name; "
                           "give it a name ending in .html or .txt, or convert it with the Modern engine.");
    if (pageFailed && report.mainPageFailure.isEmpty())
        report.mainPageFailure =
            QStringLiteral("The page could not be loaded, and the converter did not say why (an address "
                           "that leads to a download, answers with no content, redirects without end or "
                           "closes its own window ends this way).");
    return report;
}

} // namespace velmora
