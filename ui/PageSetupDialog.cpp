#include "PageSetupDialog.h"

#include "DialogParts.h"
#include "PageLoadingPanel.h"
#include "PagePreview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTabWidget>

namespace velmora {

namespace {

// The paper box's items, in order; the last one is a size of one's own.
const QList<std::pair<Paper, QString>> kPaperItems{
    {Paper::A4, QStringLiteral("A4 (210 × 297 mm)")},
    {Paper::Letter, QStringLiteral("Letter (8.5 × 11 in)")},
    {Paper::Legal, QStringLiteral("Legal (8.5 × 14 in)")},
    {Paper::A3, QStringLiteral("A3 (297 × 420 mm)")},
    {Paper::A5, QStringLiteral("A5 (148 × 210 mm)")},
    {Paper::Custom, QStringLiteral("Custom size")},
};
enum Unit { Millimetres, Inches };
const QString kFieldsHint =
    QStringLiteral("Fields: {page} {pages} {title} {url} {date}. Leave all three empty for none.");

QDoubleSpinBox* LengthBox(const char* name, double maxMm) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(0, maxMm);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

// "|" separates the parts where the line is stored, so no part may hold one.
QLineEdit* TextBox(const QString& name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    static const QRegularExpression kNoBar(QStringLiteral("[^|]*"));
    edit->setValidator(new QRegularExpressionValidator(kNoBar, edit));
    return edit;
}

} // namespace

PageSetupDialog::PageSetupDialog(const PageSetup& page, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PageSetupDialog"));
    setWindowTitle(kPageSetupCaption);
    setFont(FormFont());
    CreateControls();
    Show(page);
}

void PageSetupDialog::CreateControls() {
    m_paper = new QComboBox;
    m_paper->setObjectName(QStringLiteral("cmbPaper"));
    for (const auto& [paper, text] : kPaperItems)
        m_paper->addItem(text, int(paper));
    m_width = LengthBox("spnPaperWidth", kMaxPaperSideMm);
    m_height = LengthBox("spnPaperHeight", kMaxPaperSideMm);
    m_unit = new QComboBox;
    m_unit->setObjectName(QStringLiteral("cmbUnit"));
    m_unit->addItems({QStringLiteral("Millimetres"), QStringLiteral("Inches")});
    m_portrait = new QRadioButton(QStringLiteral("&Portrait"));
    m_portrait->setObjectName(QStringLiteral("rbPortrait"));
    m_landscape = new QRadioButton(QStringLiteral("&Landscape"));
    m_landscape->setObjectName(QStringLiteral("rbLandscape"));
    m_cssPageSize =
        new QCheckBox(QStringLiteral("Use the page's own size where it gives one (Modern engine)"));
    m_cssPageSize->setObjectName(QStringLiteral("chkCssPageSize"));

    auto* paperBox = new QGroupBox(QStringLiteral("Paper"));
    auto* paperForm = new QFormLayout(paperBox);
    paperForm->addRow(QStringLiteral("Si&ze:"), m_paper);
    auto* customRow = new QHBoxLayout;
    customRow->addWidget(m_width);
    customRow->addWidget(new QLabel(QStringLiteral("×")));
    customRow->addWidget(m_height);
    paperForm->addRow(QStringLiteral("Width × height:"), customRow);
    auto* orientationRow = new QHBoxLayout;
    orientationRow->addWidget(m_portrait);
    orientationRow->addWidget(m_landscape);
    paperForm->addRow(QStringLiteral("Orientation:"), orientationRow);
    paperForm->addRow(m_cssPageSize);
    paperForm->addRow(QStringLiteral("&Units:"), m_unit);

    auto* marginsBox = new QGroupBox(QStringLiteral("Margins"));
    auto* marginsGrid = new QGridLayout(marginsBox);
    m_engineMargins = new QCheckBox(QStringLiteral("Each engine's &own margins"));
    m_engineMargins->setObjectName(QStringLiteral("chkEngineMargins"));
    m_engineMargins->setToolTip(
        QStringLiteral("As before margins could be set: about 3.5 mm in the Classic engine, "
                       "10 mm in the Modern one. A header or footer sets them to 10 mm."));
    marginsGrid->addWidget(m_engineMargins, 2, 0, 1, 4);
    const char* marginNames[] = {"spnMarginTop", "spnMarginRight", "spnMarginBottom", "spnMarginLeft"};
    const QString marginLabels[] = {QStringLiteral("&Top:"), QStringLiteral("&Right:"),
                                    QStringLiteral("&Bottom:"), QStringLiteral("L&eft:")};
    for (int side = 0; side < 4; ++side) {
        m_margins[side] = LengthBox(marginNames[side], kMaxMarginMm);
        auto* label = new QLabel(marginLabels[side]);
        label->setBuddy(m_margins[side]);
        marginsGrid->addWidget(label, side / 2, (side % 2) * 2);
        marginsGrid->addWidget(m_margins[side], side / 2, (side % 2) * 2 + 1);
    }

    m_scale = new QSpinBox;
    m_scale->setObjectName(QStringLiteral("spnScale"));
    m_scale->setRange(kMinScalePercent, kMaxScalePercent);
    m_scale->setSuffix(QStringLiteral(" %"));
    m_backgrounds = new QCheckBox(QStringLiteral("Print &background colours and images"));
    m_backgrounds->setObjectName(QStringLiteral("chkBackgrounds"));
    m_media = new QComboBox;
    m_media->setObjectName(QStringLiteral("cmbMedia"));
    m_media->addItem(QStringLiteral("The page's print style"), int(MediaStyle::Print));
    m_media->addItem(QStringLiteral("As on screen (Modern engine)"), int(MediaStyle::Screen));
    auto* contentBox = new QGroupBox(QStringLiteral("Content"));
    auto* contentForm = new QFormLayout(contentBox);
    contentForm->addRow(QStringLiteral("&Scale:"), m_scale);
    contentForm->addRow(QStringLiteral("St&yle:"), m_media);
    contentForm->addRow(m_backgrounds);

    auto* textBox = new QGroupBox(QStringLiteral("Header and footer"));
    auto* textGrid = new QGridLayout(textBox);
    const QString parts[] = {QStringLiteral("Left"), QStringLiteral("Centre"), QStringLiteral("Right")};
    for (int part = 0; part < 3; ++part) {
        textGrid->addWidget(new QLabel(parts[part]), 0, part + 1);
        m_header[part] = TextBox(QStringLiteral("edtHeader") + parts[part]);
        m_footer[part] = TextBox(QStringLiteral("edtFooter") + parts[part]);
        textGrid->addWidget(m_header[part], 1, part + 1);
        textGrid->addWidget(m_footer[part], 2, part + 1);
    }
    textGrid->addWidget(new QLabel(QStringLiteral("Header:")), 1, 0);
    textGrid->addWidget(new QLabel(QStringLiteral("Footer:")), 2, 0);
    auto* pageNumbers = new QPushButton(QStringLiteral("&Page numbers"));
    pageNumbers->setObjectName(QStringLiteral("btnPageNumbers"));
    pageNumbers->setToolTip(QStringLiteral("\"%1\" in the right footer").arg(kPageNumberText));
    connect(pageNumbers, &QPushButton::clicked, this, [this] { m_footer[2]->setText(kPageNumberText); });
    m_textSize = new QDoubleSpinBox;
    m_textSize->setObjectName(QStringLiteral("spnTextSize"));
    m_textSize->setRange(kMinTextSizePt, kMaxTextSizePt);
    m_textSize->setDecimals(1);
    m_textSize->setSuffix(QStringLiteral(" pt"));
    m_bookNumbering = new QCheckBox(QStringLiteral("Count a combined PDF's pages &as one book"));
    m_bookNumbering->setObjectName(QStringLiteral("chkBookNumbering"));
    m_bookNumbering->setToolTip(
        QStringLiteral("In a combined PDF, {page} and {pages} count the whole book; each separate PDF "
                       "always counts its own pages."));
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(new QLabel(QStringLiteral("Font size:")));
    textRow->addWidget(m_textSize);
    textRow->addSpacing(12);
    textRow->addWidget(m_bookNumbering);
    textRow->addStretch();
    textRow->addWidget(pageNumbers);
    textGrid->addLayout(textRow, 3, 0, 1, 4);
    auto* hint = new QLabel(kFieldsHint);
    hint->setWordWrap(true);
    textGrid->addWidget(hint, 4, 0, 1, 4);

    m_preview = new PagePreview;
    m_note = new QLabel;
    m_note->setObjectName(QStringLiteral("lblNote"));
    m_note->setWordWrap(true);
    m_note->setMaximumWidth(m_preview->sizeHint().width());
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabsPageSetup"));
    const auto addTab = [this](const QString& caption, std::initializer_list<QWidget*> boxes) {
        auto* page = new QWidget;
        auto* column = new QVBoxLayout(page);
        for (QWidget* box : boxes)
            column->addWidget(box);
        column->addStretch();
        m_tabs->addTab(page, caption);
    };
    addTab(QStringLiteral("Pape&r"), {paperBox, marginsBox});
    addTab(QStringLiteral("Co&ntent"), {contentBox});
    addTab(QStringLiteral("&Header and footer"), {textBox});
    m_loading = new PageLoadingPanel;
    addTab(QStringLiteral("Page &loading"), {m_loading});

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_tabs, 0, 0);
    auto* side = new QVBoxLayout;
    side->addWidget(m_preview);
    side->addWidget(m_note);
    side->addStretch();
    grid->addLayout(side, 0, 1);
    grid->addWidget(m_buttons, 1, 0, 1, 2);

    connect(m_unit, &QComboBox::currentIndexChanged, this, &PageSetupDialog::SetUnit);
    // An edited length is kept as typed; the other lengths keep what they hold.
    using Setter = void (QMarginsF::*)(qreal);
    static constexpr Setter kSides[] = {&QMarginsF::setTop, &QMarginsF::setRight, &QMarginsF::setBottom,
                                        &QMarginsF::setLeft};
    for (int side = 0; side < 4; ++side)
        connect(m_margins[side], &QDoubleSpinBox::valueChanged, this, [this, side](double value) {
            if (m_showing)
                return;
            (m_marginsMm.*kSides[side])(value * m_mmPerUnit);
            Changed();
        });
    // The boxes show the paper as turned; a custom size is kept as portrait.
    for (QDoubleSpinBox* box : {m_width, m_height})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, box](double value) {
            if (m_showing)
                return;
            const bool across = (box == m_width) != m_landscape->isChecked();
            (across ? m_customMm.rwidth() : m_customMm.rheight()) = value * m_mmPerUnit;
            Changed();
        });
    connect(m_textSize, &QDoubleSpinBox::valueChanged, this, &PageSetupDialog::Changed);
    // The size boxes show the paper chosen, turned with the orientation. They are not rewritten on other
    // changes, which would disturb a number being typed.
    connect(m_paper, &QComboBox::currentIndexChanged, this, &PageSetupDialog::ShowLengths);
    connect(m_landscape, &QAbstractButton::toggled, this, &PageSetupDialog::ShowLengths);
    connect(m_scale, &QSpinBox::valueChanged, this, &PageSetupDialog::Changed);
    for (QComboBox* box : {m_paper, m_media})
        connect(box, &QComboBox::currentIndexChanged, this, &PageSetupDialog::Changed);
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             m_portrait, m_landscape, m_cssPageSize, m_engineMargins, m_backgrounds, m_bookNumbering})
        connect(button, &QAbstractButton::toggled, this, &PageSetupDialog::Changed);
    for (int part = 0; part < 3; ++part)
        for (QLineEdit* edit : {m_header[part], m_footer[part]})
            connect(edit, &QLineEdit::textChanged, this, &PageSetupDialog::Changed);
}

// Lengths are kept in millimetres; the boxes show them in the chosen unit.
void PageSetupDialog::SetUnit(int unit) {
    m_showing = true;
    m_mmPerUnit = unit == Inches ? kMmPerInch : 1.0;
    const QString suffix = unit == Inches ? QStringLiteral(" in") : QStringLiteral(" mm");
    for (QDoubleSpinBox* box : {m_width, m_height, m_margins[0], m_margins[1], m_margins[2], m_margins[3]}) {
        box->setSuffix(suffix);
        box->setDecimals(unit == Inches ? 2 : 1);
        box->setSingleStep(unit == Inches ? 0.1 : 1.0);
    }
    m_width->setRange(kMinPaperSideMm / m_mmPerUnit, kMaxPaperSideMm / m_mmPerUnit);
    m_height->setRange(kMinPaperSideMm / m_mmPerUnit, kMaxPaperSideMm / m_mmPerUnit);
    for (QDoubleSpinBox* margin : m_margins)
        margin->setRange(0, kMaxMarginMm / m_mmPerUnit);
    m_showing = false;
    ShowLengths();
    Changed();
}

void PageSetupDialog::ShowLengths() {
    const bool showing = std::exchange(m_showing, true);
    const QSizeF paper = Value().PaperSizeMm();
    m_width->setValue(paper.width() / m_mmPerUnit);
    m_height->setValue(paper.height() / m_mmPerUnit);
    const double margins[] = {m_marginsMm.top(), m_marginsMm.right(), m_marginsMm.bottom(),
                              m_marginsMm.left()};
    for (int side = 0; side < 4; ++side)
        m_margins[side]->setValue(margins[side] / m_mmPerUnit);
    m_showing = showing;
}

void PageSetupDialog::Show(const PageSetup& page) {
    m_showing = true;
    m_paper->setCurrentIndex(m_paper->findData(int(page.paper)));
    m_customMm = page.customSizeMm;
    (page.orientation == Orientation::Landscape ? m_landscape : m_portrait)->setChecked(true);
    m_cssPageSize->setChecked(page.cssPageSize);
    m_engineMargins->setChecked(!page.marginsMm);
    m_marginsMm = page.marginsMm.value_or(page.LayoutMarginsMm());
    m_scale->setValue(page.scalePercent);
    m_backgrounds->setChecked(page.backgrounds);
    m_media->setCurrentIndex(m_media->findData(int(page.media)));
    const PageText* lines[] = {&page.header, &page.footer};
    QLineEdit* const* edits[] = {m_header, m_footer};
    for (int which = 0; which < 2; ++which) {
        edits[which][0]->setText(lines[which]->left);
        edits[which][1]->setText(lines[which]->centre);
        edits[which][2]->setText(lines[which]->right);
    }
    m_textSize->setValue(page.textSizePt);
    m_bookNumbering->setChecked(page.numbering == PageNumbering::Book);
    m_loading->Show(page.loading);
    m_showing = false;
    ShowLengths();
    Changed();
}

PageSetup PageSetupDialog::Value() const {
    PageSetup page;
    page.paper = Paper(m_paper->currentData().toInt());
    page.customSizeMm = m_customMm;
    page.orientation = m_landscape->isChecked() ? Orientation::Landscape : Orientation::Portrait;
    page.cssPageSize = m_cssPageSize->isChecked();
    if (!m_engineMargins->isChecked())
        page.marginsMm = m_marginsMm;
    page.scalePercent = m_scale->value();
    page.backgrounds = m_backgrounds->isChecked();
    page.media = MediaStyle(m_media->currentData().toInt());
    page.header = {m_header[0]->text(), m_header[1]->text(), m_header[2]->text()};
    page.footer = {m_footer[0]->text(), m_footer[1]->text(), m_footer[2]->text()};
    page.textSizePt = m_textSize->value();
    page.numbering = m_bookNumbering->isChecked() ? PageNumbering::Book : PageNumbering::EachPart;
    page.loading = m_loading->Value();
    return page;
}

// Shows the page as it now is, says where a margin grows for the header or footer, and allows OK only
// for a setup that leaves room for content.
void PageSetupDialog::Changed() {
    if (m_showing)
        return;
    const PageSetup page = Value();
    const bool custom = page.paper == Paper::Custom;
    m_width->setEnabled(custom);
    m_height->setEnabled(custom);
    for (QDoubleSpinBox* margin : m_margins)
        margin->setEnabled(page.marginsMm.has_value());
    m_preview->SetPage(page);
    QStringList notes;
    const QMarginsF grown = page.LayoutMarginsMm();
    const QMarginsF chosen =
        page.marginsMm.value_or(QMarginsF(kSetMarginsMm, kSetMarginsMm, kSetMarginsMm, kSetMarginsMm));
    const auto length = [this](double mm) {
        return m_mmPerUnit == 1.0 ? QStringLiteral("%1 mm").arg(mm, 0, 'f', 1)
                                  : QStringLiteral("%1 in").arg(mm / kMmPerInch, 0, 'f', 2);
    };
    if (!page.marginsMm && page.HasPageText())
        notes << QStringLiteral("With a header or footer the margins are %1 unless set.")
                     .arg(length(kSetMarginsMm));
    if (grown.top() > chosen.top())
        notes << QStringLiteral("The top margin grows to %1 to make room for the header.")
                     .arg(length(grown.top()));
    if (grown.bottom() > chosen.bottom())
        notes << QStringLiteral("The bottom margin grows to %1 to make room for the footer.")
                     .arg(length(grown.bottom()));
    const QString problem = page.Problem();
    if (!problem.isEmpty())
        notes << problem;
    m_note->setText(notes.join(u'\n'));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(problem.isEmpty());
}

} // namespace velmora
