#include "SettingsStore.h"
#include "SettingsTestHost.h"
#include "run/ConvertCommand.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::RenderingEngine)

namespace {

const QChar kNul(u'\0');

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void completedAction_data();
    void completedAction();
    void load_data();
    void load();
    void loadError_data();
    void loadError();
    void unreadableStoreSetsNothing();
    void save_data();
    void save();
    void saveThenLoadKeepsTheTextExactly_data();
    void saveThenLoadKeepsTheTextExactly();
    void saveAfterLoadWritesBothValues();
    void saveFailureIsReported();
    void currentUserStoreRoundTrip();
    void preferenceText_data();
    void preferenceText();
    void preferencesRoundTrip();
    void localRoot_data();
    void localRoot();
    void preferencesSurviveSavingTheControls();
    void engineWhenNoneIsStored_data();
    void engineWhenNoneIsStored();
    void defaultEngineIsTheOneThatCanRun();
    void pageSetupRoundTrip();
    void pageSetupInvalidPartsReadAsDefaults();
    void automaticConverterCount();

private:
    QString IniPath() const { return m_dir->filePath(QStringLiteral("store.ini")); }
    SettingsStore Store() const { return SettingsStore::AtIniFile(IniPath()); }
    void WriteIni(const QByteArray& text) const;
    QVariant StoredValue(const QString& name) const {
        return QSettings(IniPath(), QSettings::IniFormat).value(name);
    }

    // A fresh folder per test: QSettings caches files by name within the process.
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsStore::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsStore::WriteIni(const QByteArray& text) const {
    QFile file(IniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TestSettingsStore::completedAction_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("whole item") << kShowMessage << kShowMessage;
    QTest::newRow("prefix") << "show" << kShowMessage;
    QTest::newRow("capitals") << "SHOW MESSAGE" << kShowMessage;
    QTest::newRow("one letter") << "o" << kOpenTargetFolder;
    QTest::newRow("mixed case prefix") << "dO NoT" << kDoNothing;
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("longer than an item") << "Open target folders"
                                         << "Open target folders";
    QTest::newRow("trailing blank") << "Do nothing "
                                    << "Do nothing ";
    QTest::newRow("inner word") << "Nothing"
                                << "Nothing";
}

void TestSettingsStore::completedAction() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(CompletedAction(text), shown);
}

void TestSettingsStore::load_data() {
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("action");

    const QString folderKey = kTargetFolderValue;
    const QString actionKey = kCompleteActionValue;
    const QString defaultFolder = DefaultTargetFolder();

    QTest::newRow("first start") << QVariantMap{} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("no values") << QVariantMap{{"unrelated", "x"}} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("both values") << QVariantMap{{folderKey, "D:\\Out"}, {actionKey, kShowMessage}}
                                 << "D:\\Out" << kShowMessage;
    QTest::newRow("empty folder") << QVariantMap{{folderKey, ""}} << "" << kOpenTargetFolder;
    QTest::newRow("folder of no bytes") << QVariantMap{{folderKey, QByteArray()}} << "" << kOpenTargetFolder;
    QTest::newRow("trailing backslash")
        << QVariantMap{{folderKey, "C:\\My PDF\\"}} << "C:\\My PDF\\" << kOpenTargetFolder;
    QTest::newRow("relative folder") << QVariantMap{{folderKey, "pdf\\out"}} << "pdf\\out"
                                     << kOpenTargetFolder;
    QTest::newRow("percent signs") << QVariantMap{{folderKey, "%TEMP%\\PDF"}} << "%TEMP%\\PDF"
                                   << kOpenTargetFolder;
    QTest::newRow("folder cut at NUL")
        << QVariantMap{{folderKey, QString("C:\\PDF") + kNul + "junk"}} << "C:\\PDF" << kOpenTargetFolder;
    QTest::newRow("do nothing") << QVariantMap{{actionKey, kDoNothing}} << defaultFolder << kDoNothing;
    QTest::newRow("prefix completed") << QVariantMap{{actionKey, "show"}} << defaultFolder << kShowMessage;
    QTest::newRow("capitals completed")
        << QVariantMap{{actionKey, "SHOW MESSAGE"}} << defaultFolder << kShowMessage;
    QTest::newRow("final s replaced")
        << QVariantMap{{actionKey, "Open target folders"}} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("trailing blank replaced")
        << QVariantMap{{actionKey, "Do nothing "}} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("no item's beginning")
        << QVariantMap{{actionKey, "Nothing"}} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("empty action") << QVariantMap{{actionKey, ""}} << defaultFolder << kOpenTargetFolder;
    QTest::newRow("action cut at NUL")
        << QVariantMap{{actionKey, kDoNothing + kNul + "x"}} << defaultFolder << kDoNothing;
}

void TestSettingsStore::load() {
    QFETCH(QVariantMap, stored);
    QFETCH(QString, folder);
    QFETCH(QString, action);

    if (!stored.isEmpty()) {
        QSettings settings(IniPath(), QSettings::IniFormat);
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }
    // Texts that load must replace in every case.
    TestHost host(QStringLiteral("<before load>"), QString());

    QCOMPARE(Store().LoadSettings(host), QString());
    QCOMPARE(host.folder, folder);
    QCOMPARE(host.action, action);
}

void TestSettingsStore::loadError_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("error");

    const QString initialFolder = QStringLiteral("C:\\Initial");
    QTest::newRow("action is a list")
        << QByteArray("[General]\nTargetFolder=out\ncompleteaction=a, b\n") << "out" << kOpenTargetFolder
        << "Invalid data type for 'completeaction'";
    QTest::newRow("action is bytes") << QByteArray(
                                            "[General]\nTargetFolder=out\ncompleteaction=@ByteArray(show)\n")
                                     << "out" << kOpenTargetFolder
                                     << "Invalid data type for 'completeaction'";
    QTest::newRow("folder is a list")
        << QByteArray("[General]\nTargetFolder=a, b\ncompleteaction=Do nothing\n") << initialFolder
        << kOpenTargetFolder << "Invalid data type for 'TargetFolder'";
    QTest::newRow("folder is bytes")
        << QByteArray("[General]\nTargetFolder=@ByteArray(C:)\ncompleteaction=Do nothing\n") << initialFolder
        << kOpenTargetFolder << "Invalid data type for 'TargetFolder'";
    QTest::newRow("malformed file") << QByteArray("[General\nTargetFolder=out\ncompleteaction=Do nothing\n")
                                    << initialFolder << kOpenTargetFolder
                                    << "Failed to get data for 'TargetFolder'";
}

void TestSettingsStore::loadError() {
    QFETCH(QByteArray, ini);
    QFETCH(QString, folder);
    QFETCH(QString, action);
    QFETCH(QString, error);

    WriteIni(ini);
    TestHost host(QStringLiteral("C:\\Initial"), kOpenTargetFolder);

    QCOMPARE(Store().LoadSettings(host), error);
    QCOMPARE(host.folder, folder);
    QCOMPARE(host.action, action);
}

void TestSettingsStore::unreadableStoreSetsNothing() {
    // A folder where the file should be cannot be opened for reading.
    QVERIFY(QDir().mkpath(IniPath()));
    TestHost host(QStringLiteral("C:\\Initial"), kShowMessage);

    QCOMPARE(Store().LoadSettings(host), QString());
    QCOMPARE(host.folder, QStringLiteral("C:\\Initial"));
    QCOMPARE(host.action, kShowMessage);
}

void TestSettingsStore::save_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("action");

    QTest::newRow("typical") << "C:\\PDF\\out" << kShowMessage;
    QTest::newRow("nothing validated") << ""
                                       << "Nothing";
    QTest::newRow("percent signs") << "%TEMP%\\PDF\\" << kDoNothing;
}

void TestSettingsStore::save() {
    QFETCH(QString, folder);
    QFETCH(QString, action);

    // The store's folder does not exist yet.
    const SettingsStore store =
        SettingsStore::AtIniFile(m_dir->filePath(QStringLiteral("new/sub/store.ini")));
    QCOMPARE(store.SaveSettings(TestHost(folder, action)), QString());

    const QSettings saved(store.Location(), QSettings::IniFormat);
    QCOMPARE(saved.value(kTargetFolderValue), QVariant(folder));
    QCOMPARE(saved.value(kCompleteActionValue), QVariant(action));
    QVERIFY(QFile::exists(store.Location()));
}

// Folder names are free text; the INI format has its own meanings for commas, quotes, "@", ";" and "#".
void TestSettingsStore::saveThenLoadKeepsTheTextExactly_data() {
    QTest::addColumn<QString>("folder");

    QTest::newRow("comma") << "/home/ann/Reports, 2026";
    QTest::newRow("surrounding blanks") << "  /tmp/out  ";
    QTest::newRow("quotes") << "C:\\\"quoted\" folder";
    QTest::newRow("at sign first") << "@ByteArray(x)";
    QTest::newRow("comment characters") << "/tmp/a;b#c=d";
    QTest::newRow("non-latin") << QString::fromUtf8("/home/\u00e5sa/\u6587\u6863 PDF");
}

void TestSettingsStore::saveThenLoadKeepsTheTextExactly() {
    QFETCH(QString, folder);

    QCOMPARE(Store().SaveSettings(TestHost(folder, kShowMessage)), QString());
    TestHost loaded{QString(), QString()};
    QCOMPARE(Store().LoadSettings(loaded), QString());
    QCOMPARE(loaded.folder, folder);
    QCOMPARE(loaded.action, kShowMessage);
}

void TestSettingsStore::saveAfterLoadWritesBothValues() {
    WriteIni("[General]\nTargetFolder=out\n");
    TestHost host(DefaultTargetFolder(), kOpenTargetFolder);
    QCOMPARE(Store().LoadSettings(host), QString());

    QCOMPARE(Store().SaveSettings(host), QString());
    QCOMPARE(StoredValue(kTargetFolderValue), QVariant("out"));
    QCOMPARE(StoredValue(kCompleteActionValue), QVariant(kOpenTargetFolder));
}

void TestSettingsStore::saveFailureIsReported() {
    // A regular file where the store's folder should be created.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const SettingsStore store = SettingsStore::AtIniFile(blocker + QStringLiteral("/store.ini"));
    QCOMPARE(store.SaveSettings(TestHost(QStringLiteral("out"), kDoNothing)),
             QStringLiteral("Failed to set data for 'TargetFolder'"));
}

void TestSettingsStore::currentUserStoreRoundTrip() {
#ifdef Q_OS_WIN
    QSKIP("The current user's store is the registry on Windows");
#endif
    QStandardPaths::setTestModeEnabled(true);
    const SettingsStore store = SettingsStore::ForCurrentUser();
    QVERIFY(
        store.Location().startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    QVERIFY(store.Location().endsWith(QStringLiteral(".ini")));

    QCOMPARE(store.SaveSettings(TestHost(QStringLiteral("round trip"), kDoNothing)), QString());
    TestHost loaded{QString(), QString()};
    const QString error = store.LoadSettings(loaded);
    QFile::remove(store.Location());

    QCOMPARE(error, QString());
    QCOMPARE(loaded.folder, QStringLiteral("round trip"));
    QCOMPARE(loaded.action, kDoNothing);
}

void TestSettingsStore::preferenceText_data() {
    QTest::addColumn<int>("preference");
    QTest::addColumn<QVariant>("stored"); // invalid: no value
    QTest::addColumn<QString>("text");

    const int atOnce = int(Preference::ConversionsAtOnce);
    const int engine = int(Preference::RenderingEngine);
    const int folder = int(Preference::AddFilesFolder);
    const int result = int(Preference::ResultColumn);
    QTest::newRow("at once: missing") << atOnce << QVariant() << kAutomaticText;
    QTest::newRow("at once: 3") << atOnce << QVariant("3") << "3";
    QTest::newRow("at once: 8") << atOnce << QVariant("8") << "8";
    QTest::newRow("at once: Automatic") << atOnce << QVariant(kAutomaticText) << kAutomaticText;
    QTest::newRow("at once: 5 is no choice") << atOnce << QVariant("5") << kAutomaticText;
    QTest::newRow("at once: 0") << atOnce << QVariant("0") << kAutomaticText;
    QTest::newRow("at once: blank added") << atOnce << QVariant("2 ") << kAutomaticText;
    QTest::newRow("at once: letter case") << atOnce << QVariant("automatic") << kAutomaticText;
    QTest::newRow("at once: a list") << atOnce << QVariant(QStringList{"2", "3"}) << kAutomaticText;
    QTest::newRow("at once: bytes") << atOnce << QVariant(QByteArray("2")) << kAutomaticText;
    QTest::newRow("engine: missing") << engine << QVariant() << kClassicEngineText;
    QTest::newRow("engine: Modern") << engine << QVariant(kModernEngineText) << kModernEngineText;
    QTest::newRow("engine: Classic") << engine << QVariant(kClassicEngineText) << kClassicEngineText;
    QTest::newRow("engine: unknown") << engine << QVariant("Chromium") << kClassicEngineText;
    QTest::newRow("engine: letter case") << engine << QVariant("modern") << kClassicEngineText;
    QTest::newRow("folder: missing") << folder << QVariant() << "";
    QTest::newRow("folder: any text") << folder << QVariant(" /tmp/a b ") << " /tmp/a b ";
    QTest::newRow("folder: a list") << folder << QVariant(QStringList{"a", "b"}) << "";
    QTest::newRow("result column: missing") << result << QVariant() << kHiddenText;
    QTest::newRow("result column: Shown") << result << QVariant(kShownText) << kShownText;
    QTest::newRow("result column: a boolean") << result << QVariant(true) << kHiddenText;
    QTest::newRow("result column: letter case") << result << QVariant("shown") << kHiddenText;
    const int combine = int(Preference::CombineIntoOne);
    const int keep = int(Preference::KeepSeparatePdfs);
    const int nameBy = int(Preference::NamePdfsBy);
    const int contents = int(Preference::ContentsPage);
    QTest::newRow("combine: missing") << combine << QVariant() << kNoText;
    QTest::newRow("combine: Yes") << combine << QVariant(kYesText) << kYesText;
    QTest::newRow("combine: a boolean") << combine << QVariant(true) << kNoText;
    QTest::newRow("keep separate: missing") << keep << QVariant() << kYesText;
    QTest::newRow("keep separate: No") << keep << QVariant(kNoText) << kNoText;
    QTest::newRow("keep separate: letter case") << keep << QVariant("no") << kYesText;
    QTest::newRow("contents page: missing") << contents << QVariant() << kNoText;
    QTest::newRow("contents page: Yes") << contents << QVariant(kYesText) << kYesText;
    QTest::newRow("contents page: a boolean") << contents << QVariant(true) << kNoText;
    QTest::newRow("name by: missing") << nameBy << QVariant() << kByAddressText;
    QTest::newRow("name by: Title") << nameBy << QVariant(kByTitleText) << kByTitleText;
    QTest::newRow("name by: unknown") << nameBy << QVariant("Heading") << kByAddressText;
}

void TestSettingsStore::preferenceText() {
    QFETCH(int, preference);
    QFETCH(QVariant, stored);
    QFETCH(QString, text);
    const QHash<Preference, QString> names{{Preference::ConversionsAtOnce, kConversionsAtOnceValue},
                                           {Preference::RenderingEngine, kRenderingEngineValue},
                                           {Preference::AddFilesFolder, kAddFilesFolderValue},
                                           {Preference::ResultColumn, kResultColumnValue},
                                           {Preference::CombineIntoOne, kCombineIntoOneValue},
                                           {Preference::KeepSeparatePdfs, kKeepSeparatePdfsValue},
                                           {Preference::ContentsPage, kContentsPageValue},
                                           {Preference::NamePdfsBy, kNamePdfsByValue}};
    QVERIFY(names.contains(Preference(preference)));
    if (stored.isValid())
        QSettings(IniPath(), QSettings::IniFormat).setValue(names.value(Preference(preference)), stored);
    QCOMPARE(Store().PreferenceText(Preference(preference)), text);
}

// Every choice goes out as text and comes back as the same choice.
void TestSettingsStore::preferencesRoundTrip() {
    const SettingsStore store = Store();
    QCOMPARE(store.ConversionsAtOnce(), kAutomaticConversions);
    QCOMPARE(store.Engine(), RenderingEngine::Classic);
    QCOMPARE(store.AddFilesFolder(), QString());
    for (int count : kConversionsAtOnceChoices) {
        store.SetConversionsAtOnce(count);
        QCOMPARE(store.ConversionsAtOnce(), count);
        QCOMPARE(StoredValue(kConversionsAtOnceValue), QVariant(QString::number(count)));
    }
    store.SetConversionsAtOnce(kAutomaticConversions);
    QCOMPARE(StoredValue(kConversionsAtOnceValue), QVariant(kAutomaticText));
    QCOMPARE(store.ConversionsAtOnce(), kAutomaticConversions);

    store.SetEngine(RenderingEngine::Modern);
    QCOMPARE(StoredValue(kRenderingEngineValue), QVariant(kModernEngineText));
    QCOMPARE(store.Engine(), RenderingEngine::Modern);
    store.SetEngine(RenderingEngine::Classic);
    QCOMPARE(store.Engine(), RenderingEngine::Classic);

    store.SetAddFilesFolder(QStringLiteral("/data/pages"));
    QCOMPARE(store.AddFilesFolder(), QStringLiteral("/data/pages"));

    QVERIFY(!store.ResultColumnShown());
    store.SetResultColumnShown(true);
    QCOMPARE(StoredValue(kResultColumnValue), QVariant(kShownText));
    QVERIFY(store.ResultColumnShown());
    store.SetResultColumnShown(false);
    QCOMPARE(StoredValue(kResultColumnValue), QVariant(kHiddenText));

    QCOMPARE(store.Combine(), CombineChoice());
    const CombineChoice combine{true, QStringLiteral("The Book.pdf"), false, QString(), true};
    store.SetCombine(combine);
    QCOMPARE(StoredValue(kCombineIntoOneValue), QVariant(kYesText));
    QCOMPARE(StoredValue(kKeepSeparatePdfsValue), QVariant(kNoText));
    QCOMPARE(StoredValue(kContentsPageValue), QVariant(kYesText));
    QCOMPARE(store.Combine(), combine);
    QCOMPARE(store.NamePdfsBy(), NameBy::Address);
    store.SetNamePdfsBy(NameBy::Title);
    QCOMPARE(StoredValue(kNamePdfsByValue), QVariant(kByTitleText));
    QCOMPARE(store.NamePdfsBy(), NameBy::Title);
}

// A whole page setup goes out as text values and comes back the same.
void TestSettingsStore::pageSetupRoundTrip() {
    const SettingsStore store = Store();
    QCOMPARE(store.Page(), PageSetup());
    PageSetup page;
    page.paper = Paper::Custom;
    page.customSizeMm = QSizeF(123.5, 234);
    page.orientation = Orientation::Landscape;
    page.cssPageSize = true;
    page.marginsMm = QMarginsF(4, 1, 2, 3);
    page.scalePercent = 75;
    page.backgrounds = false;
    page.media = MediaStyle::Screen;
    page.header = {QStringLiteral("{title}"), QString(), QStringLiteral("{date}")};
    page.footer = {QString(), QStringLiteral("a - b"), kPageNumberText};
    page.textSizePt = 10.5;
    page.numbering = PageNumbering::EachPart;
    page.loading.scroll = false;
    page.loading.openDetails = true;
    page.loading.waitFor = QStringLiteral("#chart svg");
    page.loading.waitUntil = QStringLiteral("window.ready === true");
    page.loading.delayMs = 1500;
    page.loading.styleFile = QDir::temp().absoluteFilePath(QStringLiteral("mine.css"));
    page.loading.hide = QStringLiteral("#cookie-banner, .chat-widget");
    store.SetPage(page);
    QCOMPARE(StoredValue(QStringLiteral("PageScroll")), QVariant(QStringLiteral("off")));
    QCOMPARE(StoredValue(QStringLiteral("PageHide")), QVariant(page.loading.hide));
    QCOMPARE(StoredValue(QStringLiteral("PageNumbering")), QVariant(QStringLiteral("each")));
    QCOMPARE(StoredValue(QStringLiteral("PagePaper")), QVariant(QStringLiteral("123.5x234mm")));
    QCOMPARE(StoredValue(QStringLiteral("PageMargins")), QVariant(QStringLiteral("1mm 2mm 3mm 4mm")));
    const PageSetup read = store.Page();
    QCOMPARE(read.footer, page.footer);
    QCOMPARE(read, page);
}

void TestSettingsStore::pageSetupInvalidPartsReadAsDefaults() {
    {
        QSettings settings(IniPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("PagePaper"), QStringLiteral("A5"));
        settings.setValue(QStringLiteral("PageOrientation"), QStringLiteral("sideways"));
        settings.setValue(QStringLiteral("PageMargins"), QStringLiteral("10"));
        settings.setValue(QStringLiteral("PageScale"), QStringLiteral("500"));
        settings.setValue(QStringLiteral("PageBackgrounds"), QStringList{"on", "off"});
        settings.setValue(QStringLiteral("PageMedia"), QStringLiteral("screen"));
        settings.setValue(QStringLiteral("PageFooter"), QStringLiteral("no parts"));
        settings.setValue(QStringLiteral("PageTextSize"), QStringLiteral("big"));
        settings.setValue(QStringLiteral("PageScroll"), QStringLiteral("sometimes"));
        settings.setValue(QStringLiteral("PageDelay"), QStringLiteral("-5"));
        settings.setValue(QStringLiteral("PageStyle"), QStringLiteral("relative/mine.css"));
        settings.setValue(QStringLiteral("PageOpenDetails"), QStringLiteral("on"));
    }
    PageSetup expected;
    expected.paper = Paper::A5; // valid parts are kept
    expected.media = MediaStyle::Screen;
    expected.loading.openDetails = true;
    QCOMPARE(Store().Page(), expected);

    // Margins that leave no room on the stored paper read as each engine's own.
    QSettings(IniPath(), QSettings::IniFormat)
        .setValue(QStringLiteral("PageMargins"), QStringLiteral("70mm"));
    QCOMPARE(Store().Page().marginsMm, std::nullopt);
}

void TestSettingsStore::localRoot_data() {
    QTest::addColumn<QVariant>("stored"); // invalid: no value; "<folder>": an existing folder
    QTest::addColumn<bool>("kept");       // whether it reads back as the root, else as automatic

    QTest::newRow("missing") << QVariant() << false;
    QTest::newRow("Automatic") << QVariant(kAutomaticText) << false;
    QTest::newRow("an existing folder") << QVariant("<folder>") << true;
    QTest::newRow("a relative path") << QVariant("docs") << false;
    QTest::newRow("a folder that does not exist") << QVariant("<folder>/gone") << false;
    QTest::newRow("a file") << QVariant("<folder>/file.html") << false;
    QTest::newRow("a list") << QVariant(QStringList{"<folder>"}) << false;
}

void TestSettingsStore::localRoot() {
    QFETCH(QVariant, stored);
    QFETCH(bool, kept);
    QTemporaryDir folder;
    QVERIFY(QFile(folder.filePath("file.html")).open(QIODevice::WriteOnly));
    if (stored.typeId() == QMetaType::QString)
        stored = stored.toString().replace("<folder>", folder.path());
    if (stored.isValid())
        QSettings(IniPath(), QSettings::IniFormat).setValue(kLocalRootValue, stored);

    QCOMPARE(Store().LocalRoot(), kept ? folder.path() : QString());

    Store().SetLocalRoot(folder.path());
    QCOMPARE(Store().LocalRoot(), folder.path());
    Store().SetLocalRoot({});
    QCOMPARE(StoredValue(kLocalRootValue), QVariant(kAutomaticText));
    QCOMPARE(Store().LocalRoot(), QString());
}

void TestSettingsStore::preferencesSurviveSavingTheControls() {
    const SettingsStore store = Store();
    store.SetConversionsAtOnce(2);
    store.SetEngine(RenderingEngine::Modern);
    TestHost host(QStringLiteral("out"), kDoNothing);
    QCOMPARE(store.SaveSettings(host), QString());
    QCOMPARE(store.LoadSettings(host), QString());
    QCOMPARE(store.ConversionsAtOnce(), 2);
    QCOMPARE(store.Engine(), RenderingEngine::Modern);
}

void TestSettingsStore::engineWhenNoneIsStored_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<RenderingEngine>("unstored");
    QTest::addColumn<RenderingEngine>("engine");

    QTest::newRow("nothing stored") << QVariant() << RenderingEngine::Modern << RenderingEngine::Modern;
    QTest::newRow("nothing stored, classic")
        << QVariant() << RenderingEngine::Classic << RenderingEngine::Classic;
    QTest::newRow("unknown text") << QVariant("Chromium") << RenderingEngine::Modern
                                  << RenderingEngine::Modern;
    QTest::newRow("stored Classic wins")
        << QVariant(kClassicEngineText) << RenderingEngine::Modern << RenderingEngine::Classic;
    QTest::newRow("stored Modern wins")
        << QVariant(kModernEngineText) << RenderingEngine::Classic << RenderingEngine::Modern;
}

// A stored choice is the user's; only its absence lets the machine decide.
void TestSettingsStore::engineWhenNoneIsStored() {
    QFETCH(QVariant, stored);
    QFETCH(RenderingEngine, unstored);
    QFETCH(RenderingEngine, engine);
    if (stored.isValid())
        QSettings(IniPath(), QSettings::IniFormat).setValue(kRenderingEngineValue, stored);
    QCOMPARE(Store().Engine(unstored), engine);
}

void TestSettingsStore::defaultEngineIsTheOneThatCanRun() {
    QCOMPARE(DefaultEngine(true, true), RenderingEngine::Classic);
    QCOMPARE(DefaultEngine(true, false), RenderingEngine::Classic);
    QCOMPARE(DefaultEngine(false, true), RenderingEngine::Modern);
    QCOMPARE(DefaultEngine(false, false), RenderingEngine::Classic);
}

void TestSettingsStore::automaticConverterCount() {
    QCOMPARE(AutomaticConverterCount(), qMin(QThread::idealThreadCount() + 1, 8));
    QCOMPARE(ConverterCountFor(kAutomaticConversions), AutomaticConverterCount());
    for (int count : kConversionsAtOnceChoices)
        QCOMPARE(ConverterCountFor(count), count);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
