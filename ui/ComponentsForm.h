#pragma once

#include <QDialog>

class QMenu;
class QAction;

namespace velmora {

class Dialogs;

inline const QString kComponentsCaption = QStringLiteral("Components and licences");

// Help › Components and licences: what the program is built from and runs (Qt, qpdf, wkhtmltopdf,
// Chromium), each with its licence and where its text is, and which converter and browser this
// computer has. The About box stays as it is.
class TfrmComponents final : public QDialog {
    Q_OBJECT
public:
    TfrmComponents(Dialogs& dialogs, const QString& programFolder, QWidget* parent = nullptr);
};

// Adds the menu item before `before` in `helpMenu`; each use opens a fresh dialog.
void AddComponentsItem(QMenu& helpMenu, QAction* before, Dialogs& dialogs, const QString& programFolder,
                       QWidget& window);

} // namespace velmora
