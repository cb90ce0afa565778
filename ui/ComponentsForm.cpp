#include "ComponentsForm.h"

#include "DialogParts.h"
#include "Dialogs.h"
#include "QpdfVersion.h"
#include "classic/ConverterLocation.h"
#include "modern/BrowserLocation.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace velmora {

namespace {

struct Component {
    QString name;
    QString version; // empty when the program cannot tell
    QString use;
    QString licence;
    QStringList licenceFiles; // where the licence's text may be, first found wins
    QString licenceAddress;
};

// The licence's text beside the program (the Windows installer puts it in "licences"), else the
// system's copy, else its address.
QString WhereTheTextIs(const Component& component) {
    for (const QString& file : component.licenceFiles)
        if (QFileInfo(file).isFile())
            return QDir::toNativeSeparators(file).toHtmlEscaped();
    return QStringLiteral("<a href=\"%1\">%1</a>").arg(component.licenceAddress);
}

QString FoundOrNot(const ProgramLocation& location) {
    return location.found ? QStringLiteral("found at %1").arg(QDir::toNativeSeparators(location.path))
                          : QStringLiteral("not found on this computer");
}

QString ComponentsHtml(const QString& programFolder) {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/licences/");
    const QString system = QStringLiteral("/usr/share/common-licenses/");
    const QList<Component> components = {
        {QStringLiteral("Qt"),
         QString::fromLatin1(qVersion()),
         QStringLiteral("the window, the drawing of headers and footers, the network"),
         QStringLiteral("GNU Lesser General Public License, version 3"),
         {beside + QStringLiteral("LGPL-3.txt"), system + QStringLiteral("LGPL-3")},
         QStringLiteral("https://www.gnu.org/licenses/lgpl-3.0.html")},
        {QStringLiteral("qpdf"),
         pdf::QpdfVersion(),
         QStringLiteral("headers and footers, document information, combining PDFs"),
         QStringLiteral("Apache License, version 2.0"),
         {beside + QStringLiteral("Apache-2.0.txt"), system + QStringLiteral("Apache-2.0")},
         QStringLiteral("https://www.apache.org/licenses/LICENSE-2.0")},
        {QStringLiteral("wkhtmltopdf"),
         QString(),
         QStringLiteral("the Classic engine, ") + FoundOrNot(LocateConverter(programFolder)),
         QStringLiteral("GNU Lesser General Public License, version 3"),
         {beside + QStringLiteral("LGPL-3.txt"), system + QStringLiteral("LGPL-3")},
         QStringLiteral("https://www.gnu.org/licenses/lgpl-3.0.html")},
        {QStringLiteral("Chromium"),
         QString(),
         QStringLiteral("the Modern engine, ") + FoundOrNot(LocateBrowser(programFolder)),
         QStringLiteral("BSD 3-Clause License (with the licences of the parts it includes)"),
         {},
         QStringLiteral("https://chromium.googlesource.com/chromium/src/+/main/LICENSE")},
    };
    QString html = QStringLiteral("<p>The program is built from and works with these components:</p>"
                                  "<table cellspacing=\"0\" cellpadding=\"4\">");
    for (const Component& component : components) {
        html += QStringLiteral("<tr><td><b>%1</b> %2</td><td>%3</td></tr>"
                               "<tr><td></td><td>%4<br>%5</td></tr>")
                    .arg(component.name.toHtmlEscaped(), component.version.toHtmlEscaped(),
                         component.use.toHtmlEscaped(), component.licence.toHtmlEscaped(),
                         WhereTheTextIs(component));
    }
    return html + QStringLiteral("</table>");
}

} // namespace

TfrmComponents::TfrmComponents(Dialogs& dialogs, const QString& programFolder, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmComponents"));
    setWindowTitle(kComponentsCaption);
    setFont(FormFont());
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("txtComponents"));
    // Links go through the program's own shell calls.
    text->setOpenLinks(false);
    connect(text, &QTextBrowser::anchorClicked, this, [&dialogs](const QUrl& url) { dialogs.OpenUrl(url); });
    text->setHtml(ComponentsHtml(programFolder));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(620, 400);
}

void AddComponentsItem(QMenu& helpMenu, QAction* before, Dialogs& dialogs, const QString& programFolder,
                       QWidget& window) {
    auto* item = new QAction(QStringLiteral("&Components and licences..."), &helpMenu);
    item->setObjectName(QStringLiteral("mnuComponents"));
    helpMenu.insertAction(before, item);
    QObject::connect(item, &QAction::triggered, &window, [&dialogs, programFolder, &window] {
        TfrmComponents components(dialogs, programFolder, &window);
        dialogs.RunModal(components);
    });
}

} // namespace velmora
