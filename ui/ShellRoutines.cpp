#include "ShellRoutines.h"

#include <QDir>

namespace velmora {

QList<ProductLink> OtherProducts() {
    return {
        {QStringLiteral("Velmora PDF Merger"), QStringLiteral("https://www.velmora.example/pdf-merger/")},
        {QStringLiteral("Velmora PDF Splitter"), QStringLiteral("https://www.velmora.example/pdf-splitter/")},
        {QStringLiteral("Velmora Image to PDF Converter"),
         QStringLiteral("https://www.velmora.example/image-to-pdf-converter/")},
    };
}

void OpenWebPage(Dialogs& dialogs, const QString& target) {
    dialogs.OpenUrl(QUrl::fromUserInput(target));
}

void OpenHomePage(Dialogs& dialogs) {
    OpenWebPage(dialogs, kHomePageAddress);
}

bool BrowseForFolder(Dialogs& dialogs, QWidget* owner, QString& folder, const QString& title) {
    const std::optional<QString> chosen = dialogs.GetExistingDirectory(owner, title, folder);
    if (!chosen)
        return false;
    folder = QDir::toNativeSeparators(*chosen);
    return true;
}

} // namespace velmora
