// Draws every picture of Skrytkar's skin and writes them as JPEG files (libjpeg, quality 95,
// no chroma subsampling, so the small Polish captions stay sharp).
//
//   skrytkar_skin_generator <output folder> [<preview folder>]
//
// With a preview folder it also writes each picture as a PNG enlarged three times, to look at.
//
// The pictures are committed under src/resources/skin/ and compiled in; scripts/make-skin.sh
// builds and runs this tool. Every hot zone of the windows lies over the thing drawn for it:
// the rectangles below are the windows' own geometry.

#include "SkrytkarVersion.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

#include <jpeglib.h>

namespace {

// ---------------------------------------------------------------------------------------------
// The skin's colours

const QColor kMenuText(0x20, 0x38, 0x1D);     // dark green of the menu items (0x1D3820)
const QColor kFore(61, 97, 54);               // filled part of the bars
const QColor kBarBack(188, 210, 181);         // empty part of the bars
const QColor kBevel(137, 182, 142);           // bevel green of the bars
const QColor kBarProgress(172, 185, 164);     // face of the upper bar
const QColor kBarEtap(149, 158, 141);         // face of the lower bar
const QColor kBarBorder(0, 64, 64);

const QColor kSageTop(226, 235, 220);
const QColor kSageBottom(198, 214, 191);
const QColor kFrameDark(40, 72, 36);
const QColor kStripTop(86, 128, 76);
const QColor kStripBottom(38, 68, 34);
const QColor kCream(248, 243, 214);
const QColor kFieldBorder(120, 156, 112);

const QColor kYellowTop(255, 234, 132);
const QColor kYellowBottom(242, 198, 52);
const QColor kYellowBorder(190, 143, 22);
const QColor kBrown(92, 62, 4);
const QColor kFooter(253, 249, 234);

// ---------------------------------------------------------------------------------------------
// Drawing helpers

QFont Font(int pixels, bool bold = false, const QString& face = QStringLiteral("Liberation Sans"))
{
    QFont f;
    f.setFamilies({face, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// A picture of w x h design pixels. It is drawn at the scale the application carries (2 for
// the pictures of high-density screens): the painter works in design pixels either way.
QImage Canvas(int w, int h, const QColor& fill = Qt::white)
{
    const qreal scale = std::max<qreal>(1, qApp->property("pictureScale").toReal());
    QImage image(qRound(w * scale), qRound(h * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fill);
    return image;
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void RoundedPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
                  const QColor& border, const QColor& innerLight = QColor())
{
    p.save();
    p.setPen(QPen(border, 1));
    p.setBrush(Vertical(r, top, bottom));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    if (innerLight.isValid()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(innerLight, 1));
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1, radius - 1);
    }
    p.restore();
}

// The font narrowed (not lowered) as far as a one-line text needs to fit a width.
QFont Fitting(QFont font, const QString& text, int width)
{
    const int advance = QFontMetrics(font).horizontalAdvance(text);
    if (advance > width)
        font.setStretch(std::max(70, width * 100 / advance));
    return font;
}

void Text(QPainter& p, const QRectF& r, const QString& text, const QFont& font, const QColor& color,
          int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, flags, text);
    p.restore();
}

// Text with a one-pixel shadow below and right, for light text on the dark strips.
void EngravedText(QPainter& p, const QRectF& r, const QString& text, const QFont& font,
                  const QColor& color, const QColor& shadow, int flags = Qt::AlignLeft | Qt::AlignVCenter)
{
    Text(p, r.translated(1, 1), text, font, shadow, flags);
    Text(p, r, text, font, color, flags);
}

// A one-pixel dark outline with a light inner line at the top and left and a shade at the
// bottom and right.
void Outline(QPainter& p, int w, int h, const QColor& light, const QColor& shade)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(kFrameDark);
    p.drawRect(0, 0, w - 1, h - 1);
    p.setPen(light);
    p.drawLine(1, 1, w - 2, 1);
    p.drawLine(1, 1, 1, h - 2);
    p.setPen(shade);
    p.drawLine(2, h - 2, w - 2, h - 2);
    p.drawLine(w - 2, 2, w - 2, h - 2);
    p.restore();
}

// A field of the picture's size in a vertical gradient, outlined.
void Body(QPainter& p, int w, int h, const QColor& top = kSageTop, const QColor& bottom = kSageBottom,
          const QColor& light = QColor(246, 250, 242), const QColor& shade = QColor(170, 190, 162))
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(QRectF(0, 0, w, h), top, bottom));
    p.drawRect(0, 0, w, h);
    p.restore();
    Outline(p, w, h, light, shade);
}

// The dark green title strip of the windows.
void TitleStrip(QPainter& p, const QRectF& r)
{
    RoundedPanel(p, r, 9, kStripTop, kStripBottom, kFrameDark, QColor(120, 160, 108, 150));
    // A soft gloss on the upper half.
    p.save();
    QRectF gloss = r.adjusted(3, 2, -3, -r.height() / 2);
    QLinearGradient g(gloss.topLeft(), gloss.bottomLeft());
    g.setColorAt(0, QColor(255, 255, 255, 46));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(gloss, 7, 7);
    p.restore();
}

// A small square button on a title strip, exactly filling its hot zone.
void GlyphButton(QPainter& p, const QRect& zone, const std::function<void(QPainter&, const QRectF&)>& glyph,
                 const QColor& top = QColor(70, 108, 62), const QColor& bottom = QColor(30, 56, 27))
{
    const QRectF r(zone);
    RoundedPanel(p, r, 4, top, bottom, QColor(20, 38, 18), QColor(150, 190, 136, 120));
    p.save();
    glyph(p, r);
    p.restore();
}

void MinimiseGlyph(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kCream, 2, Qt::SolidLine, Qt::RoundCap));
    const qreal y = r.bottom() - r.height() * 0.32;
    p.drawLine(QPointF(r.left() + r.width() * 0.28, y), QPointF(r.right() - r.width() * 0.28, y));
}

void CloseGlyph(QPainter& p, const QRectF& r, const QColor& color = kCream, qreal width = 2)
{
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    const qreal m = r.width() * 0.3;
    p.drawLine(r.topLeft() + QPointF(m, m), r.bottomRight() - QPointF(m, m));
    p.drawLine(QPointF(r.right() - m, r.top() + m), QPointF(r.left() + m, r.bottom() - m));
}

// The program's emblem: a small strongbox (the "skrytka") with a yellow lock plate.
void Emblem(QPainter& p, const QRectF& r)
{
    p.save();
    const qreal w = r.width();
    const qreal h = r.height();
    // Shadow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(r.adjusted(w * 0.06, h * 0.1, w * 0.04, h * 0.05), w * 0.12, w * 0.12);
    // Body.
    const QRectF body = r.adjusted(0, h * 0.22, -w * 0.04, -h * 0.04);
    RoundedPanel(p, body, w * 0.1, QColor(92, 138, 80), QColor(36, 66, 32), kFrameDark);
    // Lid.
    const QRectF lid = QRectF(r.left(), r.top() + h * 0.04, w * 0.96, h * 0.3);
    RoundedPanel(p, lid, w * 0.1, QColor(118, 164, 104), QColor(60, 100, 54), kFrameDark);
    // Bands.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 54, 27, 120));
    p.drawRect(QRectF(body.left() + w * 0.16, lid.top() + 1, w * 0.07, body.bottom() - lid.top() - 2));
    p.drawRect(QRectF(body.right() - w * 0.23, lid.top() + 1, w * 0.07, body.bottom() - lid.top() - 2));
    // Lock plate with a keyhole.
    const QRectF plate(r.left() + w * 0.36, r.top() + h * 0.26, w * 0.24, h * 0.3);
    RoundedPanel(p, plate, w * 0.04, kYellowTop, kYellowBottom, QColor(120, 86, 10));
    p.setBrush(QColor(70, 46, 4));
    const QPointF c = plate.center() - QPointF(0, plate.height() * 0.1);
    p.drawEllipse(c, plate.width() * 0.13, plate.width() * 0.13);
    QPolygonF slot;
    slot << c + QPointF(-plate.width() * 0.07, 0) << c + QPointF(plate.width() * 0.07, 0)
         << c + QPointF(plate.width() * 0.1, plate.height() * 0.36)
         << c + QPointF(-plate.width() * 0.1, plate.height() * 0.36);
    p.drawPolygon(slot);
    p.restore();
}

// A white entry field with a sunken outline.
void Field(QPainter& p, const QRect& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(kFieldBorder);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setPen(QColor(200, 212, 196));
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.restore();
}

// A green push button of the skin, drawn to fill the rectangle.
void GreenButton(QPainter& p, const QRectF& r, const QString& caption, int pixels)
{
    RoundedPanel(p, r, 6, QColor(104, 152, 92), QColor(44, 80, 39), kFrameDark, QColor(170, 210, 150, 140));
    EngravedText(p, r, caption, Font(pixels, true), kCream, QColor(20, 40, 18), Qt::AlignCenter);
}

// ---------------------------------------------------------------------------------------------
// The message dialog

constexpr int kDialogW = 350;
constexpr int kDialogH = 150;
constexpr int kFooterTop = 108;

QImage DialogBackground()
{
    QImage image = Canvas(kDialogW, kDialogH);
    QPainter p(&image);
    Begin(p);
    // White message area, a pale footer for the buttons, a thin ochre outline.
    p.setPen(Qt::NoPen);
    p.setBrush(kFooter);
    p.drawRect(0, kFooterTop, kDialogW, kDialogH - kFooterTop);
    p.setPen(QColor(236, 222, 170));
    p.drawLine(QPointF(8, kFooterTop + 0.5), QPointF(kDialogW - 8, kFooterTop + 0.5));
    // Rounded yellow title strip; the icon (12, 4, 42 x 43) hangs over its left end.
    RoundedPanel(p, QRectF(4, 3, 342, 28), 10, kYellowTop, kYellowBottom, kYellowBorder,
                 QColor(255, 246, 200, 200));
    EngravedText(p, QRectF(62, 4, 250, 26), QStringLiteral("Skrytkar"), Font(14, true), kBrown,
                 QColor(255, 244, 190), Qt::AlignLeft | Qt::AlignVCenter);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kYellowBorder);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, kDialogW - 1, kDialogH - 1);
    return image;
}

// An icon: the yellow rounded square with its sign, drawn over the dialog's own background so
// that its corners match what lies around it.
QImage Icon(const QString& sign)
{
    const QImage back = DialogBackground().copy(12, 4, 42, 43);
    QImage image = back.convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    Begin(p);
    const QRectF square(2, 2, 38, 38);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 60, 0, 60));
    p.drawRoundedRect(square.translated(1, 2), 9, 9);
    RoundedPanel(p, square, 9, QColor(255, 240, 160), QColor(244, 194, 36), QColor(150, 108, 12),
                 QColor(255, 250, 220, 220));
    QFont f = Font(28, true, QStringLiteral("DejaVu Sans"));
    EngravedText(p, square.adjusted(0, 1, 0, 0), sign, f, kBrown, QColor(255, 246, 200), Qt::AlignCenter);
    return image;
}

// A dialog button: yellow, the caption in capitals with its shortcut letter underlined.
QImage DialogButton(const QString& caption)
{
    QImage image = Canvas(88, 26, kFooter);
    QPainter p(&image);
    Begin(p);
    const QRectF r(1, 1, 86, 24);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 90, 10, 50));
    p.drawRoundedRect(r.translated(0, 1), 7, 7);
    RoundedPanel(p, r, 7, kYellowTop, kYellowBottom, kYellowBorder, QColor(255, 248, 210, 200));
    const QFont f = Font(13, true);
    const QFontMetricsF m(f);
    const qreal width = m.horizontalAdvance(caption);
    const qreal x = r.center().x() - width / 2;
    const qreal baseline = r.center().y() + (m.ascent() - m.descent()) / 2;
    p.setFont(f);
    p.setPen(QColor(255, 244, 190));
    p.drawText(QPointF(x + 1, baseline + 1), caption);
    p.setPen(kBrown);
    p.drawText(QPointF(x, baseline), caption);
    // The shortcut letter is underlined.
    const qreal first = m.horizontalAdvance(caption.left(1));
    p.setPen(QPen(kBrown, 1.2));
    p.drawLine(QPointF(x, baseline + 2.5), QPointF(x + first, baseline + 2.5));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Status pictures (137 x 87). The bars lie over them at 7, 33 (120 x 15) and 8, 48 (120 x 14):
// that band is a plain well in the bars' own face colours.

QImage StatusPicture(bool done)
{
    QImage image = Canvas(137, 87);
    QPainter p(&image);
    Begin(p);
    p.setPen(Qt::NoPen);
    p.setBrush(Vertical(QRectF(0, 0, 137, 87), QColor(232, 240, 226), QColor(204, 218, 197)));
    p.drawRect(0, 0, 137, 87);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kFore);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, 136, 86);
    p.setPen(QColor(250, 252, 248));
    p.drawLine(1, 1, 135, 1);
    p.drawLine(1, 1, 1, 85);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Title with its sign.
    const QRectF sign(7, 7, 19, 19);
    if (done) {
        p.setPen(Qt::NoPen);
        p.setBrush(Vertical(sign, QColor(104, 152, 92), QColor(44, 80, 39)));
        p.drawEllipse(sign);
        p.setPen(QPen(kCream, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygonF tick;
        tick << QPointF(11.5, 16.5) << QPointF(15, 20.5) << QPointF(21.5, 12.5);
        p.drawPolyline(tick);
    } else {
        // Two chasing arrows: work in progress.
        p.setPen(QPen(kFore, 2.4, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        const QRectF ring = sign.adjusted(3, 3, -3, -3);
        p.drawArc(ring, 30 * 16, 130 * 16);
        p.drawArc(ring, 210 * 16, 130 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kFore);
        const QPointF c = ring.center();
        const qreal rr = ring.width() / 2;
        QPolygonF a1;
        a1 << c + QPointF(rr - 4, -1.5) << c + QPointF(rr + 4, -1.5) << c + QPointF(rr, 3.5);
        QPolygonF a2;
        a2 << c + QPointF(-rr - 4, 1.5) << c + QPointF(-rr + 4, 1.5) << c + QPointF(-rr, -3.5);
        p.drawPolygon(a1);
        p.drawPolygon(a2);
    }
    Text(p, QRectF(31, 5, 104, 23), done ? QStringLiteral("Wykonano") : QStringLiteral("Przetwarzam…"),
         Fitting(Font(14, true), done ? QStringLiteral("Wykonano") : QStringLiteral("Przetwarzam…"), 94), kMenuText);

    // The well under the bars.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kBarProgress);
    p.drawRect(6, 32, 123, 16);
    p.setBrush(kBarEtap);
    p.drawRect(6, 48, 123, 15);
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(96, 124, 90));
    p.drawLine(5, 31, 129, 31);
    p.drawLine(5, 31, 5, 63);
    p.setPen(QColor(246, 250, 242));
    p.drawLine(5, 64, 130, 64);
    p.drawLine(130, 31, 130, 64);
    p.setRenderHint(QPainter::Antialiasing, true);

    Text(p, QRectF(6, 66, 126, 18),
         done ? QStringLiteral("Archiwizacja zakończona") : QStringLiteral("Esc – przerwij archiwizację"),
         Font(10), kMenuText, Qt::AlignCenter);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Main window (500 x 450)

struct Zone { int x, y, w, h; QRect r() const { return QRect(x, y, w, h); } };
constexpr Zone kMainListwa{16, 8, 401, 33};
constexpr Zone kMainMinime{430, 19, 17, 17};
constexpr Zone kMainClose{462, 20, 17, 17};
constexpr Zone kMenuPlik{17, 55, 58, 17};
constexpr Zone kMenuEdycja{79, 55, 62, 17};
constexpr Zone kMenuPomoc{159, 55, 62, 17};
constexpr Zone kLista{45, 129, 205, 263};
constexpr Zone kArchiwum{316, 336, 141, 51};
constexpr Zone kStatus{314, 198, 137, 87};

QImage MainBackground()
{
    QImage image = Canvas(500, 450);
    QPainter p(&image);
    Begin(p);
    Body(p, 500, 450);

    // Title strip: it spans the drag zone and carries the minimise and close glyphs.
    TitleStrip(p, QRectF(8, 5, 484, 42));
    Emblem(p, QRectF(22, 11, 30, 30));
    EngravedText(p, QRectF(60, 8, 200, 33), QStringLiteral("Skrytkar"), Font(22, true), kCream,
                 QColor(16, 32, 14));
    EngravedText(p, QRectF(170, 14, 240, 27), QStringLiteral("kopie zapasowe plików i folderów"),
                 Font(12), QColor(200, 224, 186), QColor(16, 32, 14));
    GlyphButton(p, kMainMinime.r(), MinimiseGlyph);
    GlyphButton(p, kMainClose.r(), [](QPainter& q, const QRectF& r) { CloseGlyph(q, r); },
                QColor(168, 82, 58), QColor(112, 38, 24));

    // Menu bar with its three titles centred in their hot zones.
    RoundedPanel(p, QRectF(8, 51, 484, 25), 7, QColor(244, 248, 240), QColor(218, 230, 212), kBevel);
    const QFont menuFont = Font(13, true);
    for (const auto& [zone, title] : {std::pair{kMenuPlik, QStringLiteral("Plik")},
                                      std::pair{kMenuEdycja, QStringLiteral("Edycja")},
                                      std::pair{kMenuPomoc, QStringLiteral("Pomoc")}})
        Text(p, QRectF(zone.r()), title, menuFont, kMenuText, Qt::AlignCenter);
    p.setPen(QColor(170, 196, 162));
    p.drawLine(QPointF(77.5, 56), QPointF(77.5, 71));
    p.drawLine(QPointF(150.5, 56), QPointF(150.5, 71));
    p.drawLine(QPointF(229.5, 56), QPointF(229.5, 71));

    // The list: a panel with its heading and a white field under the list box.
    RoundedPanel(p, QRectF(28, 90, 240, 320), 10, QColor(238, 244, 234), QColor(212, 226, 206), kBevel,
                 QColor(255, 255, 255, 160));
    Text(p, QRectF(45, 96, 205, 28), QStringLiteral("Elementy do archiwizacji"), Font(13, true), kMenuText);
    Field(p, QRect(kLista.x - 2, kLista.y - 2, kLista.w + 4, kLista.h + 4));

    // The right column: emblem, status field, archive button.
    RoundedPanel(p, QRectF(288, 90, 186, 320), 10, QColor(238, 244, 234), QColor(212, 226, 206), kBevel,
                 QColor(255, 255, 255, 160));
    Emblem(p, QRectF(349, 104, 64, 58));
    Text(p, QRectF(296, 162, 170, 30), QStringLiteral("Archiwa 7z w folderach\nArch_RRRRMMDD_GGMM"), Font(11),
         kMenuText, Qt::AlignCenter);

    // The status panel shows here during a run; at rest the field gives a hint.
    const QRectF status(kStatus.r());
    RoundedPanel(p, status, 6, QColor(226, 236, 220), QColor(206, 220, 199), kFieldBorder);
    Text(p, status.adjusted(8, 6, -8, -6),
         QStringLiteral("Zaznacz elementy\nna liście i kliknij\n„Archiwizuj”."), Font(12), kMenuText,
         Qt::AlignCenter);

    Text(p, QRectF(292, 288, 178, 46),
         QStringLiteral("Alt+A – archiwizuj zaznaczone\nF10 – menu, F1 – pomoc\nEsc – przerwanie archiwizacji"), Font(10),
         QColor(70, 96, 64), Qt::AlignCenter);

    // The archive button exactly under its hot zone.
    const QRectF button(kArchiwum.r());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawRoundedRect(button.translated(1, 2), 9, 9);
    RoundedPanel(p, button, 9, QColor(112, 160, 98), QColor(40, 76, 35), kFrameDark, QColor(176, 214, 156, 150));
    // Box with a down arrow: into the archive.
    const QRectF box(button.left() + 14, button.top() + 17, 24, 20);
    p.setPen(QPen(kCream, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, 3, 3);
    p.drawLine(QPointF(box.left(), box.top() + 7), QPointF(box.right(), box.top() + 7));
    p.setPen(QPen(kYellowTop, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal ax = box.center().x();
    p.drawLine(QPointF(ax, button.top() + 7), QPointF(ax, box.top() + 12));
    QPolygonF head;
    head << QPointF(ax - 5, box.top() + 7) << QPointF(ax, box.top() + 13) << QPointF(ax + 5, box.top() + 7);
    p.drawPolyline(head);
    EngravedText(p, button.adjusted(44, 0, -6, 0), QStringLiteral("Archiwizuj"), Font(17, true), kCream,
                 QColor(16, 34, 14), Qt::AlignLeft | Qt::AlignVCenter);

    Text(p, QRectF(28, 418, 444, 22), QStringLiteral("Skrytkar " SKRYTKAR_VERSION), Font(10), QColor(84, 110, 78),
         Qt::AlignRight | Qt::AlignVCenter);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Entry editor (409 x 297): all its wording is painted here.

QImage EditorBackground()
{
    QImage image = Canvas(409, 297);
    QPainter p(&image);
    Begin(p);
    Body(p, 409, 297);
    TitleStrip(p, QRectF(6, 5, 397, 32));
    EngravedText(p, QRectF(16, 5, 380, 32), QStringLiteral("Podaj nazwę na liście i wskaż folder archiwum"),
                 Font(14, true), kCream, QColor(16, 32, 14), Qt::AlignCenter);

    const QFont caption = Font(12, true);
    Text(p, QRectF(56, 44, 300, 18), QStringLiteral("Położenie elementu przeznaczonego do archiwizacji:"),
         caption, kMenuText);
    Field(p, QRect(55, 63, 299, 21));     // LPolozenie: 60, 67, 289 x 13
    Text(p, QRectF(57, 93, 300, 18), QStringLiteral("Podaj nazwę pozycji na liście"), caption, kMenuText);
    Field(p, QRect(57, 112, 293, 24));    // ENazwa: 62, 117, 283 x 14
    Text(p, QRectF(57, 142, 300, 18), QStringLiteral("Aktualny folder archiwum, to:"), caption, kMenuText);
    Field(p, QRect(57, 161, 297, 24));    // ESciezka: 63, 166, 285 x 14

    // The new-folder icon under LNowyFolder (87, 198, 20 x 19) and its words.
    const QRectF icon(87, 198, 20, 19);
    p.setPen(QPen(QColor(150, 108, 12), 1));
    p.setBrush(Vertical(icon, kYellowTop, kYellowBottom));
    QPainterPath folder;
    folder.moveTo(icon.left() + 0.5, icon.top() + 4.5);
    folder.lineTo(icon.left() + 7, icon.top() + 4.5);
    folder.lineTo(icon.left() + 9, icon.top() + 6.5);
    folder.lineTo(icon.right() - 0.5, icon.top() + 6.5);
    folder.lineTo(icon.right() - 0.5, icon.bottom() - 0.5);
    folder.lineTo(icon.left() + 0.5, icon.bottom() - 0.5);
    folder.closeSubpath();
    p.drawPath(folder);
    // The "new" mark: a small green star in the corner.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 120, 44));
    const QPointF star(icon.left() + 15, icon.top() + 4);
    QPolygonF burst;
    for (int n = 0; n < 10; ++n) {
        const qreal radius = n % 2 ? 2.0 : 4.6;
        const qreal angle = n * M_PI / 5 - M_PI / 2;
        burst << star + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    p.drawPolygon(burst);
    Text(p, QRectF(112, 198, 280, 19), QStringLiteral("- chcę wskazać nowy folder archiwum"), Font(12), kMenuText);

    p.setPen(QColor(170, 192, 162));
    p.drawLine(QPointF(20, 236.5), QPointF(389, 236.5));
    p.setPen(QColor(246, 250, 242));
    p.drawLine(QPointF(20, 237.5), QPointF(389, 237.5));

    // The two buttons round their hot zones (182, 254, 62 x 13 and 276, 254, 89 x 13).
    GreenButton(p, QRectF(179, 250, 68, 21), QStringLiteral("Anuluj"), 13);
    GreenButton(p, QRectF(273, 250, 95, 21), QStringLiteral("Wprowadź"), 13);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Menu panels: plain fields; the captions are real labels laid over them.

QImage MenuPanel(int w, int h)
{
    QImage image = Canvas(w, h);
    QPainter p(&image);
    Begin(p);
    Body(p, w, h, QColor(176, 204, 166), QColor(154, 186, 145), QColor(214, 232, 206), QColor(118, 150, 110));
    return image;
}

// ---------------------------------------------------------------------------------------------
// About window (332 x 194), close glyph under LClose (297, 11, 22 x 22). Below the rule the
// window lays its licence and credit lines as real labels (AboutWindow.cpp), so the field
// under it stays plain.

QImage AboutBackground()
{
    QImage image = Canvas(332, 194);
    QPainter p(&image);
    Begin(p);
    Body(p, 332, 194);
    TitleStrip(p, QRectF(6, 5, 320, 34));
    EngravedText(p, QRectF(18, 5, 260, 34), QStringLiteral("O programie"), Font(14, true), kCream,
                 QColor(16, 32, 14));
    GlyphButton(p, QRect(297, 11, 22, 22), [](QPainter& q, const QRectF& r) { CloseGlyph(q, r, kCream, 2.2); },
                QColor(168, 82, 58), QColor(112, 38, 24));

    Emblem(p, QRectF(22, 56, 76, 70));
    Text(p, QRectF(116, 48, 200, 40), QStringLiteral("Skrytkar"), Font(32, true), kMenuText);
    Text(p, QRectF(118, 88, 200, 20), QStringLiteral("wersja " SKRYTKAR_VERSION), Font(15, true), kFore);
    Text(p, QRectF(118, 112, 200, 34), QStringLiteral("Kopie zapasowe plików i folderów\nw archiwach 7z."),
         Font(12), kMenuText, Qt::AlignLeft | Qt::AlignTop);
    p.setPen(QColor(170, 192, 162));
    p.drawLine(QPointF(18, 150.5), QPointF(314, 150.5));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Restore window (440 x 340): title strip with the close glyph under LClose (405, 10, 22 x 22),
// the archive list's field, the target choices, the well under the two bars and two buttons.

QImage RestoreBackground()
{
    QImage image = Canvas(440, 340);
    QPainter p(&image);
    Begin(p);
    Body(p, 440, 340);
    TitleStrip(p, QRectF(6, 5, 428, 32));
    EngravedText(p, QRectF(18, 5, 360, 32), QStringLiteral("Przywracanie"), Font(14, true), kCream,
                 QColor(16, 32, 14));
    GlyphButton(p, QRect(405, 10, 22, 22), [](QPainter& q, const QRectF& r) { CloseGlyph(q, r, kCream, 2.2); },
                QColor(168, 82, 58), QColor(112, 38, 24));

    const QFont caption = Font(12, true);
    Text(p, QRectF(20, 43, 44, 18), QStringLiteral("Wpis:"), caption, kMenuText);
    Text(p, QRectF(20, 63, 400, 18), QStringLiteral("Archiwa wpisu, od najnowszego:"), caption, kMenuText);
    Field(p, QRect(18, 82, 404, 122));    // LArchiwa: 21, 85, 398 x 116
    Text(p, QRectF(20, 209, 400, 18), QStringLiteral("Przywróć do:"), caption, kMenuText);

    p.setPen(QColor(170, 192, 162));
    p.drawLine(QPointF(16, 284.5), QPointF(424, 284.5));
    p.setPen(QColor(246, 250, 242));
    p.drawLine(QPointF(16, 285.5), QPointF(424, 285.5));

    // The well under the bars (Progress 22, 296, 200 x 15; ProgresEtap 22, 311, 200 x 14).
    RoundedPanel(p, QRectF(16, 291, 212, 39), 5, kBarProgress, kBarEtap, kFieldBorder);

    // The two buttons exactly under their hot zones (244, 298 and 338, 298, 86 x 24).
    GreenButton(p, QRectF(244, 298, 86, 24), QStringLiteral("Przywróć"), 13);
    GreenButton(p, QRectF(338, 298, 86, 24), QStringLiteral("Zamknij"), 13);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Settings window (400 x 420): title strip with the close glyph under LClose (365, 10, 22 x 22),
// a field behind the four settings, one behind the schedule, and the buttons Anuluj and Zapisz.

QImage SettingsBackground()
{
    QImage image = Canvas(400, 420);
    QPainter p(&image);
    Begin(p);
    Body(p, 400, 420);
    TitleStrip(p, QRectF(6, 5, 388, 32));
    EngravedText(p, QRectF(18, 5, 330, 32), QStringLiteral("Ustawienia"), Font(14, true), kCream,
                 QColor(16, 32, 14));
    GlyphButton(p, QRect(365, 10, 22, 22), [](QPainter& q, const QRectF& r) { CloseGlyph(q, r, kCream, 2.2); },
                QColor(168, 82, 58), QColor(112, 38, 24));
    RoundedPanel(p, QRectF(14, 44, 372, 202), 8, QColor(238, 244, 234), QColor(222, 232, 216), kBevel,
                 QColor(255, 255, 255, 160));
    // The schedule's field: "Archiwizuj automatycznie", the time, the days, the next run.
    RoundedPanel(p, QRectF(14, 252, 372, 120), 8, QColor(238, 244, 234), QColor(222, 232, 216), kBevel,
                 QColor(255, 255, 255, 160));
    p.setPen(QColor(170, 192, 162));
    p.drawLine(QPointF(16, 374.5), QPointF(384, 374.5));
    p.setPen(QColor(246, 250, 242));
    p.drawLine(QPointF(16, 375.5), QPointF(384, 375.5));
    // Under their hot zones (204, 384 and 298, 384, 86 x 24).
    GreenButton(p, QRectF(204, 384, 86, 24), QStringLiteral("Anuluj"), 13);
    GreenButton(p, QRectF(298, 384, 86, 24), QStringLiteral("Zapisz"), 13);
    return image;
}

// ---------------------------------------------------------------------------------------------
// History window (560 x 380): title strip with the close glyph under LClose (525, 10, 22 x 22),
// the field of the runs and the field of the chosen run's log, the buttons Otwórz folder and
// Zamknij.

QImage HistoryBackground()
{
    QImage image = Canvas(560, 380);
    QPainter p(&image);
    Begin(p);
    Body(p, 560, 380);
    TitleStrip(p, QRectF(6, 5, 548, 32));
    EngravedText(p, QRectF(18, 5, 480, 32), QStringLiteral("Historia"), Font(14, true), kCream,
                 QColor(16, 32, 14));
    GlyphButton(p, QRect(525, 10, 22, 22), [](QPainter& q, const QRectF& r) { CloseGlyph(q, r, kCream, 2.2); },
                QColor(168, 82, 58), QColor(112, 38, 24));

    const QFont caption = Font(12, true);
    Text(p, QRectF(20, 43, 204, 18), QStringLiteral("Archiwizacje, od najnowszej:"), caption, kMenuText);
    Text(p, QRectF(236, 43, 306, 18), QStringLiteral("Log wybranej archiwizacji:"), caption, kMenuText);
    Field(p, QRect(18, 64, 206, 262));    // LPrzebiegi: 21, 67, 200 x 256
    Field(p, QRect(234, 64, 308, 262));   // LWiersze: 237, 67, 302 x 256

    p.setPen(QColor(170, 192, 162));
    p.drawLine(QPointF(16, 332.5), QPointF(544, 332.5));
    p.setPen(QColor(246, 250, 242));
    p.drawLine(QPointF(16, 333.5), QPointF(544, 333.5));
    // Under their hot zones (326, 342, 120 x 24 and 454, 342, 86 x 24).
    GreenButton(p, QRectF(326, 342, 120, 24), QStringLiteral("Otwórz folder"), 13);
    GreenButton(p, QRectF(454, 342, 86, 24), QStringLiteral("Zamknij"), 13);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Output

bool WriteJpeg(const QImage& picture, const QString& path)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> [<preview folder>]\n", argv[0]);
        return 2;
    }
    for (const char* face : {"Liberation Sans", "DejaVu Sans"}) {
        if (!QFontDatabase::hasFamily(QString::fromLatin1(face))) {
            std::fprintf(stderr, "font %s is missing (fonts-liberation, fonts-dejavu-core)\n", face);
            return 1;
        }
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    int failures = 0;
    // Each picture twice: for ordinary screens, and "@2x" at twice the pixels for screens
    // scaled up, where it is drawn down to the screen's scale and stays sharp.
    for (const qreal scale : {1.0, 2.0}) {
    qApp->setProperty("pictureScale", scale);
    const std::pair<const char*, QImage> pictures[] = {
        {"oknowarning", DialogBackground()},
        {"ikoinfo", Icon(QStringLiteral("i"))},
        {"ikopytanie", Icon(QStringLiteral("?"))},
        {"ikouwaga", Icon(QStringLiteral("!"))},
        {"buttak", DialogButton(QStringLiteral("TAK"))},
        {"butnie", DialogButton(QStringLiteral("NIE"))},
        {"butanuluj", DialogButton(QStringLiteral("ANULUJ"))},
        {"butzamknij", DialogButton(QStringLiteral("ZAMKNIJ"))},
        {"but_przetwarzam", StatusPicture(false)},
        {"but_wykonano", StatusPicture(true)},
        {"tlo_glowny", MainBackground()},
        {"tlo_edycja", EditorBackground()},
        {"tlo_menu_plik", MenuPanel(124, 174)},
        {"tlo_menu_edycja", MenuPanel(124, 125)},
        {"tlo_menu_pomoc", MenuPanel(125, 87)},
        {"tlo_about", AboutBackground()},
        {"tlo_przywracanie", RestoreBackground()},
        {"tlo_ustawienia", SettingsBackground()},
        {"tlo_historia", HistoryBackground()},
    };
    for (const auto& [name, picture] : pictures) {
        const QString suffix = scale > 1 ? QStringLiteral("@2x.jpg") : QStringLiteral(".jpg");
        const QString path = out.filePath(QString::fromLatin1(name) + suffix);
        if (!WriteJpeg(picture, path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ++failures;
        } else {
            std::printf("%s %dx%d\n", qPrintable(path), picture.width(), picture.height());
        }
        if (argc == 3 && QDir().mkpath(QString::fromLocal8Bit(argv[2]))) {
            const QImage big = picture.scaled(picture.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            big.save(QDir(QString::fromLocal8Bit(argv[2])).filePath(QString::fromLatin1(name) + suffix.chopped(4) + QStringLiteral(".png")));
        }
    }
    }
    return failures ? 1 : 0;
}
