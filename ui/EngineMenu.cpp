#include "EngineMenu.h"

#include "Dialogs.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/ChromiumBackend.h"

#include <QActionGroup>
#include <QDir>
#include <QMenu>

namespace velmora {

EngineMenu::EngineMenu(QMenu* convertMenu, const ProgramLocation& browser, QObject* parent)
    : QObject(parent), m_browser(browser) {
    m_menu = convertMenu->addMenu(QStringLiteral("Rendering engine"));
    m_menu->setObjectName(QStringLiteral("mnuRenderingEngine"));
    m_menu->setToolTipsVisible(true);
    auto* group = new QActionGroup(m_menu);
    group->setExclusive(true);
    m_classic = m_menu->addAction(QStringLiteral("Classic (wkhtmltopdf)"));
    m_classic->setObjectName(QStringLiteral("actEngineClassic"));
    m_modern = m_menu->addAction(QStringLiteral("Modern (Chromium)"));
    m_modern->setObjectName(QStringLiteral("actEngineModern"));
    for (QAction* item : {m_classic, m_modern}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    m_classic->setToolTip(QStringLiteral("The program's own converter. Fast to start; older web standards."));
    if (m_browser.found) {
        m_modern->setToolTip(QStringLiteral("Headless Chromium at %1: current web standards, exact errors.")
                                 .arg(QDir::toNativeSeparators(m_browser.path)));
    } else {
        m_modern->setEnabled(false);
        m_modern->setToolTip(QStringLiteral("Chromium was not found. Looked for: %1")
                                 .arg(m_browser.searched.join(QStringLiteral("; "))));
    }
    m_classic->setChecked(true);
    for (auto [item, engine] :
         {std::pair{m_classic, RenderingEngine::Classic}, std::pair{m_modern, RenderingEngine::Modern}})
        connect(item, &QAction::triggered, this, [this, engine] {
            Choose(engine);
            emit chosen(engine);
        });
}

void EngineMenu::SetStoredChoice(RenderingEngine stored) {
    Choose(stored);
    if (stored == RenderingEngine::Modern && !m_browser.found && !m_noticeGiven) {
        m_noticeGiven = true;
        emit notice(QStringLiteral("Chromium was not found (looked for: %1), so the Classic engine converts.")
                        .arg(m_browser.searched.join(QStringLiteral("; "))));
    }
}

RenderingEngine EngineMenu::Effective() const {
    return m_choice == RenderingEngine::Modern && m_browser.found ? RenderingEngine::Modern
                                                                  : RenderingEngine::Classic;
}

EngineFactory EngineMenu::Factory() const {
    return Effective() == RenderingEngine::Modern ? EngineFactory(MakeModernEngine)
                                                  : EngineFactory(MakeClassicEngine);
}

void EngineMenu::SetEnabled(bool enabled) {
    m_menu->setEnabled(enabled);
}

bool EngineMenu::ReportStartProblem(Dialogs& dialogs, QWidget* parent, const QString& problem) {
    if (Effective() == RenderingEngine::Modern || !m_browser.found) {
        dialogs.ShowMessage(parent, problem);
        return false;
    }
    if (!dialogs.OfferAction(parent, problem, kUseModernEngineCaption, false))
        return false;
    m_modern->trigger();
    return true;
}

void EngineMenu::Choose(RenderingEngine engine) {
    const RenderingEngine before = Effective();
    m_choice = engine;
    (Effective() == RenderingEngine::Modern ? m_modern : m_classic)->setChecked(true);
    if (Effective() != before)
        emit effectiveChanged(Effective());
}

} // namespace velmora
