#pragma once

#include <QObject>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;

namespace velmora {

class ConversionQueue;
class SettingsStore;
class TQueueGrid;

// The View menu: the grid's "Result" column on or off (remembered), and a filter that shows only the
// rows that did not convert cleanly (warnings, failures, rows not converted yet), so they are found at
// a glance. Rows the filter hides are never left selected, so no command acts on a row out of sight;
// a line below the grid counts them, since Convert Now still converts them.
class ResultView final : public QObject {
    Q_OBJECT
public:
    // The menu goes in before `before`.
    ResultView(ConversionQueue& queue, TQueueGrid& grid, const SettingsStore& store, QMenuBar& bar,
               QMenu& before, QObject* parent = nullptr);

private:
    void ApplyFilter(int first, int last); // rows of the queue
    void ShowHiddenCount();

    ConversionQueue& m_queue;
    TQueueGrid& m_grid;
    QAction* m_problemRowsOnly = nullptr;
    bool m_anyHidden = false; // whether a row may be hidden now
    int m_hiddenCount = 0;
    QLabel* m_hiddenNote = nullptr;
};

} // namespace velmora
