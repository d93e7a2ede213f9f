// Every text of every window whole in its place and every picture dense enough for the screen:
// run as it is and once more on a screen scaled to 175 % (QT_SCALE_FACTOR=1.75).

#include "WindowsFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

class WindowTexts : public WindowsTest {
protected:
    std::vector<QWidget*> Windows() const
    {
        return {mainWindow, menu, editor, settingsWindow, aboutWindow, &Program().Main().Warning()};
    }
};

TEST_F(WindowTexts, NoTextIsCutOff)
{
    // The editor's longest name, its note and the settings as they show at their longest.
    editor->ENazwa->setText(QStringLiteral("abcdefghijklmnopqrst"));
    int checked = 0;
    for (QWidget* window : Windows()) {
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->objectName() == QStringLiteral("LPolozenie"))
                continue;  // the location line shortens a long path on purpose
            const QRect room = label->contentsRect();
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(room.width()), label->height())
                    << window->objectName().toStdString() << " " << label->objectName().toStdString();
            } else {
                for (const QString& line : label->text().split(QLatin1Char('\n')))
                    EXPECT_LE(label->fontMetrics().horizontalAdvance(line), room.width())
                        << window->objectName().toStdString() << " " << label->objectName().toStdString() << ": "
                        << line.toStdString();
            }
            ++checked;
        }
        for (const SkinLabel* item : window->findChildren<SkinLabel*>()) {
            EXPECT_LE(item->fontMetrics().horizontalAdvance(item->text()), item->width()) << item->text().toStdString();
            ++checked;
        }
        for (const QCheckBox* box : window->findChildren<QCheckBox*>()) {
            EXPECT_LE(box->sizeHint().width(), box->width()) << box->text().toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 30);
}

TEST_F(WindowTexts, PicturesAreDenseEnoughForTheScreen)
{
    const qreal screen = qApp->devicePixelRatio();
    if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
        EXPECT_GT(screen, 1.0);  // the scaled run does scale
    }
    int pictures = 0;
    for (QWidget* window : Windows()) {
        for (const SkinImage* image : window->findChildren<SkinImage*>()) {
            if (image->Picture().isNull())
                continue;
            // Drawn down, never up: a screen scaled past 1 gets the pictures of twice the pixels.
            EXPECT_GE(image->Picture().devicePixelRatio(), screen > 1.0 ? 2.0 : 1.0)
                << window->objectName().toStdString() << " " << image->objectName().toStdString();
            ++pictures;
        }
    }
    EXPECT_GT(pictures, 10);
    // The background keeps the design's size whatever its pixels.
    EXPECT_EQ(mainWindow->ImTlo->Picture().deviceIndependentSize().toSize(), QSize(500, 450));
    EXPECT_EQ(mainWindow->ImTlo->Picture().size(), screen > 1.0 ? QSize(1000, 900) : QSize(500, 450));
}

} // namespace
