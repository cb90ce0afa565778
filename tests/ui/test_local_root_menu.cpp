// The "Local files may read" submenu of the main window.
#include "MainFormFixture.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

class TestLocalRootMenu : public QObject {
    Q_OBJECT
private slots:
    void offeredBesideTheEngines();
    void storedChoiceIsCheckedAndUsed_data();
    void storedChoiceIsCheckedAndUsed();
    void choosingIsRememberedAndUsed();
};

void TestLocalRootMenu::offeredBesideTheEngines() {
    MainFormFixture f;
    f.Open();
    const QList<QAction*> convert = f.Child<QMenu>("Convert")->actions();
    const qsizetype engines = convert.indexOf(f.Child<QMenu>("mnuRenderingEngine")->menuAction());
    QVERIFY(engines >= 0);
    QCOMPARE(convert.value(engines + 1), f.Child<QMenu>("mnuLocalRoot")->menuAction());
    QVERIFY(f.Child<QAction>("actLocalRootAutomatic")->isChecked());
}

void TestLocalRootMenu::storedChoiceIsCheckedAndUsed_data() {
    QTest::addColumn<QString>("stored"); // "<folder>": an existing folder; empty: nothing stored
    QTest::addColumn<bool>("folder");    // whether that folder is the choice, else automatic
    QTest::newRow("first start") << "" << false;
    QTest::newRow("Automatic") << kAutomaticText << false;
    QTest::newRow("a folder") << "<folder>" << true;
    QTest::newRow("a folder that is gone") << "<folder>/gone" << false;
    QTest::newRow("a relative path") << "docs" << false;
}

void TestLocalRootMenu::storedChoiceIsCheckedAndUsed() {
    QFETCH(QString, stored);
    QFETCH(bool, folder);
    QTemporaryDir root;
    MainFormFixture f;
    if (!stored.isEmpty())
        QSettings(f.SettingsPath(), QSettings::IniFormat)
            .setValue(kLocalRootValue, stored.replace("<folder>", root.path()));
    f.Open();
    QCOMPARE(f.Child<QAction>("actLocalRootFolder")->isChecked(), folder);
    QCOMPARE(f.Child<QAction>("actLocalRootAutomatic")->isChecked(), !folder);
    QCOMPARE(f.Window().Command().Runner().LocalRoot(), folder ? root.path() : QString());
    QCOMPARE(f.Child<QAction>("actLocalRootFolder")->text().contains(QDir::toNativeSeparators(root.path())),
             folder);
}

void TestLocalRootMenu::choosingIsRememberedAndUsed() {
    QTemporaryDir root;
    MainFormFixture f;
    f.Open();
    f.dialogs.nextFolder = QDir::toNativeSeparators(root.path());
    QVERIFY(f.Trigger("actLocalRootFolder"));
    QCOMPARE(f.Window().Command().Runner().LocalRoot(), root.path());
    QCOMPARE(f.Store().LocalRoot(), root.path());
    QVERIFY(f.Child<QAction>("actLocalRootFolder")->isChecked());

    f.Open(); // a restart; then the chooser cancelled keeps the folder
    QCOMPARE(f.Window().Command().Runner().LocalRoot(), root.path());
    QVERIFY(f.Trigger("actLocalRootFolder"));
    QCOMPARE(f.dialogs.folderStarts.last(), root.path());
    QVERIFY(f.Child<QAction>("actLocalRootFolder")->isChecked());
    QCOMPARE(f.Store().LocalRoot(), root.path());

    QVERIFY(f.Trigger("actLocalRootAutomatic"));
    QCOMPARE(f.Window().Command().Runner().LocalRoot(), QString());
    QCOMPARE(f.Store().PreferenceText(Preference::LocalRoot), kAutomaticText);
}

QTEST_MAIN(TestLocalRootMenu)
#include "test_local_root_menu.moc"
