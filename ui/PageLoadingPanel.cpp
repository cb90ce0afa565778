#include "PageLoadingPanel.h"

#include "Dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>

namespace velmora {

namespace {

QLineEdit* LineEdit(const char* name, const QString& placeholder) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setPlaceholderText(placeholder);
    edit->setClearButtonEnabled(true);
    return edit;
}

} // namespace

PageLoadingPanel::PageLoadingPanel(QWidget* parent) : QGroupBox(QStringLiteral("Page loading"), parent) {
    setObjectName(QStringLiteral("grpPageLoading"));
    m_scroll = new QCheckBox(QStringLiteral("Scroll through the page &first"));
    m_scroll->setObjectName(QStringLiteral("chkScroll"));
    m_scroll->setToolTip(QStringLiteral("Brings every part of the page into view once before printing, so "
                                        "that content loaded as it scrolls into view is there."));
    m_openDetails = new QCheckBox(QStringLiteral("Open collapsed se&ctions"));
    m_openDetails->setObjectName(QStringLiteral("chkOpenDetails"));
    m_waitFor = LineEdit("edtWaitFor", QStringLiteral("CSS selector, e.g. #chart svg"));
    m_waitUntil = LineEdit("edtWaitUntil", QStringLiteral("JavaScript, e.g. window.ready"));
    m_delay = new QSpinBox;
    m_delay->setObjectName(QStringLiteral("spnDelay"));
    m_delay->setRange(0, kMaxDelayMs);
    m_delay->setSingleStep(500);
    m_delay->setSuffix(QStringLiteral(" ms"));
    m_delay->setSpecialValueText(QStringLiteral("none"));
    m_style = LineEdit("edtStyle", QStringLiteral("a .css file of your own"));
    m_chooseStyle = new QToolButton;
    m_chooseStyle->setText(QStringLiteral("…"));
    m_chooseStyle->setObjectName(QStringLiteral("btnChooseStyle"));
    m_chooseStyle->setToolTip(QStringLiteral("Choose a style sheet"));
    m_chooseStyle->setVisible(false);
    m_hide = LineEdit("edtHide", QStringLiteral("#cookie-banner, .chat-widget"));

    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(m_style);
    styleRow->addWidget(m_chooseStyle);
    auto* form = new QFormLayout(this);
    form->addRow(m_scroll);
    form->addRow(m_openDetails);
    form->addRow(QStringLiteral("Wait for ele&ment:"), m_waitFor);
    form->addRow(QStringLiteral("Wait u&ntil:"), m_waitUntil);
    form->addRow(QStringLiteral("&Delay after load:"), m_delay);
    // A row of a layout gets no buddy of its own: the label names the edit.
    auto* styleLabel = new QLabel(QStringLiteral("Style s&heet:"));
    styleLabel->setBuddy(m_style);
    form->addRow(styleLabel, styleRow);
    form->addRow(QStringLiteral("H&ide elements:"), m_hide);
}

void PageLoadingPanel::Show(const PageLoading& loading) {
    m_scroll->setChecked(loading.scroll);
    m_openDetails->setChecked(loading.openDetails);
    m_waitFor->setText(loading.waitFor);
    m_waitUntil->setText(loading.waitUntil);
    m_delay->setValue(loading.delayMs);
    m_style->setText(QDir::toNativeSeparators(loading.styleFile));
    m_hide->setText(loading.hide);
}

PageLoading PageLoadingPanel::Value() const {
    PageLoading loading;
    loading.scroll = m_scroll->isChecked();
    loading.openDetails = m_openDetails->isChecked();
    loading.waitFor = m_waitFor->text().trimmed();
    loading.waitUntil = m_waitUntil->text().trimmed();
    loading.delayMs = m_delay->value();
    const QString style = m_style->text().trimmed();
    loading.styleFile =
        style.isEmpty() ? QString() : QFileInfo(QDir::fromNativeSeparators(style)).absoluteFilePath();
    loading.hide = m_hide->text().trimmed();
    return loading;
}

void PageLoadingPanel::OfferStyleFiles(QWidget& dialog, Dialogs& dialogs) {
    auto* panel = dialog.findChild<PageLoadingPanel*>();
    if (!panel)
        return;
    panel->m_chooseStyle->setVisible(true);
    connect(panel->m_chooseStyle, &QToolButton::clicked, panel, [panel, &dialogs] {
        const QString current = panel->Value().styleFile;
        const std::optional<QStringList> chosen =
            dialogs.GetOpenFileNames(panel->window(), QStringLiteral("Style sheets (*.css);;All files (*)"),
                                     current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
        if (chosen && !chosen->isEmpty())
            panel->m_style->setText(QDir::toNativeSeparators(chosen->constFirst()));
    });
}

} // namespace velmora
