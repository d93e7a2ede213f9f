#pragma once
// The core and the archive run reach the user interface only through these narrow ports.
// The windows implement them; tests install recording fakes; an unattended run without a
// display leaves the standard-error sink in place, so nothing ever waits for a user.

#include <QString>

// Button sets of the message dialog.
inline constexpr int ButtonsClose = 1;        // Zamknij only
inline constexpr int ButtonsYesNoCancel = 3;  // Tak, Nie, Anuluj
// Icons.
inline constexpr int IconInfo = 1;
inline constexpr int IconQuestion = 2;
inline constexpr int IconWarning = 3;
// Answers left in WarningResult.
inline constexpr int AnswerClose = 0;
inline constexpr int AnswerYes = 1;
inline constexpr int AnswerNo = 2;
inline constexpr int AnswerCancel = 3;

// Shows one message or question and returns the answer when it has been dismissed.
class MessagePort {
public:
    virtual ~MessagePort() = default;
    virtual int Show(int buttons, int icon, const QString& text) = 0;
};

// The main window's list box `Lista` as the list operations and the archive run see it.
class ListBoxPort {
public:
    virtual ~ListBoxPort() = default;
    virtual void Clear() = 0;
    virtual void AddItem(const QString& text) = 0;
    virtual int Count() const = 0;
    virtual bool IsSelected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
};

// Answer of the last ShowWarning: 0 Zamknij, 1 Tak, 2 Nie, 3 Anuluj.
extern int WarningResult;

// Installs the message port; nullptr restores the standard-error sink.
void SetMessagePort(MessagePort* port);
// The one way to show a message or ask a question. Leaves the answer in WarningResult.
void ShowWarning(int buttons, int icon, const QString& text);

// Installs the list box; nullptr restores a list box that shows nothing and selects nothing.
void SetListBox(ListBoxPort* box);
ListBoxPort& Lista();
