#include "AddURLUnit.h"

#include "DialogParts.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace velmora {

TAddURLForm::TAddURLForm(QWidget* parent) : QDialog(parent) {
    SetUpDialog(*this, QStringLiteral("Add URLs"), {465, 360});

    AddLabel(this, "RzLabel11", QStringLiteral("Input URLs:"), {8, 16}, true);
    AddLabel(this, "RzLabel2",
             QStringLiteral("(One URL per line. for example: https://www.velmora.example/)"), {8, 35});

    m_urlmemo = new QPlainTextEdit(QStringLiteral("https://"), this);
    m_urlmemo->setObjectName(QStringLiteral("urlmemo"));
    m_urlmemo->setGeometry(8, 64, 449, 257);
    m_urlmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_urlmemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_urlmemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_urlmemo->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_urlmemo->setTabChangesFocus(true);
    m_urlmemo->installEventFilter(this);

    m_ok = AddButton(this, "RzButton3", QStringLiteral("OK"), {293, 327, 76, 25});
    m_ok->setDefault(true);
    m_cancel = AddButton(this, "RzButton4", QStringLiteral("Cancel"), {381, 327, 76, 25});
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(m_ok, m_cancel);
    setTabOrder(m_cancel, m_urlmemo);
}

// The raw text keeps no-break spaces, which the plain text would turn into ordinary ones; its lines are
// the document's paragraphs.
QStringList TAddURLForm::Lines() const {
    QStringList lines = m_urlmemo->document()->toRawText().split(QChar::ParagraphSeparator);
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        line.truncate(kMaxLineLength);
    return lines;
}

void TAddURLForm::setVisible(bool visible) {
    const bool showing = visible && !isVisible();
    if (!visible && isVisible()) {
        m_lastPosition = pos();
        m_lastFocus = focusWidget();
    }
    // QDialog centres every showing on its parent; only the first one is meant to be.
    if (showing && m_lastPosition)
        move(*m_lastPosition);
    QDialog::setVisible(visible);
    if (showing)
        (m_lastFocus ? m_lastFocus.data() : m_ok)->setFocus();
}

bool TAddURLForm::eventFilter(QObject* watched, QEvent* event) {
    // Esc in the memo must not reach the dialog, which would cancel.
    if (watched == m_urlmemo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace velmora
