#include "ui/skin/MessageDialog.h"

#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The dialog as the program creates it: once, installed as the message port.
class WarningDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ports = new UserInterfacePorts;
        messageDialog = new MessageDialog;
        ports->SetMessagePort(messageDialog);
    }
    static void TearDownTestSuite()
    {
        delete messageDialog;
        messageDialog = nullptr;
        delete ports;
        ports = nullptr;
    }

    static inline UserInterfacePorts* ports = nullptr;
    static inline MessageDialog* messageDialog = nullptr;

    struct Outcome {
        int answer = -1;      // what ShowWarning returned
        bool closedByAction = false;
    };

    // Shows the dialog through ShowWarning and, while it runs modally, performs the action.
    // If the action leaves the dialog open, it is then closed by the window system (answer 2).
    static Outcome Run(int buttons, int icon, const QString& text, const std::function<void()>& action)
    {
        Outcome outcome;
        QTimer::singleShot(0, messageDialog, [&] {
            EXPECT_TRUE(messageDialog->isVisible());
            EXPECT_TRUE(QTest::qWaitForWindowExposed(messageDialog));
            action();
            outcome.closedByAction = !messageDialog->isVisible();
            if (messageDialog->isVisible())
                messageDialog->close();
        });
        outcome.answer = ShowWarning(buttons, icon, text);
        return outcome;
    }

    static void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(messageDialog, Qt::Key(key), mods);
    }

    // A click at a point of the dialog, through the window so that the widget under the point
    // takes it, as a user's click would.
    static void ClickAt(QPoint pos)
    {
        QTest::mouseClick(messageDialog->windowHandle(), Qt::LeftButton, Qt::NoModifier, pos);
    }
    static QPoint CentreOf(const QWidget* w) { return w->mapTo(messageDialog, w->rect().center()); }
};

TEST_F(WarningDialog, EveryWayOfClosingLeavesItsAnswer)
{
    const int kClose = ButtonsClose;
    const int kQuestion = ButtonsYesNoCancel;
    struct Case {
        const char* what;
        int buttons;
        std::function<void()> action;
        int answer;
        bool closes;
    };
    const Case cases[] = {
        {"click Tak", kQuestion, [] { ClickAt(CentreOf(messageDialog->ImButTak)); }, AnswerYes, true},
        {"click Nie", kQuestion, [] { ClickAt(CentreOf(messageDialog->ImButNie)); }, AnswerNo, true},
        {"click Anuluj", kQuestion, [] { ClickAt(CentreOf(messageDialog->ImButAnuluj)); }, AnswerCancel, true},
        {"click Zamknij", kClose, [] { ClickAt(CentreOf(messageDialog->ImButZamknij)); }, AnswerClose, true},
        {"click LClose, Anuluj shown", kQuestion, [] { ClickAt(QPoint(331, 16)); }, AnswerCancel, true},
        {"click LClose, Zamknij shown", kClose, [] { ClickAt(QPoint(331, 16)); }, AnswerClose, true},
        {"click LClose at its left edge", kClose, [] { ClickAt(QPoint(323, 8)); }, AnswerClose, true},
        {"Escape, Zamknij shown", kClose, [] { Key(Qt::Key_Escape); }, AnswerClose, true},
        {"Escape, Zamknij hidden", kQuestion, [] { Key(Qt::Key_Escape); }, AnswerNo, false},
        // Enter and Space press the default button, the first; the arrows and Tab move the
        // keyboard to another one, and the focused button takes Enter and Space itself.
        {"Enter, question", kQuestion, [] { Key(Qt::Key_Return); }, AnswerYes, true},
        {"keypad Enter, question", kQuestion, [] { Key(Qt::Key_Enter, Qt::KeypadModifier); }, AnswerYes, true},
        {"Space, question", kQuestion, [] { Key(Qt::Key_Space); }, AnswerYes, true},
        {"Enter, notice", kClose, [] { Key(Qt::Key_Return); }, AnswerClose, true},
        {"Space, notice", kClose, [] { Key(Qt::Key_Space); }, AnswerClose, true},
        {"Right, Enter", kQuestion, [] { Key(Qt::Key_Right); Key(Qt::Key_Return); }, AnswerNo, true},
        {"Left, Space", kQuestion, [] { Key(Qt::Key_Left); Key(Qt::Key_Space); }, AnswerCancel, true},
        {"Tab, Tab, Enter on the focused button", kQuestion,
         [] {
             Key(Qt::Key_Tab);
             Key(Qt::Key_Tab);
             QTest::keyClick(messageDialog->focusWidget(), Qt::Key_Return);
         },
         AnswerCancel, true},
        {"Ctrl+Enter is nothing", kQuestion, [] { Key(Qt::Key_Return, Qt::ControlModifier); }, AnswerNo, false},
        {"T", kQuestion, [] { Key(Qt::Key_T); }, AnswerYes, true},
        {"Shift+T", kQuestion, [] { Key(Qt::Key_T, Qt::ShiftModifier); }, AnswerYes, true},
        {"N", kQuestion, [] { Key(Qt::Key_N); }, AnswerNo, true},
        {"Shift+N", kQuestion, [] { Key(Qt::Key_N, Qt::ShiftModifier); }, AnswerNo, true},
        {"A", kQuestion, [] { Key(Qt::Key_A); }, AnswerCancel, true},
        {"Shift+A", kQuestion, [] { Key(Qt::Key_A, Qt::ShiftModifier); }, AnswerCancel, true},
        {"Z", kClose, [] { Key(Qt::Key_Z); }, AnswerClose, true},
        {"Shift+Z", kClose, [] { Key(Qt::Key_Z, Qt::ShiftModifier); }, AnswerClose, true},
        {"N with Nie hidden", kClose, [] { Key(Qt::Key_N); }, AnswerNo, false},
        {"T with Tak hidden", kClose, [] { Key(Qt::Key_T); }, AnswerNo, false},
        {"Z with Zamknij hidden", kQuestion, [] { Key(Qt::Key_Z); }, AnswerNo, false},
        {"Ctrl+T is no shortcut", kQuestion, [] { Key(Qt::Key_T, Qt::ControlModifier); }, AnswerNo, false},
        {"closed by the window system", kQuestion, [] { messageDialog->close(); }, AnswerNo, true},
        {"closed by the window system, notice", kClose, [] { messageDialog->close(); }, AnswerNo, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = Run(c.buttons, IconInfo, QStringLiteral("Pytanie?"), c.action);
        EXPECT_EQ(outcome.answer, c.answer);
        EXPECT_EQ(outcome.closedByAction, c.closes);
        EXPECT_FALSE(messageDialog->isVisible());
    }
}

TEST_F(WarningDialog, ButtonSetsAndIconsOfTwoConsecutiveCalls)
{
    struct Seen {
        bool tak, nie, anuluj, zamknij;
        QImage icon;
        QString text;
    };
    auto look = [](Seen* seen) {
        return [seen] {
            *seen = {messageDialog->PButTak->isVisible(), messageDialog->PButNie->isVisible(),
                     messageDialog->PButAnuluj->isVisible(), messageDialog->pButZamknij->isVisible(),
                     messageDialog->ImIkona->Picture(), messageDialog->LTekstWarning->text()};
            Key(Qt::Key_Escape);
            if (messageDialog->isVisible())
                Key(Qt::Key_A);
        };
    };
    Seen first, second, third;
    Run(ButtonsYesNoCancel, IconQuestion, QStringLiteral("Pierwsze"), look(&first));
    Run(ButtonsClose, IconWarning, QStringLiteral("Drugie"), look(&second));
    Run(ButtonsClose, IconInfo, QStringLiteral("Trzecie"), look(&third));

    EXPECT_TRUE(first.tak && first.nie && first.anuluj);
    EXPECT_FALSE(first.zamknij);
    EXPECT_EQ(first.icon, ImageResource(QStringLiteral("ikopytanie")));
    EXPECT_EQ(first.text, QStringLiteral("Pierwsze"));

    EXPECT_FALSE(second.tak || second.nie || second.anuluj);
    EXPECT_TRUE(second.zamknij);
    EXPECT_EQ(second.icon, ImageResource(QStringLiteral("ikouwaga")));
    EXPECT_EQ(second.text, QStringLiteral("Drugie"));

    EXPECT_EQ(third.icon, ImageResource(QStringLiteral("ikoinfo")));

    // Every picture is loaded into its place.
    EXPECT_EQ(messageDialog->ImWarning->Picture(), ImageResource(QStringLiteral("oknowarning")));
    EXPECT_EQ(messageDialog->ImButTak->Picture(), ImageResource(QStringLiteral("buttak")));
    EXPECT_EQ(messageDialog->ImButNie->Picture(), ImageResource(QStringLiteral("butnie")));
    EXPECT_EQ(messageDialog->ImButAnuluj->Picture(), ImageResource(QStringLiteral("butanuluj")));
    EXPECT_EQ(messageDialog->ImButZamknij->Picture(), ImageResource(QStringLiteral("butzamknij")));
}

TEST_F(WarningDialog, IconCodeZeroAndUnknownButtonSetsKeepWhatWasShown)
{
    QImage icon;
    QString text;
    bool zamknij = false;
    Run(ButtonsClose, IconWarning, QStringLiteral("Uwaga"), [] { Key(Qt::Key_Z); });
    Run(ButtonsClose, 0, QStringLiteral("Bez ikony"), [&] {
        icon = messageDialog->ImIkona->Picture();
        Key(Qt::Key_Z);
    });
    EXPECT_EQ(icon, ImageResource(QStringLiteral("ikouwaga")));

    // Button set 2 changes neither the buttons, nor the text, nor the icon.
    const Outcome outcome = Run(2, IconQuestion, QStringLiteral("Nowy tekst"), [&] {
        icon = messageDialog->ImIkona->Picture();
        text = messageDialog->LTekstWarning->text();
        zamknij = messageDialog->pButZamknij->isVisible();
        Key(Qt::Key_Z);
    });
    EXPECT_EQ(icon, ImageResource(QStringLiteral("ikouwaga")));
    EXPECT_EQ(text, QStringLiteral("Bez ikony"));
    EXPECT_TRUE(zamknij);
    EXPECT_EQ(outcome.answer, AnswerClose);
}

TEST_F(WarningDialog, DeletionQuestionShowsTwoExactLines)
{
    const QString name = QStringLiteral("Zdjęcia <2024> & \"różne\"");
    const QString question = QStringLiteral("Czy rzeczywiście usunąć ") + QLatin1Char('"') + name + QLatin1Char('"')
                             + QLatin1Char('?') + QLatin1Char('\r') + QStringLiteral("Tej operacji nie można cofnąć");
    QString shown;
    int lines = 0;
    const Outcome outcome = Run(ButtonsYesNoCancel, IconQuestion, question, [&] {
        shown = messageDialog->LTekstWarning->text();
        const QFontMetrics metrics(messageDialog->LTekstWarning->font());
        const QRect box = metrics.boundingRect(QRect(0, 0, 313, 53), Qt::TextWordWrap, shown);
        lines = (box.height() + metrics.leading()) / metrics.lineSpacing();
        Key(Qt::Key_N);
    });
    EXPECT_EQ(shown, QStringLiteral("Czy rzeczywiście usunąć \"Zdjęcia <2024> & \"różne\"\"?\n"
                                    "Tej operacji nie można cofnąć"));
    EXPECT_EQ(lines, 2);
    // Shown as plain text: the name is never read as markup.
    EXPECT_EQ(messageDialog->LTekstWarning->textFormat(), Qt::PlainText);
    EXPECT_EQ(outcome.answer, AnswerNo);
}

TEST_F(WarningDialog, LongTextWrapsInsideTheFixedLabel)
{
    QRect geometry;
    Run(ButtonsYesNoCancel, IconQuestion,
        QStringLiteral("Utworzenie nowej listy wiąże się z wykasowaniem istniejącej.\r"
                       "Czy rzeczywiście utworzyć nową? ")
            + QString(QStringLiteral("Bardzo długi tekst. ")).repeated(20),
        [&] {
            geometry = messageDialog->LTekstWarning->geometry();
            Key(Qt::Key_A);
        });
    EXPECT_EQ(geometry, QRect(17, 51, 313, 53));
    EXPECT_TRUE(messageDialog->LTekstWarning->wordWrap());
}

TEST_F(WarningDialog, IsABorderlessCentredDialogOnTop)
{
    QRect geometry;
    QPoint screenCentre;
    Run(ButtonsClose, IconInfo, QStringLiteral("Nie masz czego usuwać."), [&] {
        geometry = messageDialog->frameGeometry();
        screenCentre = messageDialog->screen()->geometry().center();
        Key(Qt::Key_Z);
    });
    EXPECT_EQ(geometry.size(), QSize(350, 150));
    EXPECT_LE((geometry.center() - screenCentre).manhattanLength(), 2);
    const Qt::WindowFlags flags = messageDialog->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(messageDialog->isModal());
    EXPECT_EQ(messageDialog->PButTak->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(messageDialog->ImButZamknij->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(WarningDialog, DraggingTheTitleStripMovesTheDialog)
{
    QPoint before, after, afterRelease;
    Run(ButtonsClose, IconInfo, QStringLiteral("Przesuń mnie"), [&] {
        QWindow* window = messageDialog->windowHandle();
        before = messageDialog->pos();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 15));
        QTest::mouseMove(window, QPoint(130, 35));
        QApplication::processEvents();
        after = messageDialog->pos();
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(130, 35) - (after - before));
        QTest::mouseMove(window, QPoint(50, 60));
        QApplication::processEvents();
        afterRelease = messageDialog->pos();
        Key(Qt::Key_Z);
    });
    EXPECT_EQ(after - before, QPoint(30, 20));
    EXPECT_EQ(afterRelease, after);
}

TEST_F(WarningDialog, QueuedAnswersSetTheDialogUpWithoutWaiting)
{
    messageDialog->QueueAnswer(AnswerYes);
    messageDialog->QueueAnswer(AnswerCancel);
    EXPECT_EQ(ShowWarning(ButtonsYesNoCancel, IconQuestion, QStringLiteral("Pierwsze?")), AnswerYes);
    EXPECT_EQ(messageDialog->LTekstWarning->text(), QStringLiteral("Pierwsze?"));
    EXPECT_EQ(ShowWarning(ButtonsClose, IconInfo, QStringLiteral("Drugie")), AnswerCancel);
    EXPECT_TRUE(messageDialog->pButZamknij->isVisibleTo(messageDialog));
    EXPECT_FALSE(messageDialog->PButTak->isVisibleTo(messageDialog));
    EXPECT_EQ(messageDialog->QueuedAnswerCount(), 0);
    EXPECT_FALSE(messageDialog->isVisible());
}

} // namespace
