#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <optional>

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

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPlainTextEdit* m_urlmemo;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    // Where the dialog was and which control had the focus when it last closed.
    std::optional<QPoint> m_lastPosition;
    QPointer<QWidget> m_lastFocus;
};

} // namespace velmora
