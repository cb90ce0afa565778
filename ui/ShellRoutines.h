#pragma once

#include "Dialogs.h"

#include <QList>
#include <QString>

class QWidget;

namespace velmora {

inline const QString kHomePageAddress = QStringLiteral("https://www.velmora.example/html-to-pdf-converter/");
inline const QString kSupportMailAddress = QStringLiteral("support@velmora.example");
inline const QString kProjectPageAddress = QStringLiteral("http://wkhtmltopdf.org");
inline const QString kWebsiteToPdfOnlineAddress =
    QStringLiteral("https://online.velmora.example/website-to-pdf");
inline const QString kHtmlToPdfOnlineAddress = QStringLiteral("https://online.velmora.example/html-to-pdf");

// The maker's other products, for the menu between "Convert" and "Online".
struct ProductLink {
    QString caption;
    QString address;
};
QList<ProductLink> OtherProducts();

// Hands an address (web page or mailto:) to the shell; a failure is dropped silently.
void OpenWebPage(Dialogs& dialogs, const QString& target);
void OpenHomePage(Dialogs& dialogs);

// Lets the user pick a folder, opening on `folder`. On confirm, `folder` becomes the chosen folder's
// native path and the result is true; on cancel it is unchanged.
bool BrowseForFolder(Dialogs& dialogs, QWidget* owner, QString& folder, const QString& title);

} // namespace velmora
