#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace velmora {

// The Add URLs dialog: created once and kept, so the memo's text survives between uses.
class TAddURLForm final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLineLength = 4096;

    explicit TAddURLForm(QWidget* parent = nullptr);

    QPlainTextEdit* urlmemo() const { return m_urlmemo; }
    // The memo's lines, first first, each cut at kMaxLineLength; an empty last line after a final
    // line break is not a line.
    QStringList Lines() const;

private:
    QPlainTextEdit* m_urlmemo;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace velmora
