#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmora {

// Begins the console line in which a page tells its title (see WkhtmltopdfArguments).
inline const QString kTitleMarker = QStringLiteral("velmora-title:");
// Begins the console line in which a web page tells the address it finally shows.
inline const QString kAddressMarker = QStringLiteral("velmora-address:");

// Begins the console line in which a page tells what it is waited for: kWaitingForElement,
// kWaitingForExpression, or nothing once the wait is over.
inline const QString kWaitingMarker = QStringLiteral("velmora-waiting:");
inline const QString kWaitingForElement = QStringLiteral("element");
inline const QString kWaitingForExpression = QStringLiteral("expression");

// What wkhtmltopdf's messages say about one conversion.
struct WkhtmltopdfReport {
    QString mainPageFailure;    // a plain sentence when the document itself could not be loaded
    QStringList notLoaded;      // parts of the page that failed to load
    QStringList blocked;        // local files it was not allowed to read ("" for one that does not exist)
    QString lastMessage;        // the last line that is neither progress nor a stage heading
    QString pageTitle;          // the title the page told on the console, when asked to
    QString finalAddress;       // the address of the document printed, when the page told it
    QStringList shownAddresses; // every address the page told, in order, each once
    QString waitingFor;         // kWaitingForElement or kWaitingForExpression while the page is waited for
    bool certificateIgnored = false; // it took a certificate it could not trust, for the page or a part

    bool HasWarnings() const { return !notLoaded.isEmpty() || !blocked.isEmpty(); }
    // One sentence naming what did not load; empty without warnings.
    QString WarningReason() const;
};

// `source` is the row's web address or absolute local path, to tell the document from its parts.
WkhtmltopdfReport ReadWkhtmltopdfReport(const QByteArray& errorOutput, const QString& source);

} // namespace velmora
