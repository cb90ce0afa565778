#include "MainFormFixture.h"

#include "AddURLUnit.h"
#include "QueueGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace velmora::test {

namespace {

#ifdef Q_OS_WIN
const QString kConverterName = QStringLiteral("bin/wkhtmltopdf.exe");
const QString kBrowserName = QStringLiteral("bin/chrome.exe");
#else
const QString kConverterName = QStringLiteral("bin/wkhtmltopdf");
const QString kBrowserName = QStringLiteral("bin/chromium");
#endif

} // namespace

MainFormFixture::MainFormFixture() {
    const QString fake = qEnvironmentVariable("VELMORA_FAKE_CONVERTER");
    if (!fake.isEmpty() && QDir(m_program.path()).mkpath(QStringLiteral("bin")))
        m_hasConverter = QFile::copy(fake, m_program.filePath(kConverterName));
    m_logPath = m_output.filePath(QStringLiteral("converter-log.jsonl"));
    qputenv("VELMORA_FAKE_LOG", QFile::encodeName(m_logPath));
}

MainFormFixture::~MainFormFixture() = default;

void MainFormFixture::RemoveConverter() {
    QFile::remove(m_program.filePath(kConverterName));
}

bool MainFormFixture::InstallBrowser() {
    const QString fake = qEnvironmentVariable("VELMORA_FAKE_BROWSER");
    return !fake.isEmpty() && QDir(m_program.path()).mkpath(QStringLiteral("bin")) &&
           QFile::copy(fake, m_program.filePath(kBrowserName));
}

TfrmMain& MainFormFixture::Open() {
    return Open(Store());
}

TfrmMain& MainFormFixture::Open(const SettingsStore& store) {
    m_window.reset();
    m_window = std::make_unique<TfrmMain>(dialogs, store, m_program.path());
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("The main window did not become active");
    return *m_window;
}

TQueueGrid& MainFormFixture::Grid() const {
    return *Child<TQueueGrid>("gvConvert");
}

QObject* MainFormFixture::ChildObject(const char* name, const QMetaObject* type) const {
    if (!m_window)
        qFatal("No main window is open");
    const QList<QObject*> named = m_window->findChildren<QObject*>(QLatin1String(name));
    for (QObject* object : named) {
        if (type->cast(object))
            return object;
    }
    qFatal("The main window has no %s named %s", type->className(), name);
}

bool MainFormFixture::Trigger(const char* name) const {
    auto* action = Child<QAction>(name);
    if (!action->isEnabled()) {
        qWarning("%s is disabled", name);
        return false;
    }
    action->trigger();
    return true;
}

bool MainFormFixture::Click(const char* name) const {
    auto* button = Child<QAbstractButton>(name);
    if (!button->isEnabled()) {
        qWarning("%s is disabled", name);
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

void MainFormFixture::ScriptAddUrls(const QStringList& lines) {
    dialogs.onModal = [lines](QDialog& dialog) {
        auto* form = qobject_cast<TAddURLForm*>(&dialog);
        if (!form)
            return false;
        QPlainTextEdit* memo = form->urlmemo();
        QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(memo, Qt::Key_Return);
            QTest::keyClicks(memo, lines[i]);
        }
        return true;
    };
}

bool MainFormFixture::AddUrls(const QStringList& lines) {
    ScriptAddUrls(lines);
    return Click("AdvGlowButton2");
}

bool MainFormFixture::AddFiles(const QStringList& paths) {
    dialogs.nextFiles = paths;
    return Click("AdvGlowButton3");
}

QStringList MainFormFixture::MakeFiles(const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) {
        const QString path = QDir::toNativeSeparators(m_files.filePath(name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("Cannot create %s", qPrintable(path));
        file.write("<html><body><p>Page</p></body></html>\n");
        paths << path;
    }
    return paths;
}

void MainFormFixture::TypeTargetFolder(const QString& text) const {
    auto* edit = Child<QLineEdit>("edtoutFolder");
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void MainFormFixture::ChooseCompletionAction(const QString& action) const {
    auto* box = Child<QComboBox>("completeaction");
    box->setFocus();
    QTest::keyClicks(box, action.left(1));
}

void MainFormFixture::ClickCell(int row, int column, Qt::KeyboardModifiers modifiers,
                                Qt::MouseButton button) const {
    TQueueGrid& grid = Grid();
    const QPoint at = grid.visualRect(grid.model()->index(row, column)).center();
    QTest::mouseClick(grid.viewport(), button, modifiers, at);
}

void MainFormFixture::ClickHeader(int column) const {
    QHeaderView* header = Grid().horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QStringList MainFormFixture::PaneTexts() const {
    return {Child<QLabel>("spListcount")->text(), Child<QLabel>("spTotalConvert")->text(),
            Child<QLabel>("spQuality")->text()};
}

QStringList MainFormFixture::RowTexts() const {
    QStringList texts;
    for (int row = 0; row < Queue().RowCount(); ++row)
        texts << Queue().SourceText(row);
    return texts;
}

QList<int> MainFormFixture::SelectedRows() const {
    QList<int> rows;
    for (int row = 0; row < Queue().RowCount(); ++row) {
        if (Queue().IsSelected(row))
            rows << row;
    }
    return rows;
}

QVariant MainFormFixture::RowData(int row, int role) const {
    return Queue().data(Queue().index(row, ConversionQueue::SourceColumn), role);
}

QList<QStringList> MainFormFixture::ConverterCalls() const {
    QList<QStringList> calls;
    QFile log(m_logPath);
    if (!log.open(QIODevice::ReadOnly))
        return calls;
    for (const QByteArray& line : log.readAll().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value(QLatin1String("event")).toString() != QLatin1String("start"))
            continue;
        QStringList args;
        for (const QJsonValue& arg : record.value(QLatin1String("args")).toArray())
            args << arg.toString();
        calls << args;
    }
    return calls;
}

} // namespace velmora::test
