// The "Conversions at once" submenu of the main window.
#include "MainFormFixture.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

QStringList CheckedItems(const MainFormFixture& f) {
    QStringList checked;
    for (QAction* item : f.Child<QMenu>("mnuConversionsAtOnce")->actions()) {
        if (item->isChecked())
            checked << item->objectName();
    }
    return checked;
}

} // namespace

class TestParallelismMenu : public QObject {
    Q_OBJECT
private slots:
    void offersTheCountsUnderConvert();
    void storedChoiceIsCheckedAndUsed_data();
    void storedChoiceIsCheckedAndUsed();
    void choosingIsRememberedAndUsedAtOnce();
};

void TestParallelismMenu::offersTheCountsUnderConvert() {
    MainFormFixture f;
    f.Open();
    auto* submenu = f.Child<QMenu>("mnuConversionsAtOnce");
    QCOMPARE(submenu->menuAction()->text(), QStringLiteral("Conversions &at once"));
    QVERIFY(f.Child<QMenu>("Convert")->actions().contains(submenu->menuAction()));
    QStringList captions;
    for (QAction* item : submenu->actions()) {
        if (!item->isSeparator()) {
            QVERIFY(item->isCheckable());
            captions << item->text();
        }
    }
    QCOMPARE(captions,
             (QStringList{"1", "2", "3", "4", "6", "8",
                          QStringLiteral("Automatic (%1 on this computer)").arg(AutomaticConverterCount())}));
}

void TestParallelismMenu::storedChoiceIsCheckedAndUsed_data() {
    QTest::addColumn<QVariant>("stored"); // invalid: no value
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("converters");
    const int automatic = AutomaticConverterCount();
    QTest::newRow("first start") << QVariant() << "actConversionsAtOnceAutomatic" << automatic;
    QTest::newRow("one") << QVariant("1") << "actConversionsAtOnce1" << 1;
    QTest::newRow("six") << QVariant("6") << "actConversionsAtOnce6" << 6;
    QTest::newRow("no choice of the menu") << QVariant("5") << "actConversionsAtOnceAutomatic" << automatic;
    QTest::newRow("not a number") << QVariant("many") << "actConversionsAtOnceAutomatic" << automatic;
}

void TestParallelismMenu::storedChoiceIsCheckedAndUsed() {
    QFETCH(QVariant, stored);
    QFETCH(QString, checked);
    QFETCH(int, converters);
    MainFormFixture f;
    if (stored.isValid())
        QSettings(f.SettingsPath(), QSettings::IniFormat).setValue(kConversionsAtOnceValue, stored);
    f.Open();
    QCOMPARE(CheckedItems(f), QStringList{checked});
    QCOMPARE(f.Window().Command().Runner().Parallelism(), converters);
    QVERIFY(f.dialogs.messages.isEmpty() && f.dialogs.errors.isEmpty());
}

void TestParallelismMenu::choosingIsRememberedAndUsedAtOnce() {
    MainFormFixture f;
    f.Open();
    QVERIFY(f.Trigger("actConversionsAtOnce3"));
    QCOMPARE(CheckedItems(f), QStringList{"actConversionsAtOnce3"});
    QCOMPARE(f.Window().Command().Runner().Parallelism(), 3);
    QCOMPARE(f.Store().ConversionsAtOnce(), 3);

    f.Open(); // a restart
    QCOMPARE(CheckedItems(f), QStringList{"actConversionsAtOnce3"});
    QCOMPARE(f.Window().Command().Runner().Parallelism(), 3);
    QVERIFY(f.Trigger("actConversionsAtOnceAutomatic"));
    QCOMPARE(f.Store().PreferenceText(Preference::ConversionsAtOnce), kAutomaticText);
    QCOMPARE(f.Window().Command().Runner().Parallelism(), AutomaticConverterCount());
}

QTEST_MAIN(TestParallelismMenu)
#include "test_parallelism_menu.moc"
