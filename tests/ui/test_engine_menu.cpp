#include "EngineMenu.h"
#include "MainFormFixture.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/BrowserLocation.h"
#include "modern/ChromiumBackend.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::RenderingEngine)

namespace {

const QStringList kSearched = {
    QStringLiteral("/opt/velmora/bin/chromium"),
    QStringLiteral("chromium, chromium-browser, google-chrome in the folders on PATH (/usr/bin)")};
const QString kLookedFor = kSearched.join(QStringLiteral("; "));

// Makes the program folder the only place a converter or a browser can be found.
void SearchOnlyTheProgramFolder(const QTemporaryDir& empty) {
    qputenv("PATH", QFile::encodeName(empty.path()));
    for (const char* folder : {"ProgramFiles", "ProgramFiles(x86)", "LOCALAPPDATA"})
        qputenv(folder, QFile::encodeName(empty.path()));
}

// A window over a program folder with or without the converter and the fake Chromium; skips where the
// fakes were not built, or where a browser is installed beyond the test's reach (the registry).
#define OPEN_WINDOW_WITH(f, empty, converter, browser)                                                       \
    REQUIRE_FAKE_CONVERTER(f);                                                                               \
    if (!(converter))                                                                                        \
        (f).RemoveConverter();                                                                               \
    if ((browser) && !(f).InstallBrowser())                                                                  \
        QSKIP("The fake Chromium was not built (VELMORA_FAKE_BROWSER is not set)");                          \
    if (!(browser) && LocateBrowser((empty).path()).found)                                                   \
        QSKIP("A Chromium is installed on this machine where the test cannot hide it");                      \
    (f).Open()

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
    void windowStartsWithTheEngineThatCanRun_data();
    void windowStartsWithTheEngineThatCanRun();
    void missingConverterOffersTheModernEngine_data();
    void missingConverterOffersTheModernEngine();

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
        ProgramLocation{found ? QStringLiteral("/usr/bin/chromium") : QString(), kSearched, found});
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

void TestEngineMenu::windowStartsWithTheEngineThatCanRun_data() {
    QTest::addColumn<bool>("converter");
    QTest::addColumn<bool>("browser");
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<QString>("runs");   // "Modern", "Classic", or "none": the missing-converter message

    QTest::newRow("both, nothing stored: classic") << true << true << QString() << "Classic";
    QTest::newRow("converter only, nothing stored") << true << false << QString() << "Classic";
    QTest::newRow("browser only, nothing stored: modern") << false << true << QString() << "Modern";
    QTest::newRow("neither, nothing stored") << false << false << QString() << "none";
    QTest::newRow("both, stored modern") << true << true << kModernEngineText << "Modern";
    QTest::newRow("both, stored classic") << true << true << kClassicEngineText << "Classic";
    QTest::newRow("converter only, stored modern falls back")
        << true << false << kModernEngineText << "Classic";
    QTest::newRow("browser only, stored modern") << false << true << kModernEngineText << "Modern";
    QTest::newRow("neither, stored modern") << false << false << kModernEngineText << "none";
}

// What the menu shows on opening the window and what a run then converts with; a default chosen for the
// machine is not stored, so a converter installed later makes Classic the default again.
void TestEngineMenu::windowStartsWithTheEngineThatCanRun() {
    QFETCH(bool, converter);
    QFETCH(bool, browser);
    QFETCH(QString, stored);
    QFETCH(QString, runs);
    const QTemporaryDir empty;
    SearchOnlyTheProgramFolder(empty);
    test::MainFormFixture f;
    if (!stored.isEmpty())
        f.Store().SetPreferenceText(Preference::RenderingEngine, stored);
    OPEN_WINDOW_WITH(f, empty, converter, browser);

    QCOMPARE(f.Child<QAction>("actEngineModern")->isEnabled(), browser);
    QCOMPARE(f.Child<QAction>("actEngineModern")->isChecked(), runs == "Modern");
    QCOMPARE(f.Child<QAction>("actEngineClassic")->isChecked(), runs != "Modern");
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.AddFiles(f.MakeFiles({"page.html"})));
    QVERIFY(f.Click("RzBitBtn1"));
    if (runs == "none") {
        QCOMPARE(f.Window().RunStatus(), rsNone);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY2(f.dialogs.messages[0].startsWith(kConverterMissingMessage.section('%', 0, 0)),
                 qPrintable(f.dialogs.messages[0]));
        QVERIFY(f.dialogs.offers.isEmpty()); // no engine to offer
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, test::kRunTimeoutMs);
        QCOMPARE(f.State(0), RowState::Converted);
        QCOMPARE(f.ConverterCalls().size(), runs == "Classic" ? 1 : 0);
        QVERIFY(f.dialogs.offers.isEmpty());
    }
    f.Window().close();
    QCOMPARE(QSettings(f.SettingsPath(), QSettings::IniFormat).value(kRenderingEngineValue).toString(),
             stored);
}

void TestEngineMenu::missingConverterOffersTheModernEngine_data() {
    QTest::addColumn<bool>("take");
    QTest::newRow("switch and convert") << true;
    QTest::newRow("declined") << false;
}

// A stored Classic without its converter, and a browser there: the message offers the Modern engine,
// which switches (and stores the choice) and starts the run at once.
void TestEngineMenu::missingConverterOffersTheModernEngine() {
    QFETCH(bool, take);
    const QTemporaryDir empty;
    SearchOnlyTheProgramFolder(empty);
    test::MainFormFixture f;
    f.Store().SetEngine(RenderingEngine::Classic);
    OPEN_WINDOW_WITH(f, empty, false, true);
    QVERIFY(f.Child<QAction>("actEngineClassic")->isChecked());
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.AddFiles(f.MakeFiles({"page.html"})));
    f.dialogs.takeOffer = take;
    QVERIFY(f.Click("RzBitBtn1"));

    QCOMPARE(f.dialogs.offers.size(), 1);
    QVERIFY2(f.dialogs.offers[0].startsWith(kConverterMissingMessage.section('%', 0, 0)) &&
                 f.dialogs.offers[0].endsWith(" [Use the Modern engine]"),
             qPrintable(f.dialogs.offers[0]));
    QVERIFY(f.dialogs.messages.isEmpty()); // said once, in the offer
    QCOMPARE(f.Child<QAction>("actEngineModern")->isChecked(), take);
    QCOMPARE(f.Store().Engine(), take ? RenderingEngine::Modern : RenderingEngine::Classic);
    if (take) {
        QCOMPARE(f.Window().RunStatus(), rsStart);
        QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, test::kRunTimeoutMs);
        QCOMPARE(f.State(0), RowState::Converted);
    } else {
        QCOMPARE(f.Window().RunStatus(), rsNone);
        QCOMPARE(f.State(0), RowState::Waiting);
    }
}

QTEST_MAIN(TestEngineMenu)
#include "test_engine_menu.moc"
