#include "modern/BrowserLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace velmora;

// Where the Modern engine's browser is found, and what is said when it is not.
class TestBrowserLocation : public QObject {
    Q_OBJECT
private slots:
    void bundledBrowserComesFirst();
    void pathIsSearchedInOrder_data();
    void pathIsSearchedInOrder();
    void notFoundSaysWhereItLooked();

private:
    static void MakeProgram(const QString& path) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
    }
};

void TestBrowserLocation::bundledBrowserComesFirst() {
    QTemporaryDir program, onPath;
    QVERIFY(QDir(program.path()).mkdir("bin"));
    MakeProgram(program.filePath("bin/chromium"));
    MakeProgram(onPath.filePath("chromium"));
    qputenv("PATH", onPath.path().toLocal8Bit());
    const ProgramLocation found = LocateBrowser(program.path());
    QVERIFY(found.found);
    QCOMPARE(found.path, program.filePath("bin/chromium"));
}

void TestBrowserLocation::pathIsSearchedInOrder_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("only google-chrome") << QStringList{"google-chrome"} << "google-chrome";
    QTest::newRow("chromium-browser before google-chrome")
        << QStringList{"google-chrome", "chromium-browser"} << "chromium-browser";
    QTest::newRow("chromium before chromium-browser")
        << QStringList{"google-chrome", "chromium-browser", "chromium"} << "chromium";
    QTest::newRow("headless shell first")
        << QStringList{"google-chrome", "chromium-browser", "chromium", "chromium-headless-shell"}
        << "chromium-headless-shell";
}

void TestBrowserLocation::pathIsSearchedInOrder() {
    QFETCH(QStringList, installed);
    QFETCH(QString, expected);

    QTemporaryDir program, onPath;
    for (const QString& name : installed)
        MakeProgram(onPath.filePath(name));
    qputenv("PATH", onPath.path().toLocal8Bit());
    const ProgramLocation found = LocateBrowser(program.path());
    QVERIFY(found.found);
    QCOMPARE(found.path, onPath.filePath(expected));
}

void TestBrowserLocation::notFoundSaysWhereItLooked() {
    QTemporaryDir program, emptyPath;
    qputenv("PATH", emptyPath.path().toLocal8Bit());
    const ProgramLocation found = LocateBrowser(program.path());
    QVERIFY(!found.found);
    QVERIFY(found.path.isEmpty());
    QCOMPARE(
        found.searched,
        (QStringList{
            program.filePath("bin/chromium"),
            "chromium-headless-shell, chromium, chromium-browser, google-chrome in the folders on PATH (" +
                emptyPath.path() + ")"}));
}

QTEST_GUILESS_MAIN(TestBrowserLocation)
#include "test_browser_location.moc"
