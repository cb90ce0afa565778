#pragma once

#include "render/PageSetup.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace velmora {

class PageLoadingPanel;
class PagePreview;

inline const QString kPageSetupCaption = QStringLiteral("Page Setup");

// Convert -> Page setup...: the paper, margins, scale, backgrounds, style, header and footer of every
// later PDF, with a live picture of a page. The settings sit on tabs beside the picture, so the dialog
// fits a screen 768 pixels high and a further group of settings is one more tab.
class PageSetupDialog final : public QDialog {
    Q_OBJECT
public:
    explicit PageSetupDialog(const PageSetup& page, QWidget* parent = nullptr);

    PageSetup Value() const;

private:
    void CreateControls();
    void Show(const PageSetup& page);
    void ShowLengths(); // the lengths kept, in the unit shown
    void SetUnit(int unit);
    void Changed();

    QComboBox* m_paper;
    QDoubleSpinBox* m_width;
    QDoubleSpinBox* m_height;
    QComboBox* m_unit;
    QRadioButton* m_portrait;
    QRadioButton* m_landscape;
    QCheckBox* m_cssPageSize;
    QCheckBox* m_engineMargins;
    QDoubleSpinBox* m_margins[4]; // top, right, bottom, left
    QSpinBox* m_scale;
    QCheckBox* m_backgrounds;
    QComboBox* m_media;
    QLineEdit* m_header[3]; // left, centre, right
    QLineEdit* m_footer[3];
    QDoubleSpinBox* m_textSize;
    QCheckBox* m_bookNumbering;
    QLabel* m_note;
    PagePreview* m_preview;
    PageLoadingPanel* m_loading;
    QDialogButtonBox* m_buttons;
    QTabWidget* m_tabs;
    // The lengths as typed, in millimetres: the boxes show them converted, so switching the unit back and
    // forth changes nothing.
    QSizeF m_customMm;
    QMarginsF m_marginsMm;
    double m_mmPerUnit = 1.0;
    bool m_showing = false;
};

} // namespace velmora
