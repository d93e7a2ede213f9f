// Draws Skrytkar's application icon: a green rounded tile holding a yellow strongbox with an
// arrow going in. Writes one PNG per size of the desktop's icon theme into
// <folder>/<N>x<N>/apps/io.github.skrytkar.Skrytkar.png (scripts/make-icons.sh runs it; the PNGs are committed).
//
// Each size is drawn for its own pixel grid rather than scaled down from the large one: edges
// fall on whole pixels, outlines stay at least one pixel wide, and details too small to read
// (the keyhole, the lid's seam) are left out, so the small sizes stay sharp.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int Sizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr double Design = 256.0;  // the drawing's own units

const QColor TileTop(0x4C, 0x8A, 0x46);
const QColor TileBottom(0x20, 0x38, 0x1D);
const QColor TileEdge(0x14, 0x24, 0x12);
const QColor BoxEdge(0x5A, 0x3C, 0x08);
const QColor BodyTop(0xFF, 0xE0, 0x6A);
const QColor BodyBottom(0xE0, 0xA8, 0x22);
const QColor LidTop(0xF2, 0xC4, 0x3A);
const QColor LidBottom(0xC0, 0x86, 0x14);

class Icon {
public:
    explicit Icon(int size) : size_(size), scale_(size / Design) {}

    QImage Draw() const
    {
        QImage image(size_, size_, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        DrawTile(p);
        DrawBox(p);
        DrawArrow(p);
        return image;
    }

private:
    // A length in pixels, never below one pixel.
    double Line(double design) const { return std::max(1.0, std::round(design * scale_)); }
    // A rectangle of the design with its edges on whole pixels.
    QRectF Snap(double x, double y, double w, double h) const
    {
        const double left = std::round(x * scale_);
        const double top = std::round(y * scale_);
        return QRectF(left, top, std::round((x + w) * scale_) - left, std::round((y + h) * scale_) - top);
    }
    double Radius(double design) const { return design * scale_; }

    // A filled rounded rectangle with an outline inside its edge: the outline colour first,
    // then the fill inset by the outline's width, so both stay on the pixel grid.
    static void Outlined(QPainter& p, const QRectF& r, double radius, double line, const QColor& edge,
                         const QBrush& fill)
    {
        p.setBrush(edge);
        p.drawRoundedRect(r, radius, radius);
        p.setBrush(fill);
        const double inner = std::max(0.0, radius - line);
        p.drawRoundedRect(r.adjusted(line, line, -line, -line), inner, inner);
    }

    static QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom)
    {
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        return g;
    }

    void DrawTile(QPainter& p) const
    {
        // Small sizes use the whole square: half a pixel of margin would only blur the edge.
        const double margin = size_ < 32 ? 0 : 6;
        const QRectF tile = Snap(margin, margin, Design - 2 * margin, Design - 2 * margin);
        Outlined(p, tile, Radius(44), Line(4), TileEdge, Vertical(tile, TileTop, TileBottom));
    }

    void DrawBox(QPainter& p) const
    {
        const double line = Line(5);
        // At the smallest sizes the box takes a little more of the tile, to stay readable.
        const bool small = size_ < 32;
        const QRectF body = small ? Snap(40, 144, 176, 80) : Snap(52, 116, 152, 96);
        const QRectF lid = small ? Snap(28, 100, 200, 48) : Snap(44, 96, 168, 32);
        Outlined(p, body, Radius(12), line, BoxEdge, Vertical(body, BodyTop, BodyBottom));
        Outlined(p, lid, Radius(10), line, BoxEdge, Vertical(lid, LidTop, LidBottom));
        if (size_ < 32)
            return;
        // The keyhole plate, from 32 pixels up.
        const QRectF plate = Snap(112, 148, 32, 40);
        p.setBrush(BoxEdge);
        p.drawRoundedRect(plate, Radius(6), Radius(6));
        if (size_ < 48)
            return;
        p.setBrush(BodyTop);
        const double cx = plate.center().x();
        const double hole = std::max(1.5, 6 * scale_);
        p.drawEllipse(QPointF(cx, plate.top() + plate.height() * 0.38), hole, hole);
        const double slot = std::max(1.0, std::round(4 * scale_));
        p.drawRect(QRectF(cx - slot / 2, plate.top() + plate.height() * 0.4, slot, plate.height() * 0.38));
    }

    void DrawArrow(QPainter& p) const
    {
        // The stem and the head, on whole pixels and symmetric about the middle column.
        const double mid = size_ / 2.0;
        const bool small = size_ < 32;
        const double stemHalf = std::max(1.0, std::round((small ? 20 : 16) * scale_));
        const double headHalf = std::max(stemHalf + 2, std::round((small ? 48 : 38) * scale_));
        const double top = std::round((small ? 44 : 30) * scale_);
        const double neck = std::round((small ? 68 : 62) * scale_);
        const double tip = std::round((small ? 108 : 100) * scale_);
        QPainterPath arrow;
        arrow.moveTo(mid - stemHalf, top);
        arrow.lineTo(mid + stemHalf, top);
        arrow.lineTo(mid + stemHalf, neck);
        arrow.lineTo(mid + headHalf, neck);
        arrow.lineTo(mid, tip);
        arrow.lineTo(mid - headHalf, neck);
        arrow.lineTo(mid - stemHalf, neck);
        arrow.closeSubpath();
        // Outline outside the shape, then the white fill over its inner half.
        const double line = Line(4);
        p.setPen(QPen(TileEdge, 2 * line, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(TileEdge);
        p.drawPath(arrow);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(arrow);
    }

    int size_;
    double scale_;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int size : Sizes) {
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = dir + QStringLiteral("/io.github.skrytkar.Skrytkar.png");
        if (!QDir().mkpath(dir) || !Icon(size).Draw().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
