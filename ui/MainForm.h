#pragma once

#include "SettingsStore.h"
#include "queue/ConversionQueue.h"
#include "run/ConvertCommand.h"

#include <QKeySequence>
#include <QMainWindow>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace velmora {

class Dialogs;
class EngineMenu;
class CombinedPdfOpener;
class QueueFile;
class TAddURLForm;
class TQueueGrid;
class UndoRemoval;

// The Add Files dialog's choices, first one selected.
inline const QString kOpenFileFilter =
    QStringLiteral("All Supported Files(*.htm,*.html,*.xhtml,*.txt,*.xml)|*.htm;*.html;*.xhtml;*.txt;*.xml|"
                   "HTML Documents(*.htm,*.html,*.xhtml)|*.htm;*.html;*.xhtml|Text Files(*.txt)|*.txt|"
                   "XML Files(*.xml)|*.xml|All files(*.*)|*.*");
inline const QString kConvertCaption = QStringLiteral("&Convert Now");
inline const QString kStopCaption = QStringLiteral("&Stop Conversion");
// Convert Now and Stop Conversion have keys of their own, so a second F5 does not stop the run it began.
inline const QKeySequence kConvertKey{Qt::Key_F5};
inline const QKeySequence kStopKey{Qt::Key_Escape};
inline const QString kChooseFolderTitle = QStringLiteral("Please select target folder");
// The target folder edit's tooltip; %1: the absolute folder its text names.
inline const QString kTargetFolderToolTip = QStringLiteral("The PDFs go to \"%1\".");
inline const QString kNoTargetFolderToolTip = QStringLiteral("No target folder is chosen.");
// %1: the absolute target folder.
inline const QString kFolderNotShownMessage =
    QStringLiteral("No program to show folders is set up on this computer. The PDFs are in \"%1\".");

// The error report of a handler: the text, with a full stop added unless it already ends in "." or in
// a character that sorts before it (a quotation mark, say).
QString ErrorReportText(const QString& error);

// The program's main window: the queue and its commands, the two settings controls, Convert/Stop, the
// progress and the counters.
class TfrmMain final : public QMainWindow, private SettingsHost, private RunHost {
    Q_OBJECT
public:
    TfrmMain(Dialogs& dialogs, SettingsStore store, QString programFolder, QWidget* parent = nullptr);
    ~TfrmMain() override;

    ConversionQueue& Queue() { return m_queue; }
    TRunStatus RunStatus() const { return m_convert.Status(); }
    ConvertCommand& Command() { return m_convert; }
    // Queues web addresses and files as the command line names them (--queue), telling what was skipped.
    void QueueSources(const QStringList& sources);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // MainFormLayout.cpp
    void CreateControls();
    void CreateActions();
    void CreateToolbar(QWidget* client);
    void CreateSettingsRows(QWidget* client);
    void CreateStatusArea(QWidget* client);
    void CreateMenus();
    void PlaceOnScreen();
    void CreateFeatures();                // the feature modules, each over the window's controls
    QString AbsoluteTargetFolder() const; // the folder the target folder text means

    void FormCreate();
    void FormCloseQuery();
    bool FormClose();    // false when the settings could not be saved
    bool LoadSettings(); // false when an error was reported
    bool SaveSettings(); // false when an error was reported
    void UpdateCounters();
    void UpdateActionStates();

    void ActaddURLExecute();
    void actAddFilesExecute();
    void actDelSelectedExecute();
    void actDelunselectedExecute();
    void actDelallExecute();
    void ActConvertExecute();
    void Close1Click();
    void mnuHomepageClick();
    void mnuAboutClick();
    void ConvertwebsitetoPDFonline1Click();
    void ConvertHTMLtoPDFonline1Click();
    void edtoutFolderButtonClick();

    // SettingsHost and RunHost
    QString TargetFolderText() const override;
    void SetTargetFolderText(const QString& text) override;
    QString CompletionActionText() const override;
    void SetCompletionActionText(const QString& text) override;
    void ShowRunning(bool running) override;
    void SetProgressVisible(bool visible) override;
    void SetProgress(int percent) override;
    void ShowMessage(const QString& text) override;
    void ShowEndMessage(const QString& text, const QString& combinedPath, bool failed) override;
    void ExploreFolder(const QString& folder) override;
    bool ReportStartProblem(const QString& problem) override;

    Dialogs& m_dialogs;
    SettingsStore m_store;
    ConversionQueue m_queue;
    ConvertCommand m_convert;
    TAddURLForm* m_addUrlForm = nullptr;
    EngineMenu* m_engines = nullptr;
    QueueFile* m_queueFile = nullptr;
    CombinedPdfOpener* m_combinedOpener = nullptr;
    UndoRemoval* m_undo = nullptr;

    QAction* ActaddURL = nullptr;
    QAction* actAddFiles = nullptr;
    QAction* actDelSelected = nullptr;
    QAction* actDelunselected = nullptr;
    QAction* actDelall = nullptr;
    QAction* ActConvert = nullptr;
    QAction* Exit1 = nullptr; // the Convert menu's item, which carries the Convert or the Stop key

    QFrame* pelToolbar = nullptr;
    QToolButton* AdvGlowButton1 = nullptr; // Delete: runs actDelSelectedExecute, not bound to the action
    TQueueGrid* gvConvert = nullptr;
    QLineEdit* edtoutFolder = nullptr;
    QAction* edtoutFolderButton = nullptr;
    QComboBox* completeaction = nullptr;
    QPushButton* RzBitBtn1 = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QStatusBar* RzStatusBar1 = nullptr;
    QLabel* spListcount = nullptr;
    QLabel* spTotalConvert = nullptr;
    QLabel* spQuality = nullptr;
    QMenu* PopupMenu = nullptr;
    QMenu* ConvertMenu = nullptr;
};

} // namespace velmora
