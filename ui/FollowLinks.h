#pragma once

#include "follow/LinkWalk.h"

#include <QObject>

#include <memory>

class QAction;
class QMainWindow;
class QMenu;
class QStatusBar;

namespace velmora {

class ConversionQueue;
class ConvertCommand;
class Dialogs;

// Edit -> "Add linked pages..." (also in the grid's popup, for the selected rows; all rows when none
// is selected): asks how far to look, then looks for the pages those rows lead to without holding up
// the window, telling its progress in the status bar. The same item then reads "Stop looking for linked
// pages". The pages found go in after their rows when it ends (after a run that goes on meanwhile), and
// one status line says what was not added and why.
class FollowLinks final : public QObject {
    Q_OBJECT
public:
    // The item goes at the end of the window's Edit menu and of `popupMenu`.
    FollowLinks(ConversionQueue& queue, ConvertCommand& command, Dialogs& dialogs, QMenu& popupMenu,
                QStatusBar& statusBar, QMainWindow& window);
    ~FollowLinks() override;

    QAction* Action() const { return m_action; }

private:
    QStringList ChosenRows() const;
    void Triggered();
    void Start(const QStringList& starts, FollowOptions options);
    void ShowProgress();
    void Ended();
    void AddWhenIdle();
    void UpdateState();

    ConversionQueue& m_queue;
    ConvertCommand& m_command;
    Dialogs& m_dialogs;
    QStatusBar& m_statusBar;
    QMainWindow& m_window;
    QAction* m_action;
    std::unique_ptr<LinkWalk> m_walk;
    bool m_waitingForRun = false;
};

} // namespace velmora
