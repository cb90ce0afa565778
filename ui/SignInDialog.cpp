#include "SignInDialog.h"

#include "DialogParts.h"
#include "Dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace velmora {

namespace {

const QString kCookiesFilter = QStringLiteral("Cookies files (*.txt)|*.txt|All files(*.*)|*.*");
constexpr int kNamedHosts = 4;
constexpr int kWidth = 560;
constexpr int kHeaderLines = 4;

QLabel* Explanation(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

// "3 cookies, for example.com and 127.0.0.1"
QString CookiesSummary(const QList<Cookie>& cookies) {
    QStringList hosts;
    for (const Cookie& cookie : cookies)
        if (!hosts.contains(cookie.domain))
            hosts.append(cookie.domain);
    QString named = hosts.mid(0, kNamedHosts).join(QStringLiteral(", "));
    if (hosts.size() > kNamedHosts)
        named += QStringLiteral(" and %1 more").arg(hosts.size() - kNamedHosts);
    return (cookies.size() == 1 ? QStringLiteral("1 cookie")
                                : QStringLiteral("%1 cookies").arg(cookies.size())) +
           QStringLiteral(", each sent only to its own site: ") + named;
}

} // namespace

SignInDialog::SignInDialog(const SignInChoice& choice, const QString& passwordKept, Dialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("SignInDialog"));
    setWindowTitle(kSignInCaption);
    setFont(FormFont());

    auto* cookiesBox = new QGroupBox(QStringLiteral("Cookies"));
    m_cookiesFile = new QLineEdit;
    m_cookiesFile->setObjectName(QStringLiteral("edtCookiesFile"));
    m_cookiesFile->setReadOnly(true);
    m_cookiesFile->setPlaceholderText(QStringLiteral("No cookies file"));
    auto* import = new QPushButton(QStringLiteral("&Import…"));
    import->setObjectName(QStringLiteral("btnImportCookies"));
    auto* remove = new QPushButton(QStringLiteral("&Remove"));
    remove->setObjectName(QStringLiteral("btnRemoveCookies"));
    m_cookies = new QLabel;
    m_cookies->setObjectName(QStringLiteral("lblCookies"));
    m_cookies->setWordWrap(true);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_cookiesFile, 1);
    fileRow->addWidget(import);
    fileRow->addWidget(remove);
    auto* cookiesLayout = new QVBoxLayout(cookiesBox);
    cookiesLayout->addWidget(Explanation(QStringLiteral(
        "A cookies.txt file, as a browser extension exports it from a browser you are signed in with:")));
    cookiesLayout->addLayout(fileRow);
    cookiesLayout->addWidget(m_cookies);

    auto* headersBox = new QGroupBox(QStringLiteral("Headers (Modern engine)"));
    m_headers = new QPlainTextEdit;
    m_headers->setObjectName(QStringLiteral("memHeaders"));
    m_headers->setPlaceholderText(QStringLiteral("Authorization: Bearer …"));
    m_headers->setTabChangesFocus(true);
    m_headers->setFixedHeight(m_headers->fontMetrics().lineSpacing() * kHeaderLines +
                              2 * m_headers->frameWidth() + 2 * int(m_headers->document()->documentMargin()));
    auto* headersLayout = new QVBoxLayout(headersBox);
    headersLayout->addWidget(Explanation(
        QStringLiteral("One \"Name: value\" a line, sent only to the sites of the queue's rows:")));
    headersLayout->addWidget(m_headers);

    auto* userBox = new QGroupBox(QStringLiteral("HTTP sign-in, basic or digest (Modern engine)"));
    m_user = new QLineEdit;
    m_user->setObjectName(QStringLiteral("edtUser"));
    m_password = new QLineEdit;
    m_password->setObjectName(QStringLiteral("edtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    auto* kept = new QLabel(QStringLiteral("Given only to the sites of the queue's rows. The password is %1, "
                                           "never in the settings file.")
                                .arg(passwordKept));
    kept->setObjectName(QStringLiteral("lblPasswordKept"));
    kept->setWordWrap(true);
    auto* userLayout = new QFormLayout(userBox);
    userLayout->addRow(QStringLiteral("&User name:"), m_user);
    userLayout->addRow(QStringLiteral("&Password:"), m_password);
    userLayout->addRow(kept);

    auto* browserBox = new QGroupBox(QStringLiteral("Sign in with a browser (Modern engine)"));
    m_browserState = new QLabel;
    m_browserState->setObjectName(QStringLiteral("lblBrowserSignIn"));
    m_browserState->setWordWrap(true);
    m_browserSignIn = new QPushButton(QStringLiteral("Sign in with the &browser…"));
    m_browserSignIn->setObjectName(QStringLiteral("btnBrowserSignIn"));
    m_browserClear = new QPushButton(QStringLiteral("C&lear"));
    m_browserClear->setObjectName(QStringLiteral("btnClearBrowser"));
    auto* browserButtons = new QHBoxLayout;
    browserButtons->addWidget(m_browserSignIn);
    browserButtons->addWidget(m_browserClear);
    browserButtons->addStretch();
    auto* browserLayout = new QVBoxLayout(browserBox);
    browserLayout->addWidget(Explanation(QStringLiteral(
        "Opens a browser window of the program's own, in which you sign in; Modern runs then send its "
        "cookies, each to its own site, until you clear them.")));
    browserLayout->addLayout(browserButtons);
    browserLayout->addWidget(m_browserState);

    m_note = new QLabel;
    m_note->setObjectName(QStringLiteral("lblSignInNote"));
    m_note->setWordWrap(true);
    m_note->setStyleSheet(QStringLiteral("color: #A00000;"));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_buttons->setObjectName(QStringLiteral("bbxSignIn"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cookiesBox);
    layout->addWidget(headersBox);
    layout->addWidget(userBox);
    layout->addWidget(browserBox);
    layout->addWidget(m_note);
    layout->addWidget(m_buttons);
    // A window is sized by its size hint, which leaves no room for the lines the explanations wrap
    // onto; their height at this width does.
    resize(kWidth, heightForWidth(kWidth));

    connect(import, &QPushButton::clicked, this, &SignInDialog::ImportCookies);
    connect(remove, &QPushButton::clicked, this, [this] { ShowCookies({}); });
    connect(m_browserSignIn, &QPushButton::clicked, this, &SignInDialog::browserSignInAsked);
    connect(m_browserClear, &QPushButton::clicked, this, &SignInDialog::browserClearAsked);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &SignInDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &SignInDialog::reject);

    ShowCookies(choice.cookiesFile);
    QStringList lines;
    for (const HttpHeader& header : choice.headers)
        lines.append(HeaderText(header));
    m_headers->setPlainText(lines.join(QLatin1Char('\n')));
    m_user->setText(choice.user);
    m_password->setText(choice.password);
}

// A file that holds no cookie is not taken: the one before stays.
void SignInDialog::ImportCookies() {
    const QString start =
        m_cookiesFile->text().isEmpty() ? QString() : QFileInfo(m_cookiesFile->text()).path();
    const auto files = m_dialogs.GetOpenFileNames(this, kCookiesFilter, start);
    if (!files)
        return;
    const QString file = QDir::fromNativeSeparators(files->first());
    QString error;
    ReadCookiesFile(file, error);
    if (error.isEmpty())
        ShowCookies(file);
    else
        m_note->setText(error);
}

void SignInDialog::ShowCookies(const QString& file) {
    m_note->clear();
    m_cookiesFile->setText(QDir::toNativeSeparators(file));
    if (file.isEmpty()) {
        m_cookies->setText(QStringLiteral("No cookies are sent."));
        return;
    }
    QString error;
    const QList<Cookie> cookies = ReadCookiesFile(file, error);
    m_cookies->setText(error.isEmpty() ? CookiesSummary(cookies) : error);
}

std::optional<QList<HttpHeader>> SignInDialog::Headers() const {
    QList<HttpHeader> headers;
    const QStringList lines = m_headers->toPlainText().split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).trimmed().isEmpty())
            continue;
        const std::optional<HttpHeader> header = ParseHeader(lines.at(i));
        if (!header) {
            m_note->setText(
                QStringLiteral("Line %1 of the headers is no header: write it as \"Name: value\".")
                    .arg(i + 1));
            return std::nullopt;
        }
        headers.append(*header);
    }
    return headers;
}

void SignInDialog::ShowBrowserSignIn(const QString& state, bool available) {
    m_browserState->setText(state);
    m_browserSignIn->setEnabled(available);
}

SignInChoice SignInDialog::Value() const {
    return {QDir::fromNativeSeparators(m_cookiesFile->text()), Headers().value_or(QList<HttpHeader>{}),
            m_user->text().trimmed(), m_password->text()};
}

void SignInDialog::accept() {
    if (Headers())
        QDialog::accept();
}

} // namespace velmora
