#include "aboutForm.h"

#include "DialogParts.h"
#include "ShellRoutines.h"
#include "UrlLabel.h"

#include <QIcon>

#include <algorithm>

namespace velmora {

namespace {

UrlLabel* AddLink(Dialogs& dialogs, QWidget* parent, const char* name, const QString& caption,
                  QPoint position) {
    auto* link = new UrlLabel(dialogs, caption, parent);
    PlaceLabel(link, name, position);
    return link;
}

} // namespace

TfrmAbout::TfrmAbout(Dialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
    SetUpDialog(*this, QStringLiteral("About"), {348, 265});

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setGeometry(16, 18, 32, 32);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(32, 32));

    AddLabel(this, "RzLabel4", QStringLiteral("Velmora Free HTML to PDF Converter"), {68, 18}, true);
    AddLabel(this, "RzLabel5", QStringLiteral("Version 2.0"), {68, 35});
    AddLabel(this, "RzLabel6", QStringLiteral("Copyright (C) 2026 Velmora Software. All rights reserved."),
             {16, 64});
    AddLabel(this, "RzLabel7", QStringLiteral("WebSite:"), {16, 87});
    AddLink(m_dialogs, this, "RzURLLabel1", kHomePageAddress, {72, 87})->SetClickHandler([this] {
        RzURLLabel1Click();
    });
    AddLabel(this, "RzLabel8", QStringLiteral("E-mail:"), {16, 107});
    AddLink(m_dialogs, this, "RzURLLabel2", kSupportMailAddress, {72, 106})->SetClickHandler([this] {
        RzURLLabel2Click();
    });
    AddLabel(this, "RzLabel1", QStringLiteral("This product includes software developed by the wkhtmltopdf"),
             {17, 144});
    AddLink(m_dialogs, this, "RzURLLabel3", kProjectPageAddress, {18, 162})->SetURL(kProjectPageAddress);
    AddLabel(this, "RzLabel3", QStringLiteral("wkhtmltopdf is licensed under the GNU Lesser GPL."),
             {17, 182});

    // A fallback font wider than Tahoma widens the box rather than clipping a line; Close keeps its
    // distance from the right edge.
    const int width = std::max(348, childrenRect().right() + 16);
    setFixedWidth(width);
    QPushButton* close = AddButton(this, "RzButton1", QStringLiteral("Close"), {width - 95, 226, 80, 25});
    close->setDefault(true);
    close->setFocus();
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmAbout::RzURLLabel1Click() {
    OpenHomePage(m_dialogs);
}

void TfrmAbout::RzURLLabel2Click() {
    OpenWebPage(m_dialogs, QStringLiteral("mailto:") + kSupportMailAddress);
}

} // namespace velmora
