// The main window's controls, menus and looks. Positions are fixed: the window cannot be resized.
#include "MainForm.h"

#include "QueueGrid.h"
#include "ShellRoutines.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace velmora {

namespace {

QFont PreferredFont(const QString& family, int pointSize) {
    QFont font(QFontDatabase::families().contains(family) ? family : QStringLiteral("Sans Serif"), pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QIcon Picture(const char* name) {
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
}

QAction* NewAction(QObject* parent, const char* name, const QString& caption, const QIcon& icon = {}) {
    auto* action = new QAction(icon, caption, parent);
    action->setObjectName(QLatin1String(name));
    return action;
}

// A control bound to a command shows the command's caption and picture, follows its enabled state and
// executes it when activated.
template <typename Control, typename Activated>
void BindToCommand(Control* control, Activated activated, QAction* command) {
    const auto follow = [control, command] {
        control->setText(command->text());
        control->setIcon(command->icon());
        control->setEnabled(command->isEnabled());
    };
    follow();
    QObject::connect(command, &QAction::changed, control, follow);
    QObject::connect(control, activated, command, &QAction::trigger);
}

QAction* AddBoundItem(QMenu* menu, const char* name, QAction* command) {
    QAction* item = menu->addAction(QString());
    item->setObjectName(QLatin1String(name));
    BindToCommand(item, &QAction::triggered, command);
    return item;
}

template <typename Receiver, typename Handler>
QAction* AddItem(QMenu* menu, const char* name, const QString& caption, Receiver* receiver, Handler handler) {
    QAction* item = menu->addAction(caption, receiver, handler);
    item->setObjectName(QLatin1String(name));
    return item;
}

void AddSeparator(QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& title) {
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    menu->setFont(bar->font());
    return menu;
}

// A label left of a control at `controlLeft`. A fallback font wider than Tahoma would run the caption
// under the control, so the label's font shrinks until the caption fits.
QLabel* NewLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int controlLeft) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    const int room = controlLeft - left - 4;
    QFont font = label->font();
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// Glow buttons: flat until hovered or pressed, then a two-part gradient whose lower half is the mirror.
const char* const kToolbarStyle = R"(
#pelToolbar { border: none; border-bottom: 1px solid #A9BCD6;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FDFEFF, stop:1 #D3E0F2); }
#pelToolbar QToolButton { background: transparent; border: 1px solid transparent; border-radius: 3px;
  padding: 9px 4px; }
#pelToolbar QToolButton:hover { border-color: #99B8E8; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
  stop:0 #E1F0F5, stop:0.5 #B2D2F9, stop:0.5 #ADC8F5, stop:1 #F4F8FF); }
#pelToolbar QToolButton:pressed { border-color: #7DA2CE; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
  stop:0 #CAD8F5, stop:0.5 #A0BDF9, stop:0.5 #9CB4F5, stop:1 #DCDFFF); }
#pelToolbar QToolButton:disabled { color: #8D8D8D; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,
  stop:0 #F2F2F2, stop:0.5 #F2F2F2, stop:0.5 #B6B6B6, stop:1 #F2F2F2); }
)";

const char* const kConvertButtonStyle = R"(
QPushButton#RzBitBtn1 { background: #F4F4F0; border: 1px solid #A0A0A0; border-radius: 2px; font-weight: bold; }
QPushButton#RzBitBtn1:focus { border-color: #6A8DF4; }
QPushButton#RzBitBtn1:hover { border-color: #FFC73C; }
QPushButton#RzBitBtn1:pressed { background: #E4E4DC; }
QPushButton#RzBitBtn1:disabled { color: #8D8D8D; }
)";

// The office-like menu look. The icon column is each row's wide left border; a highlighted row covers it.
const char* const kMenuStyle = R"(
QMenuBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, stop:1 #D4DBEE); }
QMenuBar::item { background: transparent; border: 1px solid transparent; padding: 3px 8px; }
QMenuBar::item:selected, QMenuBar::item:pressed { border-color: #7DA2CE; border-radius: 2px;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #DCEBFC, stop:1 #C1DBFC); }
QMenu { background: #FFFFFF; border: 1px solid #979797; padding: 0px; }
QMenu::item { background: transparent; color: #000000; border: none; border-left: 28px solid #EEEEEE;
  padding: 5px 24px 5px 2px; }
QMenu::item:selected { border: 1px solid #7DA2CE; border-radius: 2px; padding: 4px 23px 4px 29px;
  background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #DCEBFC, stop:1 #C1DBFC); }
QMenu::item:disabled { color: #8D8D8D; }
QMenu::icon { subcontrol-origin: border; subcontrol-position: left center; left: 6px; }
QMenu::separator { height: 7px; border-left: 28px solid #EEEEEE; background: qlineargradient(x1:0, y1:0,
  x2:0, y2:1, stop:0 #FFFFFF, stop:0.43 #FFFFFF, stop:0.43 #E0E0E0, stop:0.57 #E0E0E0, stop:0.57 #FFFFFF,
  stop:1 #FFFFFF); }
)";

} // namespace

void TfrmMain::CreateControls() {
    setFont(PreferredFont(QStringLiteral("Tahoma"), 8));
    CreateActions();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(733, 580);
    setCentralWidget(client);
    CreateToolbar(client);
    gvConvert = new TQueueGrid(m_queue, client);
    gvConvert->setObjectName(QStringLiteral("gvConvert"));
    gvConvert->setGeometry(6, 80, 720, 397);
    gvConvert->SetPopupMenu(PopupMenu);
    CreateSettingsRows(client);
    CreateStatusArea(client);
    CreateMenus();
    PlaceOnScreen();
}

void TfrmMain::CreateActions() {
    ActaddURL = NewAction(this, "ActaddURL", QStringLiteral("Add URL"), Picture("add-url"));
    actAddFiles = NewAction(this, "actAddFiles", QStringLiteral("Add Files"), Picture("add-files"));
    actDelSelected = NewAction(this, "actDelSelected", QStringLiteral("Delete Selected"), Picture("delete"));
    actDelunselected = NewAction(this, "actDelunselected", QStringLiteral("Delete unselected"));
    actDelall = NewAction(this, "actDelall", QStringLiteral("Delete All"));
    ActConvert = NewAction(this, "ActConvert", kConvertCaption, Picture("convert"));
    connect(ActaddURL, &QAction::triggered, this, &TfrmMain::ActaddURLExecute);
    connect(actAddFiles, &QAction::triggered, this, &TfrmMain::actAddFilesExecute);
    connect(actDelSelected, &QAction::triggered, this, &TfrmMain::actDelSelectedExecute);
    connect(actDelunselected, &QAction::triggered, this, &TfrmMain::actDelunselectedExecute);
    connect(actDelall, &QAction::triggered, this, &TfrmMain::actDelallExecute);
    connect(ActConvert, &QAction::triggered, this, &TfrmMain::ActConvertExecute);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    AddBoundItem(PopupMenu, "Selectall1", actDelSelected);
    AddBoundItem(PopupMenu, "Selectnone1", actDelunselected);
    AddBoundItem(PopupMenu, "Invertselect1", actDelall);
}

void TfrmMain::CreateToolbar(QWidget* client) {
    pelToolbar = new QFrame(client);
    pelToolbar->setObjectName(QStringLiteral("pelToolbar"));
    pelToolbar->setGeometry(0, 0, 733, 65);
    pelToolbar->setStyleSheet(QLatin1String(kToolbarStyle));

    const auto glowButton = [this](const char* name, int left) {
        auto* button = new QToolButton(pelToolbar);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(left, 10, 113, 50);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(32, 32));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        return button;
    };
    glowButton("AdvGlowButton2", 3)->setDefaultAction(ActaddURL);
    glowButton("AdvGlowButton3", 130)->setDefaultAction(actAddFiles);

    AdvGlowButton1 = glowButton("AdvGlowButton1", 258);
    AdvGlowButton1->setText(QStringLiteral("Delete"));
    AdvGlowButton1->setIcon(Picture("delete"));
    connect(AdvGlowButton1, &QToolButton::clicked, this, &TfrmMain::actDelSelectedExecute);

    QToolButton* website = glowButton("AdvGlowButton5", 386);
    website->setText(QStringLiteral("Website"));
    website->setIcon(Picture("website"));
    connect(website, &QToolButton::clicked, this, &TfrmMain::mnuHomepageClick);

    QToolButton* about = glowButton("AdvGlowButton4", 514);
    about->setText(QStringLiteral("About"));
    about->setIcon(Picture("about"));
    connect(about, &QToolButton::clicked, this, &TfrmMain::mnuAboutClick);
}

void TfrmMain::CreateSettingsRows(QWidget* client) {
    NewLabel(client, "lbl1", QStringLiteral("Target PDF folder:"), 12, 498, 180);
    edtoutFolder = new QLineEdit(DefaultTargetFolder(), client);
    edtoutFolder->setObjectName(QStringLiteral("edtoutFolder"));
    edtoutFolder->setGeometry(180, 494, 361, 21);
    // The folder button; F4 reaches it only while the edit has the focus.
    edtoutFolderButton = edtoutFolder->addAction(Picture("folder"), QLineEdit::TrailingPosition);
    edtoutFolderButton->setObjectName(QStringLiteral("edtoutFolderButton"));
    edtoutFolderButton->setToolTip(kChooseFolderTitle);
    edtoutFolderButton->setShortcut(Qt::Key_F4);
    edtoutFolderButton->setShortcutContext(Qt::WidgetShortcut);
    connect(edtoutFolderButton, &QAction::triggered, this, &TfrmMain::edtoutFolderButtonClick);

    NewLabel(client, "RzLabel1", QStringLiteral("When conversion is completed:"), 12, 528, 180);
    completeaction = new QComboBox(client);
    completeaction->setObjectName(QStringLiteral("completeaction"));
    completeaction->setGeometry(180, 523, 361, 21);
    completeaction->addItems(CompletionActions());
    completeaction->setCurrentText(kOpenTargetFolder);

    RzBitBtn1 = new QPushButton(client);
    RzBitBtn1->setObjectName(QStringLiteral("RzBitBtn1"));
    RzBitBtn1->setGeometry(570, 492, 157, 56);
    RzBitBtn1->setIconSize(QSize(32, 32));
    RzBitBtn1->setAutoDefault(false);
    RzBitBtn1->setStyleSheet(QLatin1String(kConvertButtonStyle));
    BindToCommand(RzBitBtn1, &QPushButton::clicked, ActConvert);
    // Alt+C belongs to the "&Convert" menu; the button still shows its underlined letter.
    const auto leaveAltToTheMenu = [this] { RzBitBtn1->setShortcut(QKeySequence()); };
    leaveAltToTheMenu();
    connect(ActConvert, &QAction::changed, RzBitBtn1, leaveAltToTheMenu);

    setTabOrder(gvConvert, edtoutFolder);
    setTabOrder(edtoutFolder, completeaction);
    setTabOrder(completeaction, RzBitBtn1);
}

void TfrmMain::CreateStatusArea(QWidget* client) {
    ProgressBar = new QProgressBar(client);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    // Tall enough for its text ("12 of 200 · about 1:32 left"), in the room below the Convert button.
    ProgressBar->setGeometry(0, 548, 733, 13);
    ProgressBar->setRange(0, 100);
    ProgressBar->setTextVisible(false);
    ProgressBar->hide();

    RzStatusBar1 = new QStatusBar(client);
    RzStatusBar1->setObjectName(QStringLiteral("RzStatusBar1"));
    RzStatusBar1->setGeometry(0, 561, 733, 19);
    RzStatusBar1->setSizeGripEnabled(false);
    // Panes placed by hand: the status bar's own layout adds spacing that would shift them.
    const auto pane = [this](const char* name, int left, int width) {
        auto* label = new QLabel(RzStatusBar1);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(left, 0, width, 19);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setIndent(3);
        return label;
    };
    spListcount = pane("spListcount", 0, 244);
    spTotalConvert = pane("spTotalConvert", 244, 244);
    spQuality = pane("spQuality", 488, 245);
}

void TfrmMain::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    bar->setFont(PreferredFont(QStringLiteral("Microsoft YaHei"), 9));
    bar->setStyleSheet(QLatin1String(kMenuStyle));

    // The keys sit on the menu items, not on the commands: the toolbar buttons hold the commands too, and
    // a key held twice in one window would be ambiguous and do nothing.
    QMenu* file = AddMenu(bar, "mnuFile", QStringLiteral("&File"));
    AddBoundItem(file, "addVideoFiles1", ActaddURL)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    AddBoundItem(file, "mnuEdit", actAddFiles)->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    AddSeparator(file, "N3");
    AddBoundItem(file, "SetOutputFolder1", actDelSelected);
    AddBoundItem(file, "OpenOutputFolder1", actDelunselected);
    AddBoundItem(file, "DeleteAll1", actDelall);
    AddSeparator(file, "N6");
    AddItem(file, "Close1", QStringLiteral("Close"), this, &TfrmMain::Close1Click)
        ->setShortcut(QKeySequence::Quit);

    ConvertMenu = AddMenu(bar, "Convert", QStringLiteral("&Convert"));
    Exit1 = AddBoundItem(ConvertMenu, "Exit1", ActConvert);
    Exit1->setShortcut(kConvertKey);

    QMenu* products = AddMenu(bar, "mnuProducts", QStringLiteral("&Products"));
    for (const ProductLink& product : OtherProducts())
        products->addAction(product.caption, this,
                            [this, address = product.address] { OpenWebPage(m_dialogs, address); });

    QMenu* online = AddMenu(bar, "ConvertOnline1", QStringLiteral("&Online"));
    AddItem(online, "ConvertwebsitetoPDFonline1", QStringLiteral("Convert website to PDF online"), this,
            &TfrmMain::ConvertwebsitetoPDFonline1Click);
    AddItem(online, "ConvertHTMLtoPDFonline1", QStringLiteral("Convert HTML to PDF online"), this,
            &TfrmMain::ConvertHTMLtoPDFonline1Click);

    QMenu* help = AddMenu(bar, "Help1", QStringLiteral("&Help"));
    AddItem(help, "Order1", QStringLiteral("Website..."), this, &TfrmMain::mnuHomepageClick);
    AddSeparator(help, "N2");
    AddItem(help, "About1", QStringLiteral("About..."), this, &TfrmMain::mnuAboutClick);
}

// Fixed size without a maximise button, centred on the screen.
void TfrmMain::PlaceOnScreen() {
    setWindowTitle(kApplicationTitle);
    setWindowIcon(Picture("app"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
}

} // namespace velmora
