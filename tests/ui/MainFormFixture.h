#pragma once

#include "FakeDialogs.h"
#include "MainForm.h"
#include "SettingsStore.h"

#include <QList>
#include <QModelIndex>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QAbstractButton;
class QPoint;

namespace velmora {
class TQueueGrid;
}

// Run tests skip when the fake converter was not built.
#define REQUIRE_FAKE_CONVERTER(fixture)                                                                      \
    if (!(fixture).HasFakeConverter())                                                                       \
    QSKIP("The fake converter was not built (VELMORA_FAKE_CONVERTER is not set)")

namespace velmora::test {

// How long a run with the fake converter may take before a test gives up on it.
constexpr int kRunTimeoutMs = 30000;

// A main window over its own settings file and a program folder whose converter is the fake one, driven
// through its real widgets and actions.
class MainFormFixture {
public:
    MainFormFixture();
    ~MainFormFixture();

    // False when the fake converter was not built; run tests skip then.
    bool HasFakeConverter() const { return m_hasConverter; }
    // Takes the converter out of the program folder.
    void RemoveConverter();
    // Puts the fake Chromium where the program looks first; false when it was not built
    // (VELMORA_FAKE_BROWSER is not set).
    [[nodiscard]] bool InstallBrowser();
    QString OutputFolder() const { return m_output.path(); }
    QString SettingsPath() const { return m_settings.filePath(QStringLiteral("settings.ini")); }
    SettingsStore Store() const { return SettingsStore::AtIniFile(SettingsPath()); }

    // Creates the window over `store` (the fixture's own by default), shows it and waits until it is
    // active. A window opened earlier is destroyed first.
    TfrmMain& Open();
    TfrmMain& Open(const SettingsStore& store);
    TfrmMain& Window() const { return *m_window; }
    ConversionQueue& Queue() const { return m_window->Queue(); }
    TQueueGrid& Grid() const;

    // The named child; the test binary aborts when there is none, since every later step would be void.
    template <typename T> T* Child(const char* name) const {
        return static_cast<T*>(ChildObject(name, &T::staticMetaObject));
    }

    // Triggers a named action or menu item; false (with a warning) when it is missing or disabled.
    [[nodiscard]] bool Trigger(const char* name) const;
    // A left click on a named button; false when it is missing or disabled.
    [[nodiscard]] bool Click(const char* name) const;

    // Add URL through the dialog: types the lines into its memo over whatever it held, then confirms.
    void ScriptAddUrls(const QStringList& lines);
    [[nodiscard]] bool AddUrls(const QStringList& lines);
    [[nodiscard]] bool AddFiles(const QStringList& paths);
    // Creates empty files with these names in a folder of their own; returns their full paths.
    QStringList MakeFiles(const QStringList& names);
    // Replaces the target folder text by typing into the edit.
    void TypeTargetFolder(const QString& text) const;
    // Chooses a completion action in the box by typing its first letter.
    void ChooseCompletionAction(const QString& action) const;

    void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers = {},
                   Qt::MouseButton button = Qt::LeftButton) const;
    void ClickHeader(int column) const;

    QStringList PaneTexts() const; // spListcount, spTotalConvert, spQuality
    QStringList RowTexts() const;  // source texts, top to bottom
    QList<int> SelectedRows() const;
    QVariant RowData(int row, int role) const;
    RowState State(int row) const { return RowState(RowData(row, ConversionQueue::RowStateRole).toInt()); }

    // The argument lists the fake converter was started with, in order.
    QList<QStringList> ConverterCalls() const;

    FakeDialogs dialogs;

private:
    QObject* ChildObject(const char* name, const QMetaObject* type) const;

    QTemporaryDir m_settings;
    QTemporaryDir m_program;
    QTemporaryDir m_output;
    QTemporaryDir m_files;
    QString m_logPath;
    bool m_hasConverter = false;
    std::unique_ptr<TfrmMain> m_window;
};

} // namespace velmora::test
