#include "SignInMenu.h"

#include "Dialogs.h"
#include "PasswordKeeper.h"

#include "modern/BrowserLocation.h"
#include "queue/TextRules.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace velmora {

SignInMenu::SignInMenu(QMenu& convertMenu, Dialogs& dialogs, SettingsStore store, ConvertCommand& command,
                       const ConversionQueue& queue, QString programFolder, QWidget& window)
    : QObject(&window), m_dialogs(dialogs), m_store(std::move(store)), m_command(command), m_queue(queue),
      m_programFolder(std::move(programFolder)), m_window(window) {
    m_action = convertMenu.addAction(QStringLiteral("Sign-&in and cookies…"));
    m_action->setObjectName(QStringLiteral("actSignIn"));
    connect(m_action, &QAction::triggered, this, &SignInMenu::Open);
    // A run keeps the sign-in it started with.
    connect(&m_command, &ConvertCommand::statusChanged, this,
            [this](TRunStatus status) { m_action->setEnabled(status != rsStart); });
    Use(Choice());
}

SignInChoice SignInMenu::Choice() const {
    SignInChoice choice;
    choice.cookiesFile = m_store.PreferenceText(Preference::SignInCookiesFile);
    for (const QString& line : m_store.PreferenceText(Preference::SignInHeaders).split(QLatin1Char('\n')))
        if (const std::optional<HttpHeader> header = ParseHeader(line))
            choice.headers.append(*header);
    choice.user = m_store.PreferenceText(Preference::SignInUser);
    if (!choice.user.isEmpty())
        choice.password = m_dialogs.Passwords().Read(choice.user);
    return choice;
}

void SignInMenu::Open() {
    const SignInChoice before = Choice();
    SignInDialog dialog(before, m_dialogs.Passwords().Where(), m_dialogs, &m_window);
    // The browser's sign-in takes effect at once, whatever the dialog's end.
    const ProgramLocation browser = LocateWindowedBrowser(m_programFolder);
    ShowBrowserState(dialog, browser);
    connect(&dialog, &SignInDialog::browserSignInAsked, &dialog, [this, &dialog, browser] {
        SignInWithBrowser(dialog, browser);
        ShowBrowserState(dialog, browser);
    });
    connect(&dialog, &SignInDialog::browserClearAsked, &dialog, [this, &dialog, browser] {
        if (m_browser && m_browser->IsOpen())
            m_dialogs.ShowMessage(&dialog, QStringLiteral("Close the browser window first."));
        else if (!ClearSignInProfile())
            m_dialogs.ShowError(&dialog, QStringLiteral("The browser's profile \"%1\" could not be removed.")
                                             .arg(QDir::toNativeSeparators(SignInProfileFolder())));
        ShowBrowserState(dialog, browser);
    });
    if (m_browser)
        WatchBrowser(dialog, browser);
    if (!m_dialogs.RunModal(dialog))
        return;
    const SignInChoice choice = dialog.Value();
    m_store.SetPreferenceText(Preference::SignInCookiesFile, choice.cookiesFile);
    QStringList lines;
    for (const HttpHeader& header : choice.headers)
        lines.append(HeaderText(header));
    m_store.SetPreferenceText(Preference::SignInHeaders, lines.join(QLatin1Char('\n')));
    m_store.SetPreferenceText(Preference::SignInUser, choice.user);
    if (!before.user.isEmpty() && before.user != choice.user)
        m_dialogs.Passwords().Store(before.user, {});
    if (!choice.user.isEmpty())
        m_dialogs.Passwords().Store(choice.user, choice.password);
    Use(choice);
}

// The address asked for starts as the queue's first web address.
void SignInMenu::SignInWithBrowser(SignInDialog& dialog, const ProgramLocation& browser) {
    QString suggested = QStringLiteral("https://");
    for (int row = 0; row < m_queue.RowCount(); ++row)
        if (HasWebPrefix(m_queue.SourceText(row))) {
            suggested = m_queue.SourceText(row);
            break;
        }
    const std::optional<QString> address =
        m_dialogs.GetText(&dialog, QStringLiteral("Address of the site to sign in to:"), suggested);
    if (!address || !HasWebPrefix(address->trimmed()))
        return;
    if (!m_browser) {
        m_browser = new SignInBrowser(browser.path, this);
        WatchBrowser(dialog, browser);
    }
    QString reason;
    if (!m_browser->Open(address->trimmed(), &reason))
        m_dialogs.ShowError(&dialog, reason);
}

// While the dialog is open it follows the browser window: the cookies it saves, and its end.
void SignInMenu::WatchBrowser(SignInDialog& dialog, const ProgramLocation& browser) {
    const auto show = [this, &dialog, browser] { ShowBrowserState(dialog, browser); };
    connect(m_browser, &SignInBrowser::cookiesSaved, &dialog, show);
    connect(m_browser, &SignInBrowser::closed, &dialog, show);
}

void SignInMenu::ShowBrowserState(SignInDialog& dialog, const ProgramLocation& browser) const {
    if (!browser.found) {
        dialog.ShowBrowserSignIn(QStringLiteral("No browser that can show a window was found; looked in: %1.")
                                     .arg(browser.searched.join(QStringLiteral("; "))),
                                 false);
        return;
    }
    const QList<Cookie> cookies = SignInProfileCookies();
    QStringList sites;
    for (const Cookie& cookie : cookies)
        if (!sites.contains(cookie.domain))
            sites.append(cookie.domain);
    QString state = cookies.isEmpty()
                        ? QStringLiteral("No cookies from a browser sign-in.")
                        : (cookies.size() == 1 ? QStringLiteral("1 cookie")
                                               : QStringLiteral("%1 cookies").arg(cookies.size())) +
                              QStringLiteral(" from the browser's sign-in, for: %1.")
                                  .arg(sites.join(QStringLiteral(", ")));
    if (m_browser && m_browser->IsOpen())
        state = QStringLiteral("The browser window is open: sign in there, then close it. ") + state;
    dialog.ShowBrowserSignIn(state, !(m_browser && m_browser->IsOpen()));
}

// The cookies file is read now, so a run sends what it held when chosen or when the program started.
void SignInMenu::Use(const SignInChoice& choice) {
    SignIn signIn;
    if (!choice.cookiesFile.isEmpty()) {
        QString error;
        signIn.cookies = ReadCookiesFile(choice.cookiesFile, error);
    }
    signIn.headers = choice.headers;
    signIn.user = choice.user;
    signIn.password = choice.password;
    m_command.Runner().SetSignIn(signIn);
}

} // namespace velmora
