#pragma once
// The windowed program: its list, its packer and its windows, and the message loop. The main
// block calls RunWindowedProgram; tests make ProgramWindows themselves.

#include <QApplication>
#include <QStringList>

#include <memory>

class EntryList;
class MainWindow;
class SevenZipPacker;
class UserInterfacePorts;

// What the windowed program holds while it runs: the entry list, the packer and the main window
// with the windows it owns (its creation makes its Startup from the arguments). The message
// dialog becomes the message port of `ports` (when given) for as long as it lives.
class ProgramWindows {
public:
    // The packer's library is loaded already; ConfigurePacker is applied here, once.
    ProgramWindows(std::unique_ptr<SevenZipPacker> packer, const QStringList& arguments, UserInterfacePorts* ports);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    EntryList& List() { return *list; }
    SevenZipPacker& Packer() { return *packer; }
    MainWindow& Main() { return *main; }

private:
    std::unique_ptr<SevenZipPacker> packer;
    std::unique_ptr<EntryList> list;
    std::unique_ptr<MainWindow> main;
};

class SkrytkarApplication;

// Sets the application's title and icon, creates the packer and the windows, shows the main
// window centred on the screen and runs the message loop until the application terminates.
// Returns the program's exit status. A packer whose library cannot be loaded stops the
// program with its message before any window is shown.
int RunWindowedProgram(SkrytkarApplication& app);
