#pragma once

#include "render/PageLoading.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QToolButton;
class QSpinBox;

namespace velmora {

class Dialogs;

// Page setup's "Page loading" part: what is done to a page before it is printed (scrolling, collapsed
// sections, waits, the user's own style, hidden elements).
class PageLoadingPanel final : public QGroupBox {
    Q_OBJECT
public:
    explicit PageLoadingPanel(QWidget* parent = nullptr);

    void Show(const PageLoading& loading);
    PageLoading Value() const;

    // Lets the panel within `dialog` choose a style sheet through `dialogs`; until then it offers only
    // the typed path.
    static void OfferStyleFiles(QWidget& dialog, Dialogs& dialogs);

private:
    QCheckBox* m_scroll;
    QCheckBox* m_openDetails;
    QLineEdit* m_waitFor;
    QLineEdit* m_waitUntil;
    QSpinBox* m_delay;
    QLineEdit* m_style;
    QToolButton* m_chooseStyle;
    QLineEdit* m_hide;
};

} // namespace velmora
