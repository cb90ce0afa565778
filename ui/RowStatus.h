#pragma once

#include <QObject>

class QLineEdit;
class QStatusBar;
class QToolButton;
class QWidget;

namespace velmora {

class ConversionQueue;
class ConvertCommand;
class TQueueGrid;

// The state and reason of the row the user picks in the grid, in the status bar, where the text can
// be selected and copied (a Copy button copies it all). It shows only for a row with a result, steps
// aside when a run starts or ends (the run's summary shows then) and for a status-bar notice.
class RowStatus final : public QObject {
    Q_OBJECT
public:
    RowStatus(ConversionQueue& queue, TQueueGrid& grid, ConvertCommand& command, QStatusBar& statusBar,
              QObject* parent = nullptr);

private:
    void ShowCurrentRow();
    void Refresh(); // the text of the row shown, kept up to date while the line is in sight
    void Hide();

    ConversionQueue& m_queue;
    TQueueGrid& m_grid;
    QWidget* m_line = nullptr;
    QLineEdit* m_text = nullptr;
    QToolButton* m_copy = nullptr;
};

} // namespace velmora
