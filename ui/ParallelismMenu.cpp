#include "ParallelismMenu.h"

#include "run/BatchRunner.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace velmora {

ParallelismMenu::ParallelismMenu(QMenu& convertMenu, SettingsStore store, BatchRunner& runner,
                                 QObject* parent)
    : QObject(parent), m_store(std::move(store)), m_runner(runner) {
    convertMenu.addSeparator();
    QMenu* menu = convertMenu.addMenu(QStringLiteral("Conversions &at once"));
    menu->setObjectName(QStringLiteral("mnuConversionsAtOnce"));
    m_choices = new QActionGroup(menu);
    m_choices->setExclusive(true);

    const int chosen = m_store.ConversionsAtOnce();
    const auto addChoice = [&](int conversionsAtOnce, const QString& caption, const QString& name) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(QStringLiteral("actConversionsAtOnce") + name);
        item->setCheckable(true);
        item->setChecked(conversionsAtOnce == chosen);
        m_choices->addAction(item);
        connect(item, &QAction::triggered, this, [this, conversionsAtOnce] { Choose(conversionsAtOnce); });
    };
    for (int count : kConversionsAtOnceChoices)
        addChoice(count, QString::number(count), QString::number(count));
    menu->addSeparator();
    addChoice(kAutomaticConversions,
              QStringLiteral("Automatic (%1 on this computer)").arg(AutomaticConverterCount()),
              kAutomaticText);
    m_runner.SetParallelism(ConverterCountFor(chosen));
}

// Takes effect at once: a run in progress starts its next rows under the new count.
void ParallelismMenu::Choose(int conversionsAtOnce) {
    m_store.SetConversionsAtOnce(conversionsAtOnce);
    m_runner.SetParallelism(ConverterCountFor(conversionsAtOnce));
}

} // namespace velmora
