#pragma once

#include <QDialog>

namespace velmora {

class Dialogs;

// The About box; a fresh one is made for every About command.
class TfrmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(Dialogs& dialogs, QWidget* parent = nullptr);

private:
    void RzURLLabel1Click();
    void RzURLLabel2Click();

    Dialogs& m_dialogs;
};

} // namespace velmora
