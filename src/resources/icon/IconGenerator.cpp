// Draws Skrytkar's application icon: a green rounded tile holding a yellow strongbox with an
// arrow going in. Run it to write skrytkar.png (256 x 256) into the folder given.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    constexpr int size = 256;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The tile: the dark green of the menus, lit from the top.
    QLinearGradient tile(0, 0, 0, size);
    tile.setColorAt(0, QColor(0x4C, 0x8A, 0x46));
    tile.setColorAt(1, QColor(0x20, 0x38, 0x1D));
    p.setPen(QPen(QColor(0x14, 0x24, 0x12), 4));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, size - 16, size - 16), 44, 44);

    // The strongbox: a yellow body with a darker lid and a keyhole plate.
    const QRectF body(52, 116, 152, 96);
    QLinearGradient bodyFill(0, body.top(), 0, body.bottom());
    bodyFill.setColorAt(0, QColor(0xFF, 0xE0, 0x6A));
    bodyFill.setColorAt(1, QColor(0xE0, 0xA8, 0x22));
    p.setPen(QPen(QColor(0x5A, 0x3C, 0x08), 5));
    p.setBrush(bodyFill);
    p.drawRoundedRect(body, 12, 12);
    const QRectF lid(44, 96, 168, 32);
    QLinearGradient lidFill(0, lid.top(), 0, lid.bottom());
    lidFill.setColorAt(0, QColor(0xF2, 0xC4, 0x3A));
    lidFill.setColorAt(1, QColor(0xC0, 0x86, 0x14));
    p.setBrush(lidFill);
    p.drawRoundedRect(lid, 10, 10);
    p.setBrush(QColor(0x5A, 0x3C, 0x08));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(112, 150, 32, 40), 6, 6);
    p.setBrush(QColor(0xFF, 0xE0, 0x6A));
    p.drawEllipse(QPointF(128, 164), 6, 6);
    p.drawRect(QRectF(126, 166, 4, 14));

    // The arrow going into the box.
    QPainterPath arrow;
    arrow.moveTo(112, 30);
    arrow.lineTo(144, 30);
    arrow.lineTo(144, 62);
    arrow.lineTo(166, 62);
    arrow.lineTo(128, 100);
    arrow.lineTo(90, 62);
    arrow.lineTo(112, 62);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x14, 0x24, 0x12), 4));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.end();

    const QString path = folder + QStringLiteral("/skrytkar.png");
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", path.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
