#pragma once

#include "Dialogs.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class ConvertCommand;

inline const QString kOpenCombinedCaption = QStringLiteral("Open combined PDF");
inline const QString kCombinedNotOpenedMessage =
    QStringLiteral("No program to open PDF files is set up on this computer. The combined PDF is \"%1\".");

// Opens the combined PDF the last run made: from the end-of-run message, and from the File menu while
// the file exists and no run is at work.
class CombinedPdfOpener final : public QObject {
    Q_OBJECT
public:
    // The menu item goes before `before` in `fileMenu`.
    CombinedPdfOpener(QMenu& fileMenu, QAction* before, ConvertCommand& command, Dialogs& dialogs,
                      QWidget& window);

    // The end message, with a button that opens `combinedPath` when there is one, and a warning icon
    // when something `failed`.
    void ShowEndMessage(const QString& text, const QString& combinedPath, bool failed);

private:
    void UpdateState();
    void Open(const QString& path);

    ConvertCommand& m_command;
    Dialogs& m_dialogs;
    QWidget& m_window;
    QAction* m_open;
};

} // namespace velmora
