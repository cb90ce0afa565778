#pragma once

#include "render/SignIn.h"

#include <QDialog>

#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace velmora {

class Dialogs;

inline const QString kSignInCaption = QStringLiteral("Sign-in and Cookies");

// What the window sends to pages behind a login.
struct SignInChoice {
    QString cookiesFile; // a cookies.txt file, read at each start and whenever the choice changes
    QList<HttpHeader> headers;
    QString user;
    QString password;
    friend bool operator==(const SignInChoice&, const SignInChoice&) = default;
};

// Convert -> "Sign-in and cookies…": a cookies file to import, headers, a user name and password.
class SignInDialog final : public QDialog {
    Q_OBJECT
public:
    // passwordKept: where the password is kept, as the keeper says it.
    SignInDialog(const SignInChoice& choice, const QString& passwordKept, Dialogs& dialogs,
                 QWidget* parent = nullptr);

    SignInChoice Value() const;
    void accept() override; // refused, with the reason shown, while a header line cannot be read
    // What the browser's profile holds, and whether a browser that can show a window was found (else why
    // not).
    void ShowBrowserSignIn(const QString& state, bool available);

signals:
    void browserSignInAsked();
    void browserClearAsked();

private:
    void ImportCookies();
    void ShowCookies(const QString& file);
    // The headers typed, one a line; nothing when a line is no header, with m_note saying which.
    std::optional<QList<HttpHeader>> Headers() const;

    Dialogs& m_dialogs;
    QLineEdit* m_cookiesFile;
    QLabel* m_cookies;
    QPlainTextEdit* m_headers;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLabel* m_note;
    QLabel* m_browserState;
    QPushButton* m_browserSignIn;
    QPushButton* m_browserClear;
    QDialogButtonBox* m_buttons;
};

} // namespace velmora
