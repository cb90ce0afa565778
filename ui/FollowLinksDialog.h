#pragma once

#include "follow/LinkWalk.h"

#include <QDialog>

class QLineEdit;
class QSpinBox;

namespace velmora {

inline const QString kFollowLinksCaption = QStringLiteral("Add Linked Pages");

// Edit -> "Add linked pages...": how deep to follow links from the chosen rows, the address prefix or
// folder the pages must lie under, and the most pages to read.
class FollowLinksDialog final : public QDialog {
    Q_OBJECT
public:
    // `prefix` is what the first chosen row's own scope is; left as it is, each row keeps its own.
    FollowLinksDialog(const QString& prefix, QWidget* parent = nullptr);

    FollowOptions Value() const; // depth, prefix and page limit as chosen

private:
    QString m_prefix;
    QSpinBox* m_depth;
    QLineEdit* m_within;
    QSpinBox* m_maxPages;
};

} // namespace velmora
