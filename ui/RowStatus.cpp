#include "RowStatus.h"

#include "QueueGrid.h"
#include "queue/ConversionQueue.h"
#include "run/ConvertCommand.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>

namespace velmora {

RowStatus::RowStatus(ConversionQueue& queue, TQueueGrid& grid, ConvertCommand& command, QStatusBar& statusBar,
                     QObject* parent)
    : QObject(parent), m_queue(queue), m_grid(grid) {
    // Over the counter panes, as the run summary is: a reason needs the whole width.
    m_line = new QWidget(&statusBar);
    m_line->setObjectName(QStringLiteral("spRowStatus"));
    m_line->setGeometry(statusBar.rect());
    m_line->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(m_line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // A read-only edit rather than a label: a long reason scrolls, and the keyboard can select it too.
    m_text = new QLineEdit(m_line);
    m_text->setObjectName(QStringLiteral("edtRowStatus"));
    m_text->setReadOnly(true);
    m_text->setFrame(false);
    m_text->setFocusPolicy(Qt::ClickFocus);
    m_text->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_copy = new QToolButton(m_line);
    m_copy->setObjectName(QStringLiteral("btnCopyRowStatus"));
    m_copy->setText(QStringLiteral("Copy"));
    m_copy->setAutoRaise(false); // framed: flat text would not read as a button
    m_copy->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_copy);
    m_line->hide();
    connect(m_copy, &QToolButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_text->text()); });

    connect(grid.selectionModel(), &QItemSelectionModel::currentChanged, this, &RowStatus::ShowCurrentRow);
    connect(&queue, &ConversionQueue::dataChanged, this, &RowStatus::Refresh);
    connect(&queue, &ConversionQueue::rowsRemoved, this, &RowStatus::Hide);
    connect(&queue, &ConversionQueue::modelReset, this, &RowStatus::Hide);
    connect(&queue, &ConversionQueue::layoutChanged, this, &RowStatus::Refresh);
    connect(&command, &ConvertCommand::statusChanged, this, &RowStatus::Hide);
    connect(&statusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (!message.isEmpty())
            Hide();
    });
}

void RowStatus::ShowCurrentRow() {
    const QModelIndex current = m_grid.currentIndex();
    const QString result = current.isValid()
                               ? m_queue.index(current.row(), ConversionQueue::ResultColumn).data().toString()
                               : QString();
    if (result.isEmpty()) {
        Hide();
        return;
    }
    m_text->setText(result);
    m_text->setCursorPosition(0);
    m_line->show();
    m_line->raise();
}

void RowStatus::Refresh() {
    if (!m_line->isHidden())
        ShowCurrentRow();
}

void RowStatus::Hide() {
    m_line->hide();
}

} // namespace velmora
