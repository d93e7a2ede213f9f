#pragma once
// The windowed program: the five windows, each created once in their order, and the message
// loop. The main block calls RunWindowedProgram; tests use CreateWindows and DestroyWindows.

#include <QApplication>

// Creates the windows in their order: the main window FGlowny (its creation runs FormCreate),
// the message dialog FWarning (which becomes the program's message port), the entry editor
// FEdycja, the menu window FMenu and the about window FAbout. The packer Zipek must be
// installed already.
void CreateWindows();
// Deletes the windows in the reverse order and detaches them from the ports.
void DestroyWindows();

// Sets the application's title and icon, creates the packer and the windows, shows the main
// window centred on the screen and runs the message loop until the application terminates.
// Returns the program's exit status. A packer whose library cannot be loaded stops the
// program with its message before any window is shown.
int RunWindowedProgram(QApplication& app);
