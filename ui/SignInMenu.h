#pragma once

#include "SettingsStore.h"
#include "SignInDialog.h"
#include "modern/SignInProfile.h"
#include "platform/ProgramLocation.h"
#include "run/ConvertCommand.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class Dialogs;

// Convert -> "Sign-in and cookies…": what pages behind a login need, handed to every later run. The
// cookies file's path, the headers and the user name are stored with the other settings; the password
// only where Dialogs::Passwords() keeps it.
class SignInMenu final : public QObject {
    Q_OBJECT
public:
    // The queue suggests where to sign in with the browser; programFolder is where a browser is looked for.
    SignInMenu(QMenu& convertMenu, Dialogs& dialogs, SettingsStore store, ConvertCommand& command,
               const ConversionQueue& queue, QString programFolder, QWidget& window);

    SignInChoice Choice() const;

private:
    void Open();
    void Use(const SignInChoice& choice);
    void SignInWithBrowser(SignInDialog& dialog, const ProgramLocation& browser);
    void WatchBrowser(SignInDialog& dialog, const ProgramLocation& browser);
    void ShowBrowserState(SignInDialog& dialog, const ProgramLocation& browser) const;

    Dialogs& m_dialogs;
    SettingsStore m_store;
    ConvertCommand& m_command;
    const ConversionQueue& m_queue;
    QString m_programFolder;
    QWidget& m_window;
    QAction* m_action;
    SignInBrowser* m_browser = nullptr;
};

} // namespace velmora
