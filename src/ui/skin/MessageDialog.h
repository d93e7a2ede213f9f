#pragma once
// MessageDialog: the one skinned dialog through which every message and question reaches the user.
// It is the program's MessagePort (the main window makes it; the program installs it in its
// UserInterfacePorts): ShowWarning (core) calls Show and gets the answer back. Borderless,
// always on top, modal, centred; painted only from pictures.

#include "core/UiPorts.h"

#include <QDialog>
#include <QList>

#include "ui/skin/TitleDrag.h"

class HotZone;
class QLabel;
class SkinImage;

class MessageDialog : public QDialog, public MessagePort {
    Q_OBJECT
public:
    explicit MessageDialog(QWidget* parent = nullptr);
    ~MessageDialog() override;

    // Sets the dialog up for the button set, icon and text, shows it modally and returns the
    // answer: 0 Zamknij, 1 Tak, 2 Nie, 3 Anuluj; 2 when it was closed any other way.
    int Show(int buttons, int icon, const QString& text) override;

    // Background and buttons, decoded anew at every call.
    void LoadWarningImages();
    // 1 information, 2 question, 3 warning; any other code keeps the icon shown last.
    void SetWarningIcon(int icon);

    // Test seam: while answers are queued, Show sets the dialog up exactly as for the user and
    // then returns the next queued answer without waiting.
    void QueueAnswer(int answer) { queuedAnswers_.append(answer); }
    int QueuedAnswerCount() const { return int(queuedAnswers_.size()); }

    SkinImage* ImWarning;
    QWidget* PIkona;
    SkinImage* ImIkona;
    QLabel* LTekstWarning;
    QWidget* PButTak;
    SkinImage* ImButTak;
    QWidget* PButNie;
    SkinImage* ImButNie;
    QWidget* PButAnuluj;
    SkinImage* ImButAnuluj;
    QWidget* pButZamknij;
    SkinImage* ImButZamknij;
    HotZone* LClose;
    HotZone* LListwa;

protected:
    void keyPressEvent(QKeyEvent* event) override;  // FormKeyDown and FormKeyPress

private:
    void CloseWith(int answer);
    void ImButTakClick() { CloseWith(AnswerYes); }
    void ImButNieClick() { CloseWith(AnswerNo); }
    void ImButAnulujClick() { CloseWith(AnswerCancel); }
    void ImButZamknijClick() { CloseWith(AnswerClose); }
    void LCloseClick();
    bool Offered(const QWidget* panel) const;
    // The offered buttons from left to right, and the one Enter and Space press: the first.
    QList<SkinImage*> OfferedButtons() const;
    SkinImage* DefaultButton() const;

    int answer_ = AnswerNo;
    TitleDrag drag_;
    QList<int> queuedAnswers_;
};
