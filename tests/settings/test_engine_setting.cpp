#include "SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace velmora;

Q_DECLARE_METATYPE(velmora::RenderingEngine)

// The stored rendering engine.
class TestEngineSetting : public QObject {
    Q_OBJECT
private slots:
    void init();
    void load_data();
    void load();
    void storeAndLoad_data();
    void storeAndLoad();

private:
    QString IniPath() const { return m_dir->filePath(QStringLiteral("store.ini")); }
    // A fresh folder per test: QSettings caches files by name within the process.
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestEngineSetting::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestEngineSetting::load_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<RenderingEngine>("engine");

    QTest::newRow("nothing stored") << QByteArray() << RenderingEngine::Classic;
    QTest::newRow("Classic") << QByteArray("[General]\nRenderingEngine=Classic\n")
                             << RenderingEngine::Classic;
    QTest::newRow("Modern") << QByteArray("[General]\nRenderingEngine=Modern\n") << RenderingEngine::Modern;
    QTest::newRow("other letter case")
        << QByteArray("[General]\nRenderingEngine=modern\n") << RenderingEngine::Classic;
    QTest::newRow("unknown text") << QByteArray("[General]\nRenderingEngine=Fast\n")
                                  << RenderingEngine::Classic;
}

void TestEngineSetting::load() {
    QFETCH(QByteArray, ini);
    QFETCH(RenderingEngine, engine);
    QFile file(IniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(ini);
    file.close();
    QCOMPARE(SettingsStore::AtIniFile(IniPath()).Engine(), engine);
}

void TestEngineSetting::storeAndLoad_data() {
    QTest::addColumn<RenderingEngine>("engine");
    QTest::addColumn<QString>("text");

    QTest::newRow("Classic") << RenderingEngine::Classic << "Classic";
    QTest::newRow("Modern") << RenderingEngine::Modern << "Modern";
}

void TestEngineSetting::storeAndLoad() {
    QFETCH(RenderingEngine, engine);
    QFETCH(QString, text);
    const SettingsStore store = SettingsStore::AtIniFile(IniPath());
    store.SetEngine(RenderingEngine::Modern == engine ? RenderingEngine::Classic : RenderingEngine::Modern);
    store.SetEngine(engine);
    QCOMPARE(store.Engine(), engine);
    QCOMPARE(QSettings(IniPath(), QSettings::IniFormat).value(kRenderingEngineValue).toString(), text);
}

QTEST_GUILESS_MAIN(TestEngineSetting)
#include "test_engine_setting.moc"
