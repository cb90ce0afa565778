#pragma once

#include "SettingsStore.h"
#include "run/ConvertCommand.h"

#include <QString>

namespace velmora {

// The two controls of the main window. Like a non-editable combo box, the action box completes a text
// it is given and shows nothing when no item matches.
class TestHost final : public SettingsHost {
public:
    TestHost(QString folder, QString action) : folder(std::move(folder)), action(std::move(action)) {}

    QString folder;
    QString action;

    QString TargetFolderText() const override { return folder; }
    void SetTargetFolderText(const QString& text) override { folder = text; }
    QString CompletionActionText() const override { return action; }
    void SetCompletionActionText(const QString& text) override {
        const QString completed = CompletedAction(text);
        action = CompletionActions().contains(completed) ? completed : QString();
    }
};

} // namespace velmora
