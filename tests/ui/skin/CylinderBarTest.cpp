#include "ui/skin/CylinderBar.h"
#include "StatusBars.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage Render(CylinderBar& bar)
{
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct Rgb {
    int r, g, b;
};

::testing::AssertionResult PixelIs(const QImage& image, int x, int y, Rgb expected)
{
    const QRgb p = image.pixel(x, y);
    if (qRed(p) == expected.r && qGreen(p) == expected.g && qBlue(p) == expected.b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << qRed(p) << ", "
                                         << qGreen(p) << ", " << qBlue(p) << ", expected " << expected.r
                                         << ", " << expected.g << ", " << expected.b;
}

// The main window's Progress bar: 120 x 15, no bevels, bevel width 1, border 0, so the bar
// area is columns 2..117 and rows 2..12.
class StatusBar : public ::testing::Test {
protected:
    void SetUp() override { ApplyStatusBarDesign(bar, kProgressColor, 15); }
    CylinderBar bar;
};

const Rgb kFace{172, 185, 164};
const Rgb kBorder{0, 64, 64};
// Filled part, rows 2..12 (rows 2 and 12 lie under the frame).
const Rgb kFilledRows[11] = {{79, 99, 76},  {89, 111, 85},  {99, 124, 94},  {109, 136, 104},
                             {99, 124, 94}, {89, 111, 85},  {79, 99, 76},   {69, 87, 66},
                             {60, 74, 57},  {50, 62, 47},   {40, 50, 38}};
const Rgb kEmptyRow5{204, 221, 199};

TEST_F(StatusBar, FilledRowsFollowTheReferenceShading)
{
    const QImage image = Render(bar);
    ASSERT_EQ(image.size(), QSize(120, 15));
    for (int y = 3; y <= 11; ++y)
        for (int x = 3; x < bar.BarEnd(); ++x)
            ASSERT_TRUE(PixelIs(image, x, y, kFilledRows[y - 2]));
    for (int x = 3; x <= 116; ++x) {
        EXPECT_TRUE(PixelIs(image, x, 2, kBorder));
        EXPECT_TRUE(PixelIs(image, x, 12, kBorder));
    }
    for (int y = 2; y <= 12; ++y) {
        EXPECT_TRUE(PixelIs(image, 2, y, kBorder));
        EXPECT_TRUE(PixelIs(image, 117, y, kBorder));
    }
}

TEST_F(StatusBar, EmptyPartOfRowFive)
{
    const QImage image = Render(bar);
    for (int x = bar.BarEnd() + 1; x <= 116; ++x)
        EXPECT_TRUE(PixelIs(image, x, 5, kEmptyRow5));
}

TEST_F(StatusBar, MarginsShowTheControlsColour)
{
    const QImage image = Render(bar);
    for (int x = 0; x < 120; ++x)
        for (int y : {0, 1, 13, 14})
            EXPECT_TRUE(PixelIs(image, x, y, kFace));
    for (int y = 0; y < 15; ++y)
        for (int x : {0, 1, 119})
            EXPECT_TRUE(PixelIs(image, x, y, kFace));
}

// The bar-end line in ForeLineColor (0, 64, 64) shaded like its row; on row 5 (the light line).
TEST_F(StatusBar, BarEndColumnAtZeroTwentyAndHundred)
{
    const Rgb lineRow5{63, 111, 111};
    const struct {
        int position, column;
    } cases[] = {{0, 3}, {20, 25}, {100, 118}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.BarEnd(), c.column);
        const QImage image = Render(bar);
        EXPECT_TRUE(PixelIs(image, c.column, 5, lineRow5));
        if (c.column - 1 > 2 && c.column - 1 < 117) {
            EXPECT_TRUE(PixelIs(image, c.column - 1, 5, kFilledRows[3]));
        }
        if (c.column + 1 <= 116) {
            EXPECT_TRUE(PixelIs(image, c.column + 1, 5, kEmptyRow5));
        }
    }
    // At Max the line lies one column past the bar area, in the margin, and the frame is whole.
    const QImage full = Render(bar);
    EXPECT_TRUE(PixelIs(full, 117, 5, kBorder));
    EXPECT_TRUE(PixelIs(full, 119, 5, kFace));
    EXPECT_TRUE(PixelIs(full, 116, 5, kFilledRows[3]));
}

TEST_F(StatusBar, ResizingRecomputesTheShading)
{
    CylinderBar other;
    ApplyStatusBarDesign(other, kProgressColor, 40);
    other.resize(120, 15);
    other.SetPosition(20);
    const QImage image = Render(other);
    for (int y = 3; y <= 11; ++y)
        EXPECT_TRUE(PixelIs(image, 10, y, kFilledRows[y - 2]));
    EXPECT_EQ(other.BarEnd(), 25);
}

TEST(CylinderBarRange, MinAndMaxNeverMeetOrCross)
{
    CylinderBar bar;  // 0..100
    bar.SetMax(0);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 1);

    bar.SetMax(100);
    bar.SetMin(100);
    EXPECT_EQ(bar.Min(), 99);
    EXPECT_EQ(bar.Max(), 100);

    bar.SetMin(0);
    bar.SetMin(150);  // above Max: ignored
    EXPECT_EQ(bar.Min(), 0);
    bar.SetMax(-5);   // below Min: ignored
    EXPECT_EQ(bar.Max(), 100);

    // The extremes of the integer range do not overflow.
    bar.SetMin(INT_MIN);
    bar.SetMax(INT_MAX);
    bar.SetPosition(0);
    EXPECT_EQ(bar.Percent(), 50);
    bar.SetPosition(INT_MAX);
    EXPECT_EQ(bar.Percent(), 100);
}

TEST(CylinderBarRange, PositionStaysInsideTheRange)
{
    CylinderBar bar;
    bar.SetMin(10);
    bar.SetMax(20);
    const struct {
        int set, kept;
    } cases[] = {{5, 10}, {15, 15}, {25, 20}, {INT_MIN, 10}, {INT_MAX, 20}};
    for (const auto& c : cases) {
        bar.SetPosition(c.set);
        EXPECT_EQ(bar.Position(), c.kept) << c.set;
    }
    // Moving the range drags the position along.
    bar.SetPosition(12);
    bar.SetMin(14);
    EXPECT_EQ(bar.Position(), 14);
    bar.SetMax(15);
    bar.SetPosition(15);
    bar.SetMax(14);  // equal to Min: raised to 15, unchanged
    EXPECT_EQ(bar.Max(), 15);
}

TEST(CylinderBarRange, PercentRoundsHalvesToEven)
{
    CylinderBar bar;
    bar.SetMax(8);
    const struct {
        int position, percent;
    } eighths[] = {{0, 0}, {1, 12}, {3, 38}, {4, 50}, {5, 62}, {7, 88}, {8, 100}};
    for (const auto& c : eighths) {
        bar.SetPosition(c.position);
        EXPECT_EQ(bar.Percent(), c.percent) << c.position;
    }
    // Halves that binary fractions cannot hold exactly still go to the even neighbour.
    bar.SetMax(40);
    bar.SetPosition(1);  // 2.5
    EXPECT_EQ(bar.Percent(), 2);
    bar.SetMax(200);
    bar.SetPosition(7);  // 3.5
    EXPECT_EQ(bar.Percent(), 4);
}

TEST(CylinderBarEvents, ProgressDoneFiresOnArrivalAtMax)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    int fired = 0;
    CylinderBar* sender = nullptr;
    bar.OnProgressDone = [&](CylinderBar* s) { ++fired; sender = s; };

    bar.SetPosition(99);
    EXPECT_EQ(fired, 0);
    bar.SetPosition(150);  // beyond Max stops at Max
    EXPECT_EQ(bar.Position(), 100);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(sender, &bar);
    bar.SetPosition(100);
    bar.SetPosition(150);
    bar.SetMax(100);
    EXPECT_EQ(fired, 1);
    // Still at Max, the extent changes with the width: fires again.
    bar.resize(150, 15);
    QApplication::sendPostedEvents(&bar, QEvent::Resize);
    (void)Render(bar);
    EXPECT_EQ(fired, 2);
}

class CountingBar : public CylinderBar {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CylinderBar::paintEvent(event);
    }
};

TEST(CylinderBarEvents, AnUpdateThatChangesNeitherExtentNorPercentDrawsNothing)
{
    CountingBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.SetMax(10000);
    bar.SetPosition(20);  // 0.2 percent, extent 4
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QApplication::processEvents();
    bar.paints = 0;

    bar.SetPosition(21);
    bar.SetPosition(40);
    QApplication::processEvents();
    EXPECT_EQ(bar.paints, 0);
    EXPECT_EQ(bar.Position(), 40);

    bar.SetPosition(5000);
    QApplication::processEvents();
    EXPECT_GE(bar.paints, 1);
}

TEST(CylinderBarLook, FlatEffectDrawsOneColourPerPart)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.SetCylinderEffect(ceFlat);
    bar.SetPosition(50);
    const QImage image = Render(bar);
    for (int y = 4; y <= 10; ++y) {
        EXPECT_EQ(image.pixel(10, y), image.pixel(10, 3));
        EXPECT_EQ(image.pixel(100, y), image.pixel(100, 3));
    }
    EXPECT_NE(image.pixel(10, 5), image.pixel(100, 5));
    // ColorRGB times the factor: the fore colour's red 61 gives (0.75 * 61 + 63.75) / 255 * 255.
    EXPECT_EQ(qRed(image.pixel(10, 5)), 109);
}

TEST(CylinderBarLook, VerticalBarGrowsUpwardAndTurnsItsCaption)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.resize(15, 100);
    bar.SetOrientation(pbVertical);
    EXPECT_EQ(bar.FontOrientation(), foBottomToTop);
    bar.SetPosition(50);
    EXPECT_EQ(bar.BarEnd(), 50);  // B 98 minus length round(50) - round(2)
    const QImage image = Render(bar);
    // Column 5 is the light line (counter -3 + 3): full brightness of each part's colour.
    EXPECT_TRUE(PixelIs(image, 5, 70, kFilledRows[3]));
    EXPECT_TRUE(PixelIs(image, 5, 30, kEmptyRow5));
    EXPECT_TRUE(PixelIs(image, 5, 50, Rgb{63, 111, 111}));
    bar.SetOrientation(pbHorizontal);
    EXPECT_EQ(bar.FontOrientation(), foLeftToRight);
}

TEST(CylinderBarLook, CaptionShowsTextDoneOnlyAtHundredPercent)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.SetMax(1000);
    bar.SetPosition(994);  // 99.4: rounds to 99
    const QImage plain = Render(bar);
    bar.SetTextDone(QStringLiteral("Gotowe"));
    EXPECT_EQ(Render(bar), plain);
    bar.SetPosition(995);  // 99.5: rounds to the even 100
    const QImage done = Render(bar);
    bar.SetTextDone(QString());
    EXPECT_NE(done, Render(bar));
}

TEST(CylinderBarLook, InvertedCaptionInvertsThePixelsUnderIt)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.SetPosition(50);
    const QImage before = Render(bar);
    bar.SetFontEffect(feInvert);
    bar.SetText(QStringLiteral("50%"));
    const QImage after = Render(bar);
    int inverted = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 120; ++x) {
            const QRgb a = before.pixel(x, y);
            const QRgb b = after.pixel(x, y);
            if (a == b)
                continue;
            ASSERT_EQ(qRed(b), 255 - qRed(a));
            ASSERT_EQ(qGreen(b), 255 - qGreen(a));
            ASSERT_EQ(qBlue(b), 255 - qBlue(a));
            ++inverted;
        }
    }
    EXPECT_GT(inverted, 20);
}

TEST(CylinderBarLook, ShadowedCaptionUsesTheShadowColour)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.SetFontColor(clWhite);
    bar.SetFontShadowColor(RGBToColor(255, 0, 0));
    bar.SetText(QStringLiteral("ABC"));
    const QImage image = Render(bar);
    int reddish = 0, white = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 120; ++x) {
            const QRgb p = image.pixel(x, y);
            reddish += qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            white += qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240;
        }
    EXPECT_GT(reddish, 3);
    EXPECT_GT(white, 3);
}

// System colour numbers follow the palette's matching roles, also after a palette change.
TEST(CylinderBarLook, SystemColoursFollowThePalette)
{
    EXPECT_EQ(ColorToRGB(RGBToColor(1, 2, 3), QPalette()), qRgb(1, 2, 3));
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(40, 80, 120));
    palette.setColor(QPalette::Highlight, QColor(10, 20, 30));
    palette.setColor(QPalette::Light, QColor(250, 240, 230));
    palette.setColor(QPalette::Dark, QColor(70, 60, 50));
    palette.setColor(QPalette::Midlight, QColor(200, 190, 180));
    palette.setColor(QPalette::Shadow, QColor(5, 6, 7));
    const struct {
        SkinColor color;
        QRgb rgb;
    } roles[] = {{clBtnFace, qRgb(40, 80, 120)},        {clHighlight, qRgb(10, 20, 30)},
                 {clBtnHighlight, qRgb(250, 240, 230)}, {clBtnShadow, qRgb(70, 60, 50)},
                 {cl3DLight, qRgb(200, 190, 180)},      {cl3DDkShadow, qRgb(5, 6, 7)}};
    for (const auto& r : roles)
        EXPECT_EQ(ColorToRGB(r.color, palette), r.rgb) << std::hex << r.color;

    // A default bar: empty part in button face, control colour button face.
    CylinderBar bar;
    bar.resize(120, 15);
    bar.SetBevelInner(bvNone);
    bar.SetBevelOuter(bvNone);
    bar.SetBorderWidth(0);
    bar.setPalette(palette);
    bar.SetPosition(0);
    QImage image = Render(bar);
    // Row 5 carries the light line; (0.75 c + 63.75) / 255 * 255 per channel.
    EXPECT_TRUE(PixelIs(image, 100, 5, Rgb{93, 123, 153}));
    EXPECT_TRUE(PixelIs(image, 0, 0, Rgb{40, 80, 120}));

    palette.setColor(QPalette::Button, QColor(200, 200, 200));
    bar.setPalette(palette);
    image = Render(bar);
    EXPECT_TRUE(PixelIs(image, 100, 5, Rgb{213, 213, 213}));
}

TEST(CylinderBarStyle, RefusesDivisorsOfZeroAndRecomputesOnChange)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    CylinderColorStyle& style = bar.ForeStyle();
    style.SetIntensity(0);
    style.SetRangeRGB(0);
    style.SetLightAngle(0);
    EXPECT_EQ(style.Intensity(), 4.0f);
    EXPECT_EQ(style.RangeRGB(), 255);
    EXPECT_EQ(style.LightAngle(), -3.0f);

    const QImage before = Render(bar);
    style.SetColorRGB(200);
    const QImage after = Render(bar);
    // Row 5 filled: trunc(200 * (0.75 * 61 + 63.75) / 255) = 85.
    EXPECT_EQ(qRed(after.pixel(10, 5)), 85);
    EXPECT_EQ(after.pixel(100, 5), before.pixel(100, 5));  // the empty part has its own style

    // Assigning a style copies all seven values.
    CylinderBar other;
    other.BackStyle().SetIntensityRGB(10);
    other.BackStyle().SetIntensity(2);
    other.BackStyle().SetIntensityFactor(0.5f);
    other.BackStyle().SetRangeRGB(100);
    other.BackStyle().SetColorRGB(30);
    other.BackStyle().SetColorFactor(2);
    other.BackStyle().SetLightAngle(5);
    bar.SetBackStyle(other.BackStyle());
    const CylinderColorStyle& copy = bar.BackStyle();
    EXPECT_EQ(copy.IntensityRGB(), 10);
    EXPECT_EQ(copy.Intensity(), 2.0f);
    EXPECT_EQ(copy.IntensityFactor(), 0.5f);
    EXPECT_EQ(copy.RangeRGB(), 100);
    EXPECT_EQ(copy.ColorRGB(), 30);
    EXPECT_EQ(copy.ColorFactor(), 2.0f);
    EXPECT_EQ(copy.LightAngle(), 5.0f);
}

// Extreme but accepted style values give saturated colours, never garbage.
TEST(CylinderBarStyle, ExtremeValuesSaturate)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    bar.ForeStyle().SetLightAngle(1e-30f);
    bar.ForeStyle().SetIntensity(1e-30f);
    bar.BackStyle().SetColorFactor(1e30f);
    bar.BackStyle().SetIntensityFactor(-1e30f);
    const QImage image = Render(bar);
    // The fore factors are huge and the counter far from the light: channels saturate at 0 or 255.
    for (int y = 3; y <= 11; ++y) {
        const QRgb p = image.pixel(10, y);
        for (int c : {qRed(p), qGreen(p), qBlue(p)})
            EXPECT_TRUE(c == 0 || c == 255) << y << ": " << c;
    }
    EXPECT_TRUE(PixelIs(image, 0, 0, kFace));
}

TEST(CylinderBarLayout, WidthsThatLeaveNoBarAreaAreRolledBack)
{
    CylinderBar bar;
    ApplyStatusBarDesign(bar, kProgressColor, 15);
    EXPECT_TRUE(bar.LayoutValid());
    bar.SetBevelWidth(7);   // inner inset 14 of 15 rows
    EXPECT_EQ(bar.BevelWidth(), 1);
    bar.SetBorderWidth(13);
    EXPECT_EQ(bar.BorderWidth(), 0);
    bar.SetBorderWidth(-3);
    EXPECT_EQ(bar.BorderWidth(), 0);
    bar.SetBorderWidth(4);  // inset 6: rows 6..8 remain
    EXPECT_EQ(bar.BorderWidth(), 4);
    bar.resize(3, 15);
    EXPECT_FALSE(bar.LayoutValid());
}

TEST(CylinderBarLayout, BevelsAreDrawnInTheirColours)
{
    CylinderBar bar;  // defaults: outer lowered, inner raised, border 2, bevel colour button face
    bar.resize(60, 20);
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(100, 100, 100));
    palette.setColor(QPalette::Light, QColor(250, 250, 250));
    palette.setColor(QPalette::Dark, QColor(50, 50, 50));
    palette.setColor(QPalette::Midlight, QColor(200, 200, 200));
    palette.setColor(QPalette::Shadow, QColor(10, 10, 10));
    bar.setPalette(palette);
    const QImage image = Render(bar);
    // Outer lowered: shadow top-left, light bottom-right.
    EXPECT_TRUE(PixelIs(image, 10, 0, Rgb{50, 50, 50}));
    EXPECT_TRUE(PixelIs(image, 0, 10, Rgb{50, 50, 50}));
    EXPECT_TRUE(PixelIs(image, 10, 19, Rgb{250, 250, 250}));
    EXPECT_TRUE(PixelIs(image, 59, 10, Rgb{250, 250, 250}));
    // Border gap in the control's colour, inner raised at inset 3: light, then shadow.
    EXPECT_TRUE(PixelIs(image, 10, 1, Rgb{100, 100, 100}));
    EXPECT_TRUE(PixelIs(image, 10, 3, Rgb{250, 250, 250}));
    EXPECT_TRUE(PixelIs(image, 10, 16, Rgb{50, 50, 50}));

    // A bevel colour of our own: light and shadow are 64 brighter and darker.
    bar.SetBevelColor(RGBToColor(100, 20, 240));
    const QImage own = Render(bar);
    EXPECT_TRUE(PixelIs(own, 10, 0, Rgb{36, 0, 176}));
    EXPECT_TRUE(PixelIs(own, 10, 19, Rgb{164, 84, 255}));
}

} // namespace
