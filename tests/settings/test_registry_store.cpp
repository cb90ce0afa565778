// The settings store's Windows half against the registry itself, in a key of its own below
// HKEY_CURRENT_USER. Values are written beforehand with the system's own reg tool, as a user or an
// installer would, or byte for byte where reg cannot express them.
#include "SettingsStore.h"
#include "SettingsTestHost.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <windows.h>

#include <optional>
#include <utility>

using namespace velmora;

namespace {

const QString kTestSubKey = QStringLiteral("SOFTWARE\\Velmora Free HTML to PDF Converter (tests)");
const QString kTestKey = QStringLiteral("HKEY_CURRENT_USER\\") + kTestSubKey;
const QString kInitialFolder = QStringLiteral("<initial folder>");

LPCWSTR Wide(const QString& text) {
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

// Runs the system's reg tool; returns its output, failing the test when it does not succeed.
QString Reg(const QStringList& arguments) {
    QProcess reg;
    reg.start(QStringLiteral("reg"), arguments);
    if (!reg.waitForFinished(60000) || reg.exitStatus() != QProcess::NormalExit || reg.exitCode() != 0) {
        qWarning("reg %s failed: %s", qPrintable(arguments.join(u' ')),
                 reg.readAllStandardError().constData());
        return {};
    }
    return QString::fromLocal8Bit(reg.readAllStandardOutput())
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

bool SetRawValue(const QString& name, DWORD type, const QByteArray& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kTestSubKey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExW(
        key, Wide(name), 0, type, reinterpret_cast<const BYTE*>(data.constData()), DWORD(data.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The bytes of a UTF-16 text, without a terminating NUL unless the text has one.
QByteArray Utf16Bytes(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

struct StoredValue {
    DWORD type = REG_NONE;
    QByteArray data;
};

std::optional<StoredValue> QueryValue(const QString& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kTestSubKey), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, Wide(name), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status = RegQueryValueExW(key, Wide(name), nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(value.data.data()), &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::optional(value) : std::nullopt;
}

DWORD RegType(const QString& name) {
    static const QHash<QString, DWORD> types{{QStringLiteral("REG_SZ"), REG_SZ},
                                             {QStringLiteral("REG_EXPAND_SZ"), REG_EXPAND_SZ},
                                             {QStringLiteral("REG_BINARY"), REG_BINARY},
                                             {QStringLiteral("REG_DWORD"), REG_DWORD},
                                             {QStringLiteral("REG_MULTI_SZ"), REG_MULTI_SZ}};
    return types.value(name, REG_NONE);
}

bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kTestSubKey), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT

private slots:
    void init() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kTestSubKey)); }
    void cleanup() { RegDeleteTreeW(HKEY_CURRENT_USER, Wide(kTestSubKey)); }

    void currentUserStoreIsTheProgramsKey();
    void loadCreatesTheMissingKey();
    void loadsWhatRegWrote_data();
    void loadsWhatRegWrote();
    void loadsRawValues_data();
    void loadsRawValues();
    void savesBothAsRegSz_data();
    void savesBothAsRegSz();

private:
    static SettingsStore Store() { return SettingsStore::AtNativeLocation(kTestKey); }
    static void CheckLoad(const QString& folder, const QString& action, const QString& error);
};

void TestRegistryStore::currentUserStoreIsTheProgramsKey() {
    QCOMPARE(SettingsStore::ForCurrentUser().Location(),
             QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\Velmora Free HTML to PDF Converter"));
    QCOMPARE(DefaultTargetFolder(), QStringLiteral("C:\\My PDF"));
}

void TestRegistryStore::loadCreatesTheMissingKey() {
    QVERIFY(!KeyExists());
    TestHost host(kInitialFolder, kShowMessage);
    QCOMPARE(Store().LoadSettings(host), QString());
    QVERIFY(KeyExists());
    QCOMPARE(host.folder, QStringLiteral("C:\\My PDF"));
    QCOMPARE(host.action, kOpenTargetFolder);
}

void TestRegistryStore::CheckLoad(const QString& folder, const QString& action, const QString& error) {
    TestHost host(kInitialFolder, kOpenTargetFolder);
    QCOMPARE(Store().LoadSettings(host), error);
    QCOMPARE(host.folder, folder);
    QCOMPARE(host.action, action);
}

void TestRegistryStore::loadsWhatRegWrote_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data"); // a null text: reg writes no data at all
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("error");

    const QString folderValue = kTargetFolderValue;
    const QString actionValue = kCompleteActionValue;
    const QString defaultFolder = QStringLiteral("C:\\My PDF");
    const QString folderTypeError = QStringLiteral("Invalid data type for 'TargetFolder'");
    const QString actionTypeError = QStringLiteral("Invalid data type for 'completeaction'");

    QTest::newRow("folder REG_SZ") << folderValue << "REG_SZ"
                                   << "D:\\Out\\"
                                   << "D:\\Out\\" << kOpenTargetFolder << QString();
    QTest::newRow("folder REG_SZ empty") << folderValue << "REG_SZ"
                                         << ""
                                         << "" << kOpenTargetFolder << QString();
    QTest::newRow("folder REG_EXPAND_SZ taken literally") << folderValue << "REG_EXPAND_SZ"
                                                          << "%TEMP%\\PDF"
                                                          << "%TEMP%\\PDF" << kOpenTargetFolder << QString();
    QTest::newRow("folder REG_BINARY")
        << folderValue << "REG_BINARY"
        << "43003a005c00" << kInitialFolder << kOpenTargetFolder << folderTypeError;
    QTest::newRow("folder REG_BINARY of no bytes")
        << folderValue << "REG_BINARY" << QString() << "" << kOpenTargetFolder << QString();
    QTest::newRow("folder REG_DWORD") << folderValue << "REG_DWORD"
                                      << "7" << kInitialFolder << kOpenTargetFolder << folderTypeError;
    QTest::newRow("folder REG_MULTI_SZ")
        << folderValue << "REG_MULTI_SZ"
        << "C:\\A\\0C:\\B" << kInitialFolder << kOpenTargetFolder << folderTypeError;
    QTest::newRow("action REG_SZ") << actionValue << "REG_SZ" << kShowMessage << defaultFolder << kShowMessage
                                   << QString();
    QTest::newRow("action completed") << actionValue << "REG_SZ"
                                      << "SHOW" << defaultFolder << kShowMessage << QString();
    QTest::newRow("action not an item") << actionValue << "REG_SZ"
                                        << "Nothing" << defaultFolder << kOpenTargetFolder << QString();
    QTest::newRow("action REG_EXPAND_SZ")
        << actionValue << "REG_EXPAND_SZ" << kDoNothing << defaultFolder << kDoNothing << QString();
    QTest::newRow("action REG_DWORD") << actionValue << "REG_DWORD"
                                      << "1" << defaultFolder << kOpenTargetFolder << actionTypeError;
    QTest::newRow("action REG_MULTI_SZ")
        << actionValue << "REG_MULTI_SZ"
        << "Do nothing\\0Show message" << defaultFolder << kOpenTargetFolder << actionTypeError;
    QTest::newRow("action REG_BINARY of no bytes")
        << actionValue << "REG_BINARY" << QString() << defaultFolder << kOpenTargetFolder << QString();
}

void TestRegistryStore::loadsWhatRegWrote() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, data);
    QFETCH(QString, folder);
    QFETCH(QString, action);
    QFETCH(QString, error);

    QStringList arguments{QStringLiteral("add"), kTestKey, QStringLiteral("/v"), name,
                          QStringLiteral("/t"),  type};
    if (!data.isNull())
        arguments << QStringLiteral("/d") << data;
    QVERIFY(!Reg(arguments << QStringLiteral("/f")).isNull());
    // The value really is of the type the row is about.
    const std::optional<StoredValue> stored = QueryValue(name);
    QVERIFY(stored);
    QCOMPARE(stored->type, RegType(type));
    QCOMPARE(stored->data.isEmpty(), data.isNull());
    CheckLoad(folder, action, error);
}

void TestRegistryStore::loadsRawValues_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("error");

    const QString folderValue = kTargetFolderValue;
    QTest::newRow("NUL inside") << folderValue << int(REG_SZ)
                                << Utf16Bytes(QStringLiteral("C:\\PDF") + QChar(u'\0') +
                                              QStringLiteral("junk") + QChar(u'\0'))
                                << "C:\\PDF" << QString();
    QTest::newRow("no terminating NUL")
        << folderValue << int(REG_SZ) << Utf16Bytes(QStringLiteral("C:\\Out")) << "C:\\Out" << QString();
    QTest::newRow("odd byte count") << folderValue << int(REG_SZ) << QByteArray("C\0:\0\\\0X", 7) << "C:\\"
                                    << QString();
    QTest::newRow("REG_DWORD of no bytes")
        << folderValue << int(REG_DWORD) << QByteArray() << "" << QString();
    QTest::newRow("REG_NONE with data")
        << folderValue << int(REG_NONE) << QByteArray("x\0", 2) << kInitialFolder
        << QStringLiteral("Invalid data type for 'TargetFolder'");
}

void TestRegistryStore::loadsRawValues() {
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, folder);
    QFETCH(QString, error);

    QVERIFY(SetRawValue(name, DWORD(type), data));
    CheckLoad(folder, kOpenTargetFolder, error);
}

void TestRegistryStore::savesBothAsRegSz_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("action");

    QTest::newRow("typical") << "C:\\PDF out" << kShowMessage;
    QTest::newRow("empty folder, unknown action") << ""
                                                  << "Nothing";
    QTest::newRow("environment reference kept") << "%TEMP%\\PDF\\" << kDoNothing;
}

void TestRegistryStore::savesBothAsRegSz() {
    QFETCH(QString, folder);
    QFETCH(QString, action);

    // A value of another type is replaced, not kept beside.
    QVERIFY(SetRawValue(kCompleteActionValue, REG_DWORD, QByteArray(4, '\1')));
    QCOMPARE(Store().SaveSettings(TestHost(folder, action)), QString());

    for (const auto& [name, text] :
         {std::pair{kTargetFolderValue, folder}, std::pair{kCompleteActionValue, action}}) {
        const std::optional<StoredValue> stored = QueryValue(name);
        QVERIFY(stored);
        QCOMPARE(stored->type, DWORD(REG_SZ));
        // UTF-16 text and one NUL.
        QCOMPARE(stored->data, Utf16Bytes(text + QChar(u'\0')));
    }
    // What the reg tool sees.
    const QString listing = Reg({QStringLiteral("query"), kTestKey});
    qInfo().noquote() << listing.trimmed();
    QVERIFY2(listing.contains(QRegularExpression(QStringLiteral("TargetFolder\\s+REG_SZ"))),
             qPrintable(listing));
    QVERIFY2(listing.contains(QRegularExpression(QStringLiteral("completeaction\\s+REG_SZ\\s+") +
                                                 QRegularExpression::escape(action))),
             qPrintable(listing));
}

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "test_registry_store.moc"
