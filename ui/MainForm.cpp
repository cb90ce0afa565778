#include "MainForm.h"

#include "AddURLUnit.h"
#include "CombineMenu.h"
#include "CombinePdfs.h"
#include "CombinedPdfOpener.h"
#include "ComponentsForm.h"
#include "Dialogs.h"
#include "DropAndPaste.h"
#include "EditMenu.h"
#include "EngineMenu.h"
#include "FollowLinks.h"
#include "LocalRootMenu.h"
#include "PageSetupMenu.h"
#include "ParallelismMenu.h"
#include "ProgressText.h"
#include "QueueFile.h"
#include "QueueGrid.h"
#include "ResultView.h"
#include "RetryFailed.h"
#include "RowActions.h"
#include "RowFinish.h"
#include "RowStatus.h"
#include "ShellRoutines.h"
#include "SignInMenu.h"
#include "StatusNotice.h"
#include "UndoRemoval.h"
#include "aboutForm.h"
#include "classic/ConverterLocation.h"
#include "classic/WkhtmltopdfBackend.h"
#include "modern/BrowserLocation.h"
#include "queue/TargetFolder.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QToolButton>

namespace velmora {

QString ErrorReportText(const QString& error) {
    if (!error.isEmpty() && error.back() > u'.')
        return error + u'.';
    return error;
}

TfrmMain::TfrmMain(Dialogs& dialogs, SettingsStore store, QString programFolder, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_store(std::move(store)),
      m_convert(m_queue, *this, programFolder, MakeClassicEngine) {
    CreateControls();
    CreateFeatures();
    const ProgramLocation browser = LocateBrowser(programFolder);
    m_engines = new EngineMenu(ConvertMenu, browser, this);
    connect(m_engines, &EngineMenu::effectiveChanged, this,
            [this] { m_convert.SetEngineFactory(m_engines->Factory()); });
    connect(m_engines, &EngineMenu::notice, this,
            [this](const QString& text) { ShowStatusNotice(RzStatusBar1, text); });
    connect(m_engines, &EngineMenu::chosen, this,
            [this](RenderingEngine engine) { m_store.SetEngine(engine); });
    m_engines->SetStoredChoice(
        m_store.Engine(DefaultEngine(LocateConverter(programFolder).found, browser.found)));
    new LocalRootMenu(*ConvertMenu, m_store, m_convert.Runner(), m_dialogs, this);
    new SignInMenu(*ConvertMenu, m_dialogs, m_store, m_convert, m_queue, programFolder, *this);
    auto* help = menuBar()->findChild<QMenu*>(QStringLiteral("Help1"));
    AddComponentsItem(*help, help->findChild<QAction*>(QStringLiteral("About1")), m_dialogs, programFolder,
                      *this);
    gvConvert->setFocus();

    connect(&m_queue, &ConversionQueue::rowsInserted, this, &TfrmMain::UpdateActionStates);
    connect(&m_queue, &ConversionQueue::rowsRemoved, this, &TfrmMain::UpdateActionStates);
    connect(&m_queue, &ConversionQueue::modelReset, this, &TfrmMain::UpdateActionStates);
    connect(&m_queue, &ConversionQueue::layoutChanged, this, &TfrmMain::UpdateActionStates);
    connect(&m_queue, &ConversionQueue::selectionFlagsChanged, this, &TfrmMain::UpdateActionStates);
    connect(&m_convert, &ConvertCommand::statusChanged, this, &TfrmMain::UpdateActionStates);
    UpdateActionStates();

    FormCreate();
    m_addUrlForm = new TAddURLForm(this);
}

void TfrmMain::CreateFeatures() {
    // Every PDF is finished (document information, header and footer) and may be combined after the run.
    m_convert.Runner().SetFinisher(pdf::RowFinisher());
    m_convert.SetCombiner(pdf::Combiner());
    new RetryFailed(m_queue, m_convert, *ConvertMenu, *PopupMenu, this);
    new ParallelismMenu(*ConvertMenu, m_store, m_convert.Runner(), this);
    new PageSetupMenu(*ConvertMenu, m_dialogs, m_store, m_convert, *this);
    new CombineMenu(*ConvertMenu, m_dialogs, m_store, m_convert, m_queue, *this);
    new ProgressText(
        m_convert, m_queue, {*this, *ProgressBar, *gvConvert, *RzStatusBar1},
        [this] { return AbsoluteTargetFolder(); }, this);
    new RowActions(m_queue, *gvConvert, *PopupMenu, m_dialogs, *this);
    auto* dropAndPaste =
        new DropAndPaste(m_queue, *this, *gvConvert, [this] { return m_convert.Status() != rsStart; });
    connect(dropAndPaste, &DropAndPaste::rowsOffered, this, &TfrmMain::UpdateCounters);
    connect(dropAndPaste, &DropAndPaste::skipped, this,
            [this](const QString& text) { ShowStatusNotice(RzStatusBar1, text); });
    new EditMenu(*menuBar(), *ConvertMenu, *gvConvert, dropAndPaste->PasteAction(), *actDelSelected, this);
    new FollowLinks(m_queue, m_convert, m_dialogs, *PopupMenu, *RzStatusBar1, *this);
    m_undo = new UndoRemoval(
        m_queue, *menuBar()->findChild<QMenu*>(QStringLiteral("mnuEditMenu")),
        [this] { return m_convert.Status() != rsStart; }, this);
    connect(m_undo, &UndoRemoval::rowsRestored, this, &TfrmMain::UpdateCounters);
    new ResultView(m_queue, *gvConvert, m_store, *menuBar(), *ConvertMenu, this);
    new RowStatus(m_queue, *gvConvert, m_convert, *RzStatusBar1, this);
    auto* fileMenu = menuBar()->findChild<QMenu*>(QStringLiteral("mnuFile"));
    m_queueFile = new QueueFile(m_queue, m_dialogs, *this, *RzStatusBar1, *fileMenu,
                                fileMenu->findChild<QAction*>(QStringLiteral("N3")),
                                [this] { return m_convert.Status() != rsStart; });
    connect(m_queueFile, &QueueFile::rowsOffered, this, &TfrmMain::UpdateCounters);
    m_combinedOpener = new CombinedPdfOpener(*fileMenu, fileMenu->findChild<QAction*>(QStringLiteral("N6")),
                                             m_convert, m_dialogs, *this);
    // A relative or "~" text is shown as the folder it names.
    const auto showFolder = [this] {
        const QString folder = AbsoluteTargetFolder();
        edtoutFolder->setToolTip(folder.isEmpty() ? kNoTargetFolderToolTip
                                                  : kTargetFolderToolTip.arg(folder));
    };
    connect(edtoutFolder, &QLineEdit::textChanged, this, showFolder);
    showFolder();
}

QString TfrmMain::AbsoluteTargetFolder() const {
    return ResolvedTargetFolder(edtoutFolder->text());
}

// The grid shows the queue, a member, which is destroyed before the child widgets would be.
TfrmMain::~TfrmMain() {
    delete gvConvert;
}

// A load error ends the creation handler, so the panes stay empty until the first command that recounts;
// the window still opens.
void TfrmMain::FormCreate() {
    if (LoadSettings())
        UpdateCounters();
}

bool TfrmMain::LoadSettings() {
    const QString error = m_store.LoadSettings(*this);
    if (!error.isEmpty())
        m_dialogs.ShowError(this, ErrorReportText(error));
    return error.isEmpty();
}

bool TfrmMain::SaveSettings() {
    const QString error = m_store.SaveSettings(*this);
    if (!error.isEmpty())
        m_dialogs.ShowError(this, ErrorReportText(error));
    return error.isEmpty();
}

// A failed save keeps the window open, so the settings are not lost; the next close tries again.
void TfrmMain::closeEvent(QCloseEvent* event) {
    FormCloseQuery();
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

void TfrmMain::FormCloseQuery() {
    m_convert.StopForClose();
}

bool TfrmMain::FormClose() {
    return SaveSettings();
}

void TfrmMain::UpdateCounters() {
    const CounterCaptions captions = CounterCaptionsFor(m_queue.Counters());
    spListcount->setText(captions.listCount);
    spTotalConvert->setText(captions.totalConvert);
    spQuality->setText(captions.quality);
}

// The one place that decides what can be used. While a run is in progress nothing may change the queue,
// the target folder or start another run; Stop, the settings box and the links stay available.
void TfrmMain::UpdateActionStates() {
    const bool idle = m_convert.Status() != rsStart;
    ActaddURL->setEnabled(idle);
    actAddFiles->setEnabled(idle);
    actDelSelected->setEnabled(idle && m_queue.CanDeleteSelected());
    actDelunselected->setEnabled(idle && m_queue.CanDeleteUnselected());
    actDelall->setEnabled(idle && m_queue.CanDeleteAll());
    AdvGlowButton1->setEnabled(idle);
    edtoutFolder->setEnabled(idle);
    edtoutFolderButton->setEnabled(idle);
    gvConvert->SetLocked(!idle);
    m_engines->SetEnabled(idle);
    m_queueFile->UpdateStates();
    m_undo->UpdateState();
}

void TfrmMain::QueueSources(const QStringList& sources) {
    m_queueFile->AddSources(sources);
}

void TfrmMain::ActaddURLExecute() {
    if (m_dialogs.RunModal(*m_addUrlForm)) {
        const QString skipped = SkippedLinesText(m_queue.AddWebAddresses(m_addUrlForm->Lines()));
        if (!skipped.isEmpty())
            ShowStatusNotice(RzStatusBar1, skipped);
    }
    UpdateCounters();
}

void TfrmMain::actAddFilesExecute() {
    if (const auto files = m_dialogs.GetOpenFileNames(this, kOpenFileFilter, m_store.AddFilesFolder())) {
        m_queue.AddFiles(*files);
        m_store.SetAddFilesFolder(QFileInfo(files->first()).absolutePath());
    }
    UpdateCounters();
}

// Also the toolbar's Delete button, which stays enabled: with nothing selected it deletes nothing.
void TfrmMain::actDelSelectedExecute() {
    m_undo->Keep(m_queue.DeleteSelected());
    UpdateCounters();
}

void TfrmMain::actDelunselectedExecute() {
    m_undo->Keep(m_queue.DeleteUnselected());
    UpdateCounters();
}

void TfrmMain::actDelallExecute() {
    m_undo->Keep(m_queue.DeleteAll());
    UpdateCounters();
}

void TfrmMain::ActConvertExecute() {
    m_convert.Execute();
}

void TfrmMain::Close1Click() {
    close();
}

void TfrmMain::mnuHomepageClick() {
    OpenHomePage(m_dialogs);
}

void TfrmMain::mnuAboutClick() {
    TfrmAbout about(m_dialogs, this);
    m_dialogs.RunModal(about);
}

void TfrmMain::ConvertwebsitetoPDFonline1Click() {
    OpenWebPage(m_dialogs, kWebsiteToPdfOnlineAddress);
}

void TfrmMain::ConvertHTMLtoPDFonline1Click() {
    OpenWebPage(m_dialogs, kHtmlToPdfOnlineAddress);
}

void TfrmMain::edtoutFolderButtonClick() {
    QString folder = edtoutFolder->text();
    if (BrowseForFolder(m_dialogs, this, folder, kChooseFolderTitle))
        edtoutFolder->setText(folder);
}

QString TfrmMain::TargetFolderText() const {
    return edtoutFolder->text();
}

void TfrmMain::SetTargetFolderText(const QString& text) {
    edtoutFolder->setText(text);
}

QString TfrmMain::CompletionActionText() const {
    return completeaction->currentText();
}

// Like a drop-down list given a text: it shows the first item the text begins, or nothing at all.
void TfrmMain::SetCompletionActionText(const QString& text) {
    completeaction->setCurrentIndex(completeaction->findText(CompletedAction(text)));
}

void TfrmMain::ShowRunning(bool running) {
    ActConvert->setText(running ? kStopCaption : kConvertCaption);
    Exit1->setShortcut(running ? kStopKey : kConvertKey);
}

void TfrmMain::SetProgressVisible(bool visible) {
    ProgressBar->setVisible(visible);
}

void TfrmMain::SetProgress(int percent) {
    ProgressBar->setValue(percent);
}

void TfrmMain::ShowMessage(const QString& text) {
    m_dialogs.ShowMessage(this, text);
}

void TfrmMain::ShowEndMessage(const QString& text, const QString& combinedPath, bool failed) {
    m_combinedOpener->ShowEndMessage(text, combinedPath, failed);
}

bool TfrmMain::ReportStartProblem(const QString& problem) {
    return m_engines->ReportStartProblem(m_dialogs, this, problem);
}

void TfrmMain::ExploreFolder(const QString& folder) {
    const QString absolute = AbsoluteTargetFolder();
    m_dialogs.ExploreFolder(this, folder, [this, window = QPointer<TfrmMain>(this), absolute](bool shown) {
        if (!shown && window)
            m_dialogs.ShowPathMessage(this, kFolderNotShownMessage.arg(absolute), absolute);
    });
}

} // namespace velmora
