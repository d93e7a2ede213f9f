#pragma once
// Shared fixture of the window tests: the program's windows created once for the run (with the
// real packer), a temporary program folder per test, a message port whose answers are
// scripted, and seams for the choosers, the shell and the end of the program.

#include "ui/windows/Application.h"
#include "archive/run/ArchiveRun.h"
#include "ui/windows/ErrorReport.h"
#include "ui/windows/FolderPicker.h"
#include "ui/skin/HotZone.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "archive/sevenzip/SevenZip.h"
#include "ui/skin/SkinImage.h"
#include "archive/run/Startup.h"
#include "ui/windows/AboutWindow.h"
#include "ui/windows/EntryEditor.h"
#include "ui/windows/MainWindow.h"
#include "ui/windows/MenuPanel.h"
#include "ui/windows/RestoreWindow.h"
#include "ui/windows/SettingsWindow.h"
#include "ui/skin/MessageDialog.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "ui/windows/WindowParts.h"

#include <QApplication>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FakeMessages.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>


FakeMessages& Messages();
// The program's windows, made once for the whole run.
ProgramWindows& Program();

class WindowsTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // The program's list and windows, by the names of the windows.
    EntryList& List() { return Program().List(); }
    MainWindow* mainWindow = nullptr;
    MenuPanel* menu = nullptr;
    EntryEditor* editor = nullptr;
    RestoreWindow* restoreWindow = nullptr;
    SettingsWindow* settingsWindow = nullptr;
    AboutWindow* aboutWindow = nullptr;
    MessageDialog* messageDialog = nullptr;

    // Replaces the list (memory, list box and "Dane.dat") by these entries.
    void SeedList(const std::vector<Entry>& entries);
    // The list as "Dane.dat" holds it now.
    std::vector<Entry> ListOnDisk();
    // Selects exactly these lines of `Lista` (the first one becomes the current line).
    void SelectRows(const std::vector<int>& rows);
    std::vector<int> SelectedRows() const;

    // Runs the steps once the next modal window is open, inside its event loop.
    void WhenModalOpens(std::function<void()> steps);
    // The mouse at a point of a window, delivered as the window system does: to the widget
    // under the point (one that lets the mouse through does not count), and from a press to
    // the release to the widget that took the press.
    static void PressAt(QWidget* window, const QPoint& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void ReleaseAt(QWidget* window, const QPoint& point);
    static void MoveTo(QWidget* window, const QPoint& point);
    static void ClickAt(QWidget* window, const QPoint& point, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // A whole double click on a widget: press, release, double-click press, release.
    static void DoubleClick(QWidget* widget, const QPoint& point);
    static QPoint Centre(const QRect& rect) { return rect.center(); }

    QString Path(const QString& name) const { return dir->filePath(name); }
    QStringList LogLinesOnDisk() const;

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QObject> pending;  // owns the timers of this test
    std::vector<QUrl> opened;          // addresses given to the shell
    int terminations = 0;
    std::vector<QString> errorReports;
    // The choosers' answers in turn; none left, or a null text, cancels.
    std::deque<QString> fileAnswers;
    std::deque<QString> folderAnswers;
    std::vector<FolderPickerRequest> folderRequests;
    std::vector<QString> fileDialogTitles;
};

bool operator==(const Entry& a, const Entry& b);
void PrintTo(const Entry& entry, std::ostream* os);
