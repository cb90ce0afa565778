#include "CombinedPdfOpener.h"

#include "run/ConvertCommand.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>

namespace velmora {

CombinedPdfOpener::CombinedPdfOpener(QMenu& fileMenu, QAction* before, ConvertCommand& command,
                                     Dialogs& dialogs, QWidget& window)
    : QObject(&window), m_command(command), m_dialogs(dialogs), m_window(window) {
    m_open = new QAction(kOpenCombinedCaption, &fileMenu);
    m_open->setObjectName(QStringLiteral("actOpenCombined"));
    fileMenu.insertAction(before, m_open);
    connect(m_open, &QAction::triggered, this, [this] { Open(m_command.CombinedPath()); });
    connect(&m_command, &ConvertCommand::statusChanged, this, &CombinedPdfOpener::UpdateState);
    // The file may have gone since the run; the item says so when the menu opens.
    connect(&fileMenu, &QMenu::aboutToShow, this, &CombinedPdfOpener::UpdateState);
    UpdateState();
}

void CombinedPdfOpener::ShowEndMessage(const QString& text, const QString& combinedPath, bool failed) {
    if (combinedPath.isEmpty()) {
        if (failed)
            m_dialogs.ShowWarning(&m_window, text);
        else
            m_dialogs.ShowMessage(&m_window, text);
        return;
    }
    if (m_dialogs.OfferAction(&m_window, text, kOpenCombinedCaption, failed))
        Open(combinedPath);
}

void CombinedPdfOpener::UpdateState() {
    const QString path = m_command.CombinedPath();
    m_open->setEnabled(m_command.Status() != rsStart && !path.isEmpty() && QFileInfo(path).isFile());
}

// The answer comes after the opener ended; by then the window may be gone.
void CombinedPdfOpener::Open(const QString& path) {
    m_dialogs.OpenFile(&m_window, path, [this, self = QPointer<CombinedPdfOpener>(this), path](bool shown) {
        if (!shown && self)
            m_dialogs.ShowPathMessage(&m_window, kCombinedNotOpenedMessage.arg(path), path);
    });
}

} // namespace velmora
