#include "FollowLinksDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velmora {

namespace {
constexpr int kMostPages = 100000;
}

FollowLinksDialog::FollowLinksDialog(const QString& prefix, QWidget* parent)
    : QDialog(parent), m_prefix(prefix) {
    setWindowTitle(kFollowLinksCaption);
    setObjectName(QStringLiteral("FollowLinksDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Add the pages the chosen rows link to, each after its row in "
                                            "reading order. Nothing is converted until Convert Now."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    m_depth = new QSpinBox(this);
    m_depth->setObjectName(QStringLiteral("spnFollowDepth"));
    m_depth->setRange(1, FollowOptions::kMaxDepth);
    m_depth->setValue(1);
    m_depth->setToolTip(QStringLiteral("1: the pages a row links to; 2: also the pages those link to; ..."));
    form->addRow(QStringLiteral("Links to &follow:"), m_depth);
    m_within = new QLineEdit(prefix, this);
    m_within->setObjectName(QStringLiteral("edtFollowWithin"));
    m_within->setMinimumWidth(360);
    m_within->setToolTip(QStringLiteral("An address prefix or a folder. Left as it is, each row's pages stay "
                                        "under that row's own folder."));
    form->addRow(QStringLiteral("Only pages &under:"), m_within);
    m_maxPages = new QSpinBox(this);
    m_maxPages->setObjectName(QStringLiteral("spnFollowMaxPages"));
    m_maxPages->setRange(1, kMostPages);
    m_maxPages->setValue(FollowOptions::kDefaultMaxPages);
    form->addRow(QStringLiteral("At most this many &pages:"), m_maxPages);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Start"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnFollowStart"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

FollowOptions FollowLinksDialog::Value() const {
    FollowOptions options;
    options.depth = m_depth->value();
    const QString within = m_within->text().trimmed();
    options.within = within == m_prefix ? QString() : within;
    options.maxPages = m_maxPages->value();
    return options;
}

} // namespace velmora
