#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// The plain sentence for a page that could not be loaded, from the browser's network error name
// ("net::ERR_NAME_NOT_RESOLVED") and the address asked for.
QString NetErrorReason(const QString& errorText, const QString& url);

// The plain sentence for a main document the server answered with an error status (400 and up);
// empty for any other status. statusText may be empty (HTTP/2 sends none).
QString HttpStatusReason(int status, const QString& statusText);

// The warning for parts of a page that could not be loaded, naming each once.
QString MissingPartsReason(const QStringList& parts);

// Whether a part of the page of this DevTools resource type ("Image", "Fetch", ...) can show in the
// printed page, so that its failure is worth a warning. Favicons and script data requests cannot.
bool ShowsInPrint(const QString& resourceType);

// Whether a page may read the file: address: only a local document may, and only files in its own
// folder (localRoot) or below it. Symbolic links count where they lead.
bool MayReadFile(const QString& fileUrl, const QString& localRoot);

} // namespace velmora
