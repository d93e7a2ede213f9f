#include "ui/skin/MessageDialog.h"

#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinFont.h"
#include "ui/skin/SkinImage.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace {

SkinImage* ButtonPanel(QWidget* dialog, int left, const QString& panelName, const QString& imageName,
                       const QString& caption, QWidget** panel)
{
    *panel = new QWidget(dialog);
    (*panel)->setObjectName(panelName);
    (*panel)->setGeometry(left, 116, 88, 26);
    (*panel)->setCursor(Qt::PointingHandCursor);
    auto* image = new SkinImage(*panel);
    image->setObjectName(imageName);
    image->setGeometry(0, 0, 88, 26);
    image->setCursor(Qt::PointingHandCursor);
    image->SetAccessibleCaption(caption, QAccessible::Button);
    return image;
}

} // namespace

MessageDialog::MessageDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("FWarning"));
    setWindowTitle(QStringLiteral("Skrytkar"));
    setFixedSize(350, 150);
    setModal(true);

    ImWarning = new SkinImage(this);
    ImWarning->setObjectName(QStringLiteral("ImWarning"));
    ImWarning->setGeometry(0, 0, 350, 150);

    PIkona = new QWidget(this);
    PIkona->setObjectName(QStringLiteral("PIkona"));
    PIkona->setGeometry(12, 4, 42, 43);
    ImIkona = new SkinImage(PIkona);
    ImIkona->setObjectName(QStringLiteral("ImIkona"));
    ImIkona->setGeometry(0, 0, 42, 43);
    LoadImageResource(QStringLiteral("ikoinfo"), ImIkona);

    LTekstWarning = new QLabel(this);
    LTekstWarning->setObjectName(QStringLiteral("LTekstWarning"));
    LTekstWarning->setGeometry(17, 51, 313, 53);
    LTekstWarning->setWordWrap(true);
    // Plain text: an entry's name is shown as typed, never read as markup.
    LTekstWarning->setTextFormat(Qt::PlainText);
    LTekstWarning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LTekstWarning->setFont(SkinFont(QStringLiteral("MS Sans Serif"), 12));
    QPalette textPalette = LTekstWarning->palette();
    textPalette.setColor(QPalette::WindowText, QColor(0x44, 0x44, 0x44));
    LTekstWarning->setPalette(textPalette);

    ImButTak = ButtonPanel(this, 63, QStringLiteral("PButTak"), QStringLiteral("ImButTak"), QStringLiteral("Tak"), &PButTak);
    ImButNie = ButtonPanel(this, 156, QStringLiteral("PButNie"), QStringLiteral("ImButNie"), QStringLiteral("Nie"), &PButNie);
    ImButAnuluj = ButtonPanel(this, 248, QStringLiteral("PButAnuluj"), QStringLiteral("ImButAnuluj"), QStringLiteral("Anuluj"), &PButAnuluj);
    ImButZamknij = ButtonPanel(this, 190, QStringLiteral("pButZamknij"), QStringLiteral("ImButZamknij"), QStringLiteral("Zamknij"), &pButZamknij);

    LListwa = new HotZone(this, QRect(56, 5, 281, 23), QStringLiteral("LListwa"), windowTitle(), QAccessible::TitleBar);
    // The close zone overlaps the right end of the title strip; it lies on top there, so the
    // whole of it closes the dialog rather than starting a drag.
    LClose = new HotZone(this, QRect(323, 8, 17, 17), QStringLiteral("LClose"), QStringLiteral("Zamknij"));
    // Nothing is drawn there, so Tab passes it by: the drawn buttons close the dialog as well.
    LClose->setFocusPolicy(Qt::NoFocus);

    connect(ImButTak, &SkinImage::clicked, this, Guarded(this, &MessageDialog::ImButTakClick));
    connect(ImButNie, &SkinImage::clicked, this, Guarded(this, &MessageDialog::ImButNieClick));
    connect(ImButAnuluj, &SkinImage::clicked, this, Guarded(this, &MessageDialog::ImButAnulujClick));
    connect(ImButZamknij, &SkinImage::clicked, this, Guarded(this, &MessageDialog::ImButZamknijClick));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &MessageDialog::LCloseClick));
    connect(LListwa, &HotZone::mousePressed, this,
            Guarded([this](QMouseEvent* e) { drag_.Press(this, e->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseMoved, this,
            Guarded([this](QMouseEvent* e) { drag_.Move(this, e->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseReleased, this, Guarded([this](QMouseEvent*) { drag_.Release(); }));
}

MessageDialog::~MessageDialog()
{
    // Deleted with a parent window: the program must not keep talking to a dead dialog.
    if (UserInterfacePorts* ports = UserInterfacePorts::Find(); ports && ports->Messages() == this)
        ports->SetMessagePort(nullptr);
}

void MessageDialog::LoadWarningImages()
{
    LoadImageResource(QStringLiteral("oknowarning"), ImWarning);
    LoadImageResource(QStringLiteral("buttak"), ImButTak);
    LoadImageResource(QStringLiteral("butnie"), ImButNie);
    LoadImageResource(QStringLiteral("butzamknij"), ImButZamknij);
    LoadImageResource(QStringLiteral("butanuluj"), ImButAnuluj);
}

void MessageDialog::SetWarningIcon(int icon)
{
    switch (icon) {
    case IconInfo:
        LoadImageResource(QStringLiteral("ikoinfo"), ImIkona);
        break;
    case IconQuestion:
        LoadImageResource(QStringLiteral("ikopytanie"), ImIkona);
        break;
    case IconWarning:
        LoadImageResource(QStringLiteral("ikouwaga"), ImIkona);
        break;
    default:
        break;
    }
}

int MessageDialog::Show(int buttons, int icon, const QString& text)
{
    LoadWarningImages();
    if (buttons == ButtonsClose || buttons == ButtonsYesNoCancel) {
        const bool question = buttons == ButtonsYesNoCancel;
        PButTak->setVisible(question);
        PButNie->setVisible(question);
        PButAnuluj->setVisible(question);
        pButZamknij->setVisible(!question);
        // A carriage return breaks the line.
        QString shown = text;
        shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        // A long path may break after any of its separators instead of running out of the box.
        shown.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
        LTekstWarning->setText(shown);
        SetWarningIcon(icon);
    }
    answer_ = AnswerNo;

    if (!queuedAnswers_.isEmpty()) {
        answer_ = queuedAnswers_.takeFirst();
        return answer_;
    }

    QScreen* screen = nullptr;
    if (QWidget* active = QApplication::activeWindow(); active && active != this)
        screen = active->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
    drag_.Release();
    // Shown before its loop, so the default button takes the keyboard at once.
    show();
    raise();
    activateWindow();
    if (SkinImage* button = DefaultButton())
        button->setFocus(Qt::ActiveWindowFocusReason);
    exec();
    drag_.Release();
    return answer_;
}

void MessageDialog::CloseWith(int answer)
{
    answer_ = answer;
    done(QDialog::Accepted);
}

bool MessageDialog::Offered(const QWidget* panel) const
{
    return panel->isVisibleTo(this);
}

QList<SkinImage*> MessageDialog::OfferedButtons() const
{
    QList<SkinImage*> buttons;
    for (SkinImage* button : {ImButTak, ImButNie, ImButZamknij, ImButAnuluj})
        if (Offered(button->parentWidget()))
            buttons.append(button);
    std::sort(buttons.begin(), buttons.end(),
              [](const SkinImage* a, const SkinImage* b) { return a->parentWidget()->x() < b->parentWidget()->x(); });
    return buttons;
}

SkinImage* MessageDialog::DefaultButton() const
{
    const QList<SkinImage*> buttons = OfferedButtons();
    return buttons.isEmpty() ? nullptr : buttons.constFirst();
}

void MessageDialog::LCloseClick()
{
    if (Offered(PButAnuluj))
        CloseWith(AnswerCancel);
    else if (Offered(pButZamknij))
        CloseWith(AnswerClose);
    else
        done(QDialog::Rejected);
}

void MessageDialog::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    // A shortcut is the letter alone or with Shift.
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
        const struct { int key; QWidget* panel; int answer; } shortcuts[] = {
            {Qt::Key_T, PButTak, AnswerYes},
            {Qt::Key_N, PButNie, AnswerNo},
            {Qt::Key_A, PButAnuluj, AnswerCancel},
            {Qt::Key_Z, pButZamknij, AnswerClose},
        };
        for (const auto& s : shortcuts) {
            if (key == s.key && Offered(s.panel)) {
                event->accept();
                CloseWith(s.answer);
                return;
            }
        }
    }
    if (key == Qt::Key_Escape && Offered(pButZamknij)) {
        event->accept();
        CloseWith(AnswerClose);
        return;
    }
    // Enter and Space press the focused button (which takes them itself) or else the default.
    if (mods == Qt::NoModifier && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        SkinImage* button = qobject_cast<SkinImage*>(focusWidget());
        if (!OfferedButtons().contains(button))
            button = DefaultButton();
        if (button)
            Q_EMIT button->clicked();
        return;
    }
    // Left and Right move between the buttons, as Tab does.
    if (mods == Qt::NoModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        const QList<SkinImage*> buttons = OfferedButtons();
        if (!buttons.isEmpty()) {
            const qsizetype at = buttons.indexOf(qobject_cast<SkinImage*>(focusWidget()));
            const qsizetype step = key == Qt::Key_Left ? -1 : 1;
            const qsizetype next = at < 0 ? 0 : (at + step + buttons.size()) % buttons.size();
            buttons.at(next)->setFocus(Qt::TabFocusReason);
        }
        event->accept();
        return;
    }
    // Escape without a Zamknij button goes no further (the dialog's own handling would close
    // it); other keys mean nothing here.
    event->accept();
}
