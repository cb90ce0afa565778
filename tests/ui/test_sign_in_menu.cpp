// Convert > Sign-in and cookies…: the dialog's values reach a run and survive a restart, and the
// password never reaches the settings file; driven offscreen through the scripted dialogs.
#include "MainFormFixture.h"
#include "SignInDialog.h"
#include "modern/BrowserLocation.h"
#include "modern/SignInProfile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace velmora;
using namespace velmora::test;

namespace {

template <typename T> T* Find(QDialog& dialog, const char* name) {
    T* child = dialog.findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no control %s in the sign-in dialog", name);
    return child;
}

const QString kPassword = QStringLiteral("tide-Chart-4417");

} // namespace

class TestSignInMenu : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void valuesReachARunAndSurviveARestart();
    void unreadableInputIsNotTaken();
    void browserSignInIsOfferedAndCleared();
};

void TestSignInMenu::initTestCase() {
    // The browser sign-in's profile lives in a folder of the tests' own.
    QStandardPaths::setTestModeEnabled(true);
}

void TestSignInMenu::valuesReachARunAndSurviveARestart() {
    MainFormFixture f;
    REQUIRE_FAKE_CONVERTER(f);
    const QString cookies = f.MakeFiles({"cookies.txt"}).first();
    {
        QFile file(cookies);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("# Netscape HTTP Cookie File\n.harbour.test\tTRUE\t/\tTRUE\t0\tsession\topensesame\n");
    }
    f.Open();
    f.dialogs.nextFiles = QStringList{cookies};
    f.dialogs.onModal = [](QDialog& dialog) {
        Find<QPushButton>(dialog, "btnImportCookies")->click();
        QTest::keyClicks(Find<QPlainTextEdit>(dialog, "memHeaders"), QStringLiteral("X-Club: members"));
        QTest::keyClicks(Find<QLineEdit>(dialog, "edtUser"), QStringLiteral("skipper"));
        QTest::keyClicks(Find<QLineEdit>(dialog, "edtPassword"), kPassword);
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    };
    QVERIFY(f.Trigger("actSignIn"));
    QCOMPARE(f.dialogs.modalCount, 1);

    const SignIn expected{{{"session", "opensesame", "harbour.test", true, "/", true, false, 0}},
                          {{"X-Club", "members"}},
                          "skipper",
                          kPassword,
                          {}};
    QCOMPARE(f.Window().Command().Runner().SignInSetting(), expected);
    const auto storedText = [&f] {
        QFile settings(f.SettingsPath());
        return settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
    };
    QVERIFY2(storedText().contains("skipper") && storedText().contains("X-Club"), storedText().constData());
    QVERIFY2(!storedText().contains(kPassword.toUtf8()), storedText().constData());

    // The Classic engine cannot keep a header to the queue's sites, so the run is refused and says why.
    QVERIFY(f.AddUrls({"http://harbour.test/members"}));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.Click("RzBitBtn1"));
    QTRY_COMPARE_WITH_TIMEOUT(f.dialogs.messages.size(), 1, kRunTimeoutMs);
    QVERIFY2(f.dialogs.messages.first().contains("cannot keep headers"),
             qPrintable(f.dialogs.messages.first()));
    QVERIFY(f.ConverterCalls().isEmpty());

    // After a restart the run gets the same, and the dialog shows it; the password comes from the keeper.
    f.Open();
    QCOMPARE(f.Window().Command().Runner().SignInSetting(), expected);
    QVERIFY(!storedText().contains(kPassword.toUtf8()));
    QStringList shown;
    f.dialogs.onModal = [&shown](QDialog& dialog) {
        shown = QStringList{Find<QLineEdit>(dialog, "edtCookiesFile")->text(),
                            Find<QPlainTextEdit>(dialog, "memHeaders")->toPlainText(),
                            Find<QLineEdit>(dialog, "edtUser")->text(),
                            Find<QLineEdit>(dialog, "edtPassword")->text()};
        // Without the header and the user, the cookies alone reach the converter, in its cookie jar.
        Find<QPlainTextEdit>(dialog, "memHeaders")->clear();
        Find<QLineEdit>(dialog, "edtUser")->clear();
        dialog.accept();
        return true;
    };
    QVERIFY(f.Trigger("actSignIn"));
    QVERIFY(f.AddUrls({"http://harbour.test/members"}));
    f.TypeTargetFolder(f.OutputFolder());
    QVERIFY(f.Click("RzBitBtn1"));
    QCOMPARE(shown,
             (QStringList{QDir::toNativeSeparators(cookies), "X-Club: members", "skipper", kPassword}));
    QTRY_COMPARE_WITH_TIMEOUT(f.Window().RunStatus(), rsStop, kRunTimeoutMs);
    QVERIFY2(f.ConverterCalls().value(0).contains("--cookie-jar"),
             qPrintable(f.ConverterCalls().value(0).join(' ')));
    // A user taken away takes its password from the keeper.
    QCOMPARE(f.dialogs.passwords.Read("skipper"), QString());
}

void TestSignInMenu::unreadableInputIsNotTaken() {
    MainFormFixture f;
    const QString notCookies = f.MakeFiles({"notes.txt"}).first();
    f.Open();
    f.dialogs.nextFiles = QStringList{notCookies};
    QString problem = QStringLiteral("the dialog was not shown");
    f.dialogs.onModal = [&problem](QDialog& dialog) {
        problem.clear();
        // A file without cookies is not taken.
        Find<QPushButton>(dialog, "btnImportCookies")->click();
        if (!Find<QLineEdit>(dialog, "edtCookiesFile")->text().isEmpty())
            problem = QStringLiteral("a file without cookies was taken");
        else if (!Find<QLabel>(dialog, "lblSignInNote")->text().contains("holds no cookies"))
            problem = QStringLiteral("the note reads: ") + Find<QLabel>(dialog, "lblSignInNote")->text();
        // Nor a header line without a name.
        Find<QPlainTextEdit>(dialog, "memHeaders")
            ->setPlainText(QStringLiteral("X-Club: members\nno header"));
        dialog.accept();
        if (dialog.result() == QDialog::Accepted)
            problem = QStringLiteral("a line that is no header was accepted");
        else if (!Find<QLabel>(dialog, "lblSignInNote")->text().contains("Line 2"))
            problem = QStringLiteral("the note reads: ") + Find<QLabel>(dialog, "lblSignInNote")->text();
        return false;
    };
    QVERIFY(f.Trigger("actSignIn"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// The browser's sign-in is asked where to sign in (the queue's first web address), and Clear forgets
// the cookies it saved.
void TestSignInMenu::browserSignInIsOfferedAndCleared() {
    QVERIFY(QDir().mkpath(SignInProfileFolder()));
    QFile saved(SignInProfileFolder() + "/velmora-cookies.json");
    QVERIFY(saved.open(QIODevice::WriteOnly));
    saved.write(R"([{"name":"session","value":"opensesame","domain":"wiki.harbour.test","path":"/",)"
                R"("secure":true,"httpOnly":true,"session":true,"expires":-1}])");
    saved.close();
    MainFormFixture f;
    f.Open();
    QVERIFY(f.AddUrls({"https://wiki.harbour.test/members"}));
    const bool browserFound = LocateWindowedBrowser(QDir::tempPath()).found;
    QStringList states;
    f.dialogs.nextText = std::nullopt; // the address is not given
    f.dialogs.onModal = [&states, browserFound](QDialog& dialog) {
        auto* state = Find<QLabel>(dialog, "lblBrowserSignIn");
        states << state->text();
        if (browserFound)
            Find<QPushButton>(dialog, "btnBrowserSignIn")->click();
        Find<QPushButton>(dialog, "btnClearBrowser")->click();
        states << state->text();
        return false;
    };
    QVERIFY(f.Trigger("actSignIn"));

    QCOMPARE(states.value(0), QStringLiteral("1 cookie from the browser's sign-in, for: wiki.harbour.test."));
    QCOMPARE(states.value(1), QStringLiteral("No cookies from a browser sign-in."));
    QVERIFY(!QFileInfo::exists(SignInProfileFolder()));
    if (browserFound)
        QCOMPARE(f.dialogs.textSuggestions, QStringList{"https://wiki.harbour.test/members"});
}

QTEST_MAIN(TestSignInMenu)
#include "test_sign_in_menu.moc"
