#include "CombineMenu.h"

#include "Dialogs.h"
#include "queue/OutputNames.h"
#include "run/BookTitle.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>

namespace velmora {

namespace {

const QString kNameLabel = QStringLiteral("Name of the combined PDF, in the target folder:");
// %1: the file name the combined PDF gets; %2: the name as typed.
const QString kNameBecameMessage =
    QStringLiteral("The combined PDF will be named \"%1\": \"%2\" cannot be a file name as it is.");

} // namespace

CombineMenu::CombineMenu(QMenu& convertMenu, Dialogs& dialogs, SettingsStore store, ConvertCommand& command,
                         const ConversionQueue& queue, QWidget& window)
    : QObject(&window), m_dialogs(dialogs), m_store(std::move(store)), m_command(command), m_queue(queue),
      m_window(window) {
    convertMenu.addSeparator();
    m_combine = convertMenu.addAction(QStringLiteral("Com&bine into one PDF"));
    m_combine->setObjectName(QStringLiteral("actCombine"));
    m_combine->setCheckable(true);
    m_name = convertMenu.addAction(QString());
    m_name->setObjectName(QStringLiteral("actCombinedName"));
    m_keepSeparate = convertMenu.addAction(QStringLiteral("&Keep the separate PDFs"));
    m_keepSeparate->setObjectName(QStringLiteral("actKeepSeparate"));
    m_keepSeparate->setCheckable(true);
    m_contents = convertMenu.addAction(QStringLiteral("Begin the book with a &contents page"));
    m_contents->setObjectName(QStringLiteral("actContentsPage"));
    m_contents->setCheckable(true);
    connect(m_combine, &QAction::triggered, this, &CombineMenu::TurnCombine);
    connect(m_name, &QAction::triggered, this, [this] {
        if (const std::optional<QString> name = AskName()) {
            CombineChoice choice = m_command.Combine();
            choice.name = *name;
            Choose(choice);
        }
    });
    connect(m_keepSeparate, &QAction::triggered, this, [this](bool keep) {
        CombineChoice choice = m_command.Combine();
        choice.keepSeparate = keep;
        Choose(choice);
    });
    connect(m_contents, &QAction::triggered, this, [this](bool contents) {
        CombineChoice choice = m_command.Combine();
        choice.contents = contents;
        Choose(choice);
    });

    QMenu* nameBy = convertMenu.addMenu(QStringLiteral("&Name PDFs by"));
    nameBy->setObjectName(QStringLiteral("mnuNameBy"));
    auto* group = new QActionGroup(nameBy);
    group->setExclusive(true);
    const NameBy stored = m_store.NamePdfsBy();
    for (const auto& [choice, caption, name] :
         {std::tuple{NameBy::Address, QStringLiteral("&address"), QStringLiteral("actNameByAddress")},
          std::tuple{NameBy::Title, QStringLiteral("page &title"), QStringLiteral("actNameByTitle")}}) {
        QAction* item = nameBy->addAction(caption);
        item->setObjectName(name);
        item->setCheckable(true);
        item->setChecked(choice == stored);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, choice = choice] {
            m_store.SetNamePdfsBy(choice);
            m_command.Runner().SetNameBy(choice);
        });
    }
    m_command.Runner().SetNameBy(stored);
    convertMenu.addSeparator();

    // A run keeps the choices it started with.
    connect(&m_command, &ConvertCommand::statusChanged, this, [this, nameBy](TRunStatus status) {
        m_combine->setEnabled(status != rsStart);
        m_name->setEnabled(status != rsStart);
        m_keepSeparate->setEnabled(status != rsStart && m_combine->isChecked());
        m_contents->setEnabled(status != rsStart && m_combine->isChecked());
        nameBy->setEnabled(status != rsStart);
    });
    Use(m_store.Combine());
}

void CombineMenu::TurnCombine(bool on) {
    CombineChoice choice = m_command.Combine();
    choice.enabled = on;
    // The name is asked the first time; cancelling leaves combining off.
    if (on && choice.name.isEmpty()) {
        const std::optional<QString> name = AskName();
        if (!name) {
            Use(m_command.Combine());
            return;
        }
        choice.name = *name;
    }
    Choose(choice);
}

// Offers the name there is, else the name the rows' page titles share (as a documentation set's pages
// share its name), else the first row's page title when a run has read it, else the plain default. A name
// that gives no file name is kept as none: the first page's title then names the file. The title is not
// offered when the first row's PDF bears its name already, which a combined file may not take.
std::optional<QString> CombineMenu::AskName() {
    QString suggested = m_command.Combine().name;
    if (suggested.isEmpty() && m_queue.RowCount() > 0) {
        QStringList titles;
        for (int row = 0; row < m_queue.RowCount(); ++row)
            titles << m_queue.PageTitle(row);
        const QString site = SharedSiteName(titles).name;
        suggested =
            QFileInfo(CombinedPathFor(site.isEmpty() ? m_queue.PageTitle(0) : site, QStringLiteral(".")))
                .fileName();
        if (SameOutputPath(QFileInfo(m_queue.OutputPath(0)).fileName(), suggested))
            suggested.clear();
    }
    if (suggested.isEmpty())
        suggested = kDefaultCombinedName;
    const std::optional<QString> name = m_dialogs.GetText(&m_window, kNameLabel, suggested);
    if (!name)
        return std::nullopt;
    const QString became = QFileInfo(CombinedPathFor(*name, QStringLiteral("."))).fileName();
    if (became.isEmpty())
        return QString();
    // As the command line prints the combined file's path, the window says what a name turned into.
    QString typed = name->trimmed();
    if (!typed.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        typed += QLatin1String(".pdf");
    if (became.compare(typed, Qt::CaseInsensitive) != 0)
        m_dialogs.ShowMessage(&m_window, kNameBecameMessage.arg(became, name->trimmed()));
    return name->trimmed();
}

void CombineMenu::Choose(const CombineChoice& choice) {
    m_store.SetCombine(choice);
    Use(choice);
}

// The name given in the window is the combined file's title too.
void CombineMenu::Use(CombineChoice choice) {
    choice.title = choice.name.trimmed();
    if (choice.title.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        choice.title.chop(4);
    m_command.SetCombine(choice);
    m_combine->setChecked(choice.enabled);
    m_keepSeparate->setChecked(choice.keepSeparate);
    m_keepSeparate->setEnabled(choice.enabled && m_command.Status() != rsStart);
    m_contents->setChecked(choice.contents);
    m_contents->setEnabled(choice.enabled && m_command.Status() != rsStart);
    m_name->setText(choice.name.isEmpty()
                        ? QStringLiteral("Na&me of the combined PDF…")
                        : QStringLiteral("Na&me of the combined PDF: %1…").arg(choice.name));
}

} // namespace velmora
