#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray ReadTestFile(const char* name)
{
    QFile file(QStringLiteral(SKRYTKAR_TEST_DATA_DIR "/ui/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

struct Picture {
    const char* name;
    int width;
    int height;
};

// Every picture the windows ask for, with the size its window's geometry needs.
const Picture kPictures[] = {
    {"oknowarning", 350, 150},
    {"ikoinfo", 42, 43},
    {"ikopytanie", 42, 43},
    {"ikouwaga", 42, 43},
    {"buttak", 88, 26},
    {"butnie", 88, 26},
    {"butanuluj", 88, 26},
    {"butzamknij", 88, 26},
    {"but_przetwarzam", 137, 87},
    {"but_wykonano", 137, 87},
    {"tlo_glowny", 500, 450},
    {"tlo_edycja", 409, 297},
    {"tlo_menu_plik", 124, 174},
    {"tlo_menu_edycja", 124, 125},
    {"tlo_menu_pomoc", 125, 87},
    {"tlo_about", 332, 194},
    {"tlo_przywracanie", 440, 340},
    {"tlo_ustawienia", 400, 420},
    {"tlo_historia", 560, 380},
};

TEST(ImageResource, EveryPictureDecodesAtItsSizeWhateverTheLetterCase)
{
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.name);
        const QString lower = QString::fromLatin1(p.name);
        QString mixed = lower;
        for (int i = 0; i < mixed.size(); i += 2)
            mixed[i] = mixed[i].toUpper();
        for (const QString& name : {lower, lower.toUpper(), mixed}) {
            const QImage image = ImageResource(name);
            ASSERT_FALSE(image.isNull()) << qPrintable(name);
            EXPECT_EQ(image.size(), QSize(p.width, p.height));
            EXPECT_EQ(image.format(), QImage::Format_RGB888);
        }
    }
}

TEST(ImageResource, LoadPutsThePictureIntoTheImageControl)
{
    SkinImage image;
    ASSERT_TRUE(LoadImageResource(QStringLiteral("BUTTAK"), &image));
    EXPECT_EQ(image.Picture().size(), QSize(88, 26));
    EXPECT_EQ(image.Picture(), ImageResource(QStringLiteral("buttak")));
}

TEST(ImageResource, AMissingPictureLeavesTheControlAsItWas)
{
    SkinImage image;
    ASSERT_TRUE(LoadImageResource(QStringLiteral("ikoinfo"), &image));
    const QImage before = image.Picture();
    EXPECT_FALSE(LoadImageResource(QStringLiteral("nie_ma_takiego"), &image));
    EXPECT_FALSE(LoadImageResource(QString(), &image));
    EXPECT_EQ(image.Picture(), before);
    EXPECT_TRUE(ImageResource(QStringLiteral("ikoinfo.jpg")).isNull());
}

// Channel order and colours survive the decoder: sample places whose colour the skin fixes.
TEST(ImageResource, DecodedColoursAreTheDrawnOnes)
{
    auto near = [](QRgb actual, QRgb expected) {
        return std::abs(qRed(actual) - qRed(expected)) <= 6 && std::abs(qGreen(actual) - qGreen(expected)) <= 6
               && std::abs(qBlue(actual) - qBlue(expected)) <= 6;
    };
    const QImage dialog = ImageResource(QStringLiteral("oknowarning"));
    EXPECT_TRUE(near(dialog.pixel(175, 70), qRgb(255, 255, 255)));   // white message area
    const QRgb strip = dialog.pixel(200, 10);                         // yellow title strip
    EXPECT_GT(qRed(strip), 230);
    EXPECT_GT(qGreen(strip), 190);
    EXPECT_LT(qBlue(strip), 150);

    // The band under the status panel's bars is plain, in the bars' own face colours.
    for (const char* name : {"but_przetwarzam", "but_wykonano"}) {
        const QImage status = ImageResource(QLatin1String(name));
        EXPECT_TRUE(near(status.pixel(60, 40), qRgb(172, 185, 164))) << name;
        EXPECT_TRUE(near(status.pixel(60, 55), qRgb(149, 158, 141))) << name;
    }

    // The main window's close glyph is red-brown, its archive button dark green.
    const QImage main = ImageResource(QStringLiteral("tlo_glowny"));
    const QRgb close = main.pixel(470, 22);
    EXPECT_GT(qRed(close), qGreen(close) + 30);
    const QRgb archive = main.pixel(400, 380);
    EXPECT_GT(qGreen(archive), qRed(archive));
    EXPECT_LT(qGray(archive), 110);
}

TEST(DecodeJpeg, RefusesWhatIsNotASoundJpeg)
{
    const struct {
        const char* file;
    } cases[] = {{"garbage.jpg"}, {"truncated.jpg"}, {"damaged.jpg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QString error;
        EXPECT_TRUE(DecodeJpeg(ReadTestFile(c.file), &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    EXPECT_TRUE(DecodeJpeg(QByteArray(), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

TEST(DecodeJpeg, DecodesASoundFileAndClearsTheErrorText)
{
    QString error = QStringLiteral("left over");
    const QImage image = DecodeJpeg(ReadTestFile("sound.jpg"), &error);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(88, 26));
    EXPECT_TRUE(error.isEmpty());
}

} // namespace
