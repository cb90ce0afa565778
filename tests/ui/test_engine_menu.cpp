#include "ChromiumBackend.h"
#include "EngineMenu.h"
#include "WkhtmltopdfBackend.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::RenderingEngine)

namespace {

const QStringList kSearched = {
    QStringLiteral("/opt/velmora/bin/chromium"),
    QStringLiteral("chromium, chromium-browser, google-chrome in the folders on PATH (/usr/bin)")};
const QString kLookedFor = kSearched.join(QStringLiteral("; "));

} // namespace

// The rendering engine choice: what can be chosen, what is stored, what runs.
class TestEngineMenu : public QObject {
    Q_OBJECT
private slots:
    void storedChoice_data();
    void storedChoice();
    void missingBrowserDisablesModern();
    void choosingSwitchesAndStores();
    void runsMakeTheEffectiveEngine();

private:
    void Build(bool found);
    QAction* Item(const char* name) const { return m_convert->findChild<QAction*>(QLatin1String(name)); }

    std::unique_ptr<QMenu> m_convert;
    std::unique_ptr<EngineMenu> m_engines;
};

void TestEngineMenu::Build(bool found) {
    m_convert = std::make_unique<QMenu>();
    m_engines = std::make_unique<EngineMenu>(
        m_convert.get(),
        ConverterLocation{found ? QStringLiteral("/usr/bin/chromium") : QString(), kSearched, found});
}

void TestEngineMenu::storedChoice_data() {
    QTest::addColumn<bool>("found");
    QTest::addColumn<RenderingEngine>("stored");
    QTest::addColumn<RenderingEngine>("runs");
    QTest::addColumn<int>("notices");

    QTest::newRow("classic") << true << RenderingEngine::Classic << RenderingEngine::Classic << 0;
    QTest::newRow("modern") << true << RenderingEngine::Modern << RenderingEngine::Modern << 0;
    QTest::newRow("modern without chromium keeps the choice")
        << false << RenderingEngine::Modern << RenderingEngine::Classic << 1;
    QTest::newRow("classic without chromium")
        << false << RenderingEngine::Classic << RenderingEngine::Classic << 0;
}

void TestEngineMenu::storedChoice() {
    QFETCH(bool, found);
    QFETCH(RenderingEngine, stored);
    QFETCH(RenderingEngine, runs);
    QFETCH(int, notices);

    Build(found);
    QSignalSpy notice(m_engines.get(), &EngineMenu::notice);
    QSignalSpy chosen(m_engines.get(), &EngineMenu::chosen);
    m_engines->SetStoredChoice(stored);
    m_engines->SetStoredChoice(stored); // said once only
    QCOMPARE(m_engines->Effective(), runs);
    QCOMPARE(m_engines->Choice(), stored); // kept for the next start
    QCOMPARE(chosen.size(), 0);            // nothing new to store
    QCOMPARE(Item("actEngineModern")->isChecked(), runs == RenderingEngine::Modern);
    QCOMPARE(Item("actEngineClassic")->isChecked(), runs == RenderingEngine::Classic);
    QCOMPARE(notice.size(), notices);
    if (notices)
        QCOMPARE(notice[0][0].toString(),
                 "Chromium was not found (looked for: " + kLookedFor + "), so the Classic engine converts.");
}

void TestEngineMenu::missingBrowserDisablesModern() {
    Build(false);
    QMenu* engines = m_convert->findChild<QMenu*>(QStringLiteral("mnuRenderingEngine"));
    QVERIFY(engines);
    QCOMPARE(engines->title(), QStringLiteral("Rendering engine"));
    QCOMPARE(Item("actEngineClassic")->text(), QStringLiteral("Classic (wkhtmltopdf)"));
    QCOMPARE(Item("actEngineModern")->text(), QStringLiteral("Modern (Chromium)"));
    QVERIFY(Item("actEngineClassic")->isEnabled());
    QVERIFY(!Item("actEngineModern")->isEnabled());
    QCOMPARE(Item("actEngineModern")->toolTip(), "Chromium was not found. Looked for: " + kLookedFor);
}

void TestEngineMenu::choosingSwitchesAndStores() {
    Build(true);
    QSignalSpy changed(m_engines.get(), &EngineMenu::effectiveChanged);
    QSignalSpy chosen(m_engines.get(), &EngineMenu::chosen);
    Item("actEngineModern")->trigger();
    QCOMPARE(m_engines->Effective(), RenderingEngine::Modern);
    QCOMPARE(m_engines->Choice(), RenderingEngine::Modern);
    QVERIFY(!Item("actEngineClassic")->isChecked());
    Item("actEngineModern")->trigger(); // already chosen: no change
    Item("actEngineClassic")->trigger();
    QCOMPARE(m_engines->Choice(), RenderingEngine::Classic);
    QCOMPARE(chosen.size(), 3);
    QCOMPARE(chosen[2][0].value<RenderingEngine>(), RenderingEngine::Classic);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed[0][0].value<RenderingEngine>(), RenderingEngine::Modern);
    QCOMPARE(changed[1][0].value<RenderingEngine>(), RenderingEngine::Classic);
}

void TestEngineMenu::runsMakeTheEffectiveEngine() {
    Build(true);
    const auto make = [this] { return m_engines->Factory()(QStringLiteral("/opt/velmora")); };
    QVERIFY(dynamic_cast<WkhtmltopdfBackend*>(make().get()));
    m_engines->SetStoredChoice(RenderingEngine::Modern);
    QVERIFY(dynamic_cast<ChromiumBackend*>(make().get()));

    Build(false); // a stored Modern without Chromium runs Classic
    m_engines->SetStoredChoice(RenderingEngine::Modern);
    QVERIFY(dynamic_cast<WkhtmltopdfBackend*>(make().get()));
}

QTEST_MAIN(TestEngineMenu)
#include "test_engine_menu.moc"
