#pragma once

#include <QLabel>
#include <QString>

#include <functional>

namespace velmora {

class Dialogs;

// A link label: with a click handler a click runs only that; without one the label opens its URL (or,
// when that is blank, its caption) and turns purple once the shell has accepted it.
class UrlLabel final : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString URL READ URL WRITE SetURL)
public:
    UrlLabel(Dialogs& dialogs, const QString& caption, QWidget* parent = nullptr);

    QString URL() const { return m_url; }
    void SetURL(const QString& url) { m_url = url; }
    bool Visited() const { return m_visited; }
    void SetClickHandler(std::function<void()> handler) { m_onClick = std::move(handler); }

    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateColor();

    Dialogs& m_dialogs;
    QString m_url;
    bool m_visited = false;
    std::function<void()> m_onClick;
};

} // namespace velmora
