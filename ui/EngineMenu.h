#pragma once

#include "SettingsStore.h"
#include "platform/ProgramLocation.h"
#include "run/ConvertCommand.h"

#include <QObject>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
class QWidget;

namespace velmora {

class Dialogs;

inline const QString kUseModernEngineCaption = QStringLiteral("Use the Modern engine");

// Convert -> "Rendering engine": Classic (wkhtmltopdf) or Modern (Chromium). Modern can only be
// chosen where Chromium was found; a stored Modern choice is kept but runs Classic where it was not,
// which the notice says once.
class EngineMenu final : public QObject {
    Q_OBJECT
public:
    EngineMenu(QMenu* convertMenu, const ProgramLocation& browser, QObject* parent = nullptr);

    // The choice as stored; a stored Modern where it cannot run is kept, and Classic runs.
    void SetStoredChoice(RenderingEngine stored);
    RenderingEngine Choice() const { return m_choice; }
    // What a run uses now, and how to make it.
    RenderingEngine Effective() const;
    EngineFactory Factory() const;
    // Enabled only between runs.
    void SetEnabled(bool enabled);
    // Shows why the engine cannot run; where Classic cannot and Modern can, offers to switch. True when
    // the user switched (stored, as a choice in the menu is).
    bool ReportStartProblem(Dialogs& dialogs, QWidget* parent, const QString& problem);

signals:
    void chosen(velmora::RenderingEngine engine); // by the user, to be stored
    void effectiveChanged(velmora::RenderingEngine engine);
    void notice(const QString& text); // for the status bar

private:
    void Choose(RenderingEngine engine);

    ProgramLocation m_browser;
    QMenu* m_menu;
    QAction* m_classic;
    QAction* m_modern;
    RenderingEngine m_choice = RenderingEngine::Classic;
    bool m_noticeGiven = false;
};

} // namespace velmora
