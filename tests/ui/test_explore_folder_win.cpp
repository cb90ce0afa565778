// "Open target folder" on Windows: the program's own dialogs hand the folder to the shell's
// ShellExecuteW with the verb "explore". A recorder stands in for the shell, so no window opens.
#include "Dialogs.h"
#include "ShellExecute_win.h"

#include <QWidget>
#include <QtTest>

using namespace velmora;

namespace {

struct ShellCall {
    HWND window = nullptr;
    QString verb;
    QString file;
    bool hasParameters = false;
    bool hasDirectory = false;
    int show = 0;
};

QList<ShellCall> calls;

QString FromWide(LPCWSTR text) {
    return text ? QString::fromWCharArray(text) : QString();
}

HINSTANCE WINAPI RecordShellExecute(HWND window, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                    LPCWSTR directory, INT show) {
    calls.append({window, FromWide(verb), FromWide(file), parameters != nullptr, directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(INT_PTR(42)); // above 32: success
}

} // namespace

class TestExploreFolderWin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_shell = ReplaceShellExecute(RecordShellExecute); }
    void cleanupTestCase() { ReplaceShellExecute(m_shell); }
    void init() { calls.clear(); }

    void folderReachesTheShell_data();
    void folderReachesTheShell();
    void withoutOwnerWindow();

private:
    ShellExecuteFunction m_shell = nullptr;
};

void TestExploreFolderWin::folderReachesTheShell_data() {
    QTest::addColumn<QString>("folder");

    QTest::newRow("default folder") << "C:\\My PDF";
    QTest::newRow("trailing backslash") << "D:\\Reports\\2026\\";
    QTest::newRow("relative, as typed") << "pdf\\out";
    QTest::newRow("network share") << "\\\\server\\share\\PDF";
    QTest::newRow("non-latin") << QString::fromUtf8("C:\\\u6587\u6863 PDF");
}

void TestExploreFolderWin::folderReachesTheShell() {
    QFETCH(QString, folder);

    QWidget owner;
    owner.show();
    SystemDialogs dialogs;
    dialogs.ExploreFolder(&owner, folder, [](bool) {});

    QCOMPARE(calls.size(), 1);
    const ShellCall& call = calls.first();
    QCOMPARE(call.verb, QStringLiteral("explore"));
    QCOMPARE(call.file, folder);
    QVERIFY(!call.hasParameters);
    QVERIFY(!call.hasDirectory);
    QCOMPARE(call.show, SW_SHOWNORMAL);
    QCOMPARE(call.window, reinterpret_cast<HWND>(owner.winId()));
}

void TestExploreFolderWin::withoutOwnerWindow() {
    SystemDialogs dialogs;
    dialogs.ExploreFolder(nullptr, QStringLiteral("C:\\My PDF"), [](bool) {});
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().window, HWND(nullptr));
    QCOMPARE(calls.first().file, QStringLiteral("C:\\My PDF"));
}

QTEST_MAIN(TestExploreFolderWin)
#include "test_explore_folder_win.moc"
