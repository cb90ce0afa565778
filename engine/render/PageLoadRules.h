#pragma once

#include <QString>
#include <QStringList>

namespace velmora {

// The plain sentence for a page that could not be loaded, from the browser's network error name
// ("net::ERR_NAME_NOT_RESOLVED") and the address asked for.
QString NetErrorReason(const QString& errorText, const QString& url);

// Where pages behind a login get what they need.
inline const QString kSignInHint =
    QStringLiteral("Give it in Convert › Sign-in and cookies… (on the command line: --cookies, --cookie, "
                   "--http-header or --user).");

// The plain sentence for a main document the server answered with an error status (400 and up);
// empty for any other status. statusText may be empty (HTTP/2 sends none). 401 and 403 point to the
// sign-in setting.
QString HttpStatusReason(int status, const QString& statusText);

// The warning for parts of a page that could not be loaded, naming each once.
QString MissingPartsReason(const QStringList& parts);

// Whether a part of the page of this DevTools resource type ("Image", "Fetch", ...), asked for by this
// kind of initiator ("parser", "script", ...), can show in the printed page, so that its failure is
// worth a warning. Favicons, script data requests and scripts that scripts add (search indexes) cannot.
bool ShowsInPrint(const QString& resourceType, const QString& initiatorType);

// Whether a page may read the file: address: only a local document may, only files in its document
// set's folder (localRoot) or below it, and nothing whose name below that folder starts with a dot.
// Symbolic links count where they lead.
bool MayReadFile(const QString& fileUrl, const QString& localRoot);

// The folder a local document may read (with its sub-folders): `chosenRoot` when the user named one
// that holds the document, else the document's own folder widened to the nearest folder that holds
// every local file it draws with (NamedLocalFiles) that exists, never wider than the home folder or a
// folder one below the top of the file system, nor above a dot-named folder the document itself lies
// in. A file named through a symbolic link that leads elsewhere widens nothing.
QString LocalRootFor(const QString& documentPath, const QString& chosenRoot = {});

// The local files a document's markup loads to draw itself (see DrawnResourceNames), as absolute
// paths resolved against its folder (not checked to exist); web addresses left out.
QStringList NamedLocalFiles(const QString& documentPath);

// The text of a local HTML document's <title>, with white space collapsed and character references
// decoded; empty when it has none.
QString LocalDocumentTitle(const QString& documentPath);

} // namespace velmora
