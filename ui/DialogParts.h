#pragma once

// The look and the control placement that the program's small dialogs share.

#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QString>

namespace velmora {

// Face #F4F4F0 in a #003C74 frame, lighter under the mouse.
inline const QString kDialogButtonStyle =
    QStringLiteral("QPushButton { background-color: #F4F4F0; border: 1px solid #003C74; border-radius: 3px; }"
                   "QPushButton:hover { background-color: #FFFFFF; }"
                   "QPushButton:pressed { background-color: #E2E2DA; }");

// `family` where it is installed, otherwise the platform's own sans-serif face.
inline QFont InstalledOrSystemFont(const QString& family) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (QFontDatabase::hasFamily(family))
        font.setFamily(family);
    return font;
}

// Tahoma 8 pt, the font of the program's windows.
inline QFont FormFont() {
    QFont font = InstalledOrSystemFont(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    return font;
}

// A fixed-size dialog whose title bar has the system menu and the close button only.
inline void SetUpDialog(QDialog& dialog, const QString& caption, QSize clientSize) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(caption);
    dialog.setFixedSize(clientSize);
    dialog.setFont(FormFont());
    dialog.setStyleSheet(kDialogButtonStyle);
}

// Labels take the width of their text, which depends on the font actually found.
inline void PlaceLabel(QLabel* label, const char* name, QPoint position) {
    label->setObjectName(QLatin1String(name));
    label->move(position);
    label->adjustSize();
}

inline QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, QPoint position,
                        bool bold = false) {
    auto* label = new QLabel(text, parent);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    PlaceLabel(label, name, position);
    return label;
}

inline QPushButton* AddButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace velmora
