#include "ui/skin/CylinderBar.h"

#include "ui/skin/SkinFont.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

QRgb ColorToRGB(SkinColor color, const QPalette& palette)
{
    if ((color & 0x80000000u) == 0)
        return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
    // Windows system colour numbers and the palette roles that play the same part.
    QPalette::ColorGroup group = QPalette::Active;
    QPalette::ColorRole role;
    switch (color & 0xFF) {
    case 0:  role = QPalette::Button; break;           // scroll bar
    case 1:  role = QPalette::Window; break;           // desktop
    case 2:  role = QPalette::Highlight; break;        // active caption
    case 3:  role = QPalette::Highlight; group = QPalette::Inactive; break;
    case 4:  role = QPalette::Window; break;           // menu
    case 5:  role = QPalette::Base; break;             // window
    case 6:  role = QPalette::Shadow; break;           // window frame
    case 7:  role = QPalette::WindowText; break;       // menu text
    case 8:  role = QPalette::Text; break;             // window text
    case 9:  role = QPalette::HighlightedText; break;  // caption text
    case 10: role = QPalette::Window; break;           // active border
    case 11: role = QPalette::Window; group = QPalette::Inactive; break;
    case 12: role = QPalette::Mid; break;              // application workspace
    case 13: role = QPalette::Highlight; break;
    case 14: role = QPalette::HighlightedText; break;
    case 15: role = QPalette::Button; break;           // button face
    case 16: role = QPalette::Dark; break;             // button shadow
    case 17: role = QPalette::Text; group = QPalette::Disabled; break;  // grey text
    case 18: role = QPalette::ButtonText; break;
    case 19: role = QPalette::HighlightedText; group = QPalette::Inactive; break;
    case 20: role = QPalette::Light; break;            // button highlight
    case 21: role = QPalette::Shadow; break;           // 3-D dark shadow
    case 22: role = QPalette::Midlight; break;         // 3-D light
    case 23: role = QPalette::ToolTipText; break;      // info text
    case 24: role = QPalette::ToolTipBase; break;      // info background
    case 26: role = QPalette::Link; break;             // hot light
    case 27: role = QPalette::Highlight; break;        // gradient active caption
    case 28: role = QPalette::Highlight; group = QPalette::Inactive; break;
    case 29: role = QPalette::Highlight; break;        // menu highlight
    case 30: role = QPalette::Window; break;           // menu bar
    default: return qRgb(0, 0, 0);
    }
    return palette.color(group, role).rgb();
}

namespace {

// Round to the nearest integer, halves to the even neighbour (the FPU's default mode).
long long RoundHalfEven(double value)
{
    return std::llround(std::nearbyint(value));
}

int ClampChannel(double value)
{
    // Truncation toward zero first, then the byte's range (a style's extreme values may give
    // infinities or NaN; they must not reach the integer conversion).
    const double t = std::trunc(value);
    if (!(t >= 0))
        return 0;
    return t > 255 ? 255 : int(t);
}

// The shading counter's start: the bar's thickness divided by the light angle, truncated.
int CounterStart(int thickness, float lightAngle)
{
    const double start = std::trunc(double(float(thickness) / lightAngle));
    if (!(start == start))
        return 0;
    return int(std::clamp(start, -1.0e6, 1.0e6));
}

// Brightness of one channel at shading counter k.
int Shade(int k, float step, const CylinderColorStyle& style, float factor)
{
    return ClampChannel((double(std::abs(k)) * double(step) * double(style.ColorFactor())
                         + double(style.ColorRGB())) * double(factor));
}

QRgb AddToChannels(QRgb rgb, int delta)
{
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return qRgb(clamp(qRed(rgb) + delta), clamp(qGreen(rgb) + delta), clamp(qBlue(rgb) + delta));
}

SkinColor ToColor(QRgb rgb)
{
    return RGBToColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// CylinderColorStyle

void CylinderColorStyle::Changed()
{
    if (owner_)
        owner_->RecomputeColors();
}

void CylinderColorStyle::SetIntensityRGB(int value)
{
    if (value == intensityRGB_)
        return;
    intensityRGB_ = value;
    Changed();
}

void CylinderColorStyle::SetIntensity(float value)
{
    if (value == intensity_ || value == 0.0f)
        return;
    intensity_ = value;
    Changed();
}

void CylinderColorStyle::SetIntensityFactor(float value)
{
    if (value == intensityFactor_)
        return;
    intensityFactor_ = value;
    Changed();
}

void CylinderColorStyle::SetRangeRGB(int value)
{
    if (value == rangeRGB_ || value == 0)
        return;
    rangeRGB_ = value;
    Changed();
}

void CylinderColorStyle::SetColorRGB(int value)
{
    if (value == colorRGB_)
        return;
    colorRGB_ = value;
    Changed();
}

void CylinderColorStyle::SetColorFactor(float value)
{
    if (value == colorFactor_)
        return;
    colorFactor_ = value;
    Changed();
}

void CylinderColorStyle::SetLightAngle(float value)
{
    if (value == lightAngle_ || value == 0.0f)
        return;
    lightAngle_ = value;
    Changed();
}

void CylinderColorStyle::Assign(const CylinderColorStyle& source)
{
    if (&source == this)
        return;
    SetIntensityRGB(source.IntensityRGB());
    SetIntensity(source.Intensity());
    SetIntensityFactor(source.IntensityFactor());
    SetRangeRGB(source.RangeRGB());
    SetColorRGB(source.ColorRGB());
    SetColorFactor(source.ColorFactor());
    SetLightAngle(source.LightAngle());
}

// ---------------------------------------------------------------------------------------------
// CylinderBar: creation

CylinderBar::CylinderBar(QWidget* parent)
    : QWidget(parent)
    , foreStyle_(this)
    , backStyle_(this)
{
    ready_ = false;
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(150, 22);
    setFont(SkinFont(QStringLiteral("Arial"), 12, true));
    offscreen_ = QImage(width(), height(), QImage::Format_RGB888);

    SetForeColor(clWhite);
    SetForeLineColor(clHighlight);
    SetBackColor(clBtnFace);
    SetBevelColor(clBtnFace);
    UpdateBevelColors();
    cylinderLevel_ = 255;
    q_ = 1.0f / float(max_ - min_);
    UpdateTextEffect(false, false);
    UpdateGeometry();
    ApplyPosition(0);
    ready_ = true;
}

CylinderBar::~CylinderBar()
{
    showText_ = false;
    mask_ = QImage();
}

void CylinderBar::Repaint()
{
    if (ready_)
        update();
}

// ---------------------------------------------------------------------------------------------
// Colours

CylinderBar::Factors CylinderBar::ComputeFactors(SkinColor color, const CylinderColorStyle& style) const
{
    const QRgb rgb = Rgb(color);
    auto factor = [&style](int c) {
        const long double v = (c + (c * (long double)style.IntensityFactor() + style.IntensityRGB())
                                       / (long double)style.Intensity())
                              / style.RangeRGB();
        return float(v);
    };
    return Factors{factor(qRed(rgb)), factor(qGreen(rgb)), factor(qBlue(rgb))};
}

void CylinderBar::SetForeColor(SkinColor value)
{
    foreColor_ = value;
    foreFactors_ = ComputeFactors(value, foreStyle_);
    Repaint();
}

void CylinderBar::SetForeLineColor(SkinColor value)
{
    foreLineColor_ = value;
    lineFactors_ = ComputeFactors(value, foreStyle_);
    Repaint();
}

void CylinderBar::SetBackColor(SkinColor value)
{
    backColor_ = value;
    backFactors_ = ComputeFactors(value, backStyle_);
    Repaint();
}

void CylinderBar::SetBackBorderColor(SkinColor value)
{
    if (value == backBorderColor_)
        return;
    backBorderColor_ = value;
    Repaint();
}

void CylinderBar::SetFontShadowColor(SkinColor value)
{
    if (value == fontShadowColor_)
        return;
    fontShadowColor_ = value;
    Repaint();
}

void CylinderBar::SetFontColor(SkinColor value)
{
    if (value == fontColor_)
        return;
    fontColor_ = value;
    Repaint();
}

void CylinderBar::SetColor(SkinColor value)
{
    if (value == color_)
        return;
    color_ = value;
    // A space bevel is painted in the control's colour.
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::SetBevelColor(SkinColor value)
{
    bevelColor_ = value;
    ComputeBevelColors();
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::ComputeBevelColors()
{
    if (bevelColor_ == clBtnFace) {
        light_ = clBtnHighlight;
        shadow_ = clBtnShadow;
        secondLight_ = cl3DLight;
        secondDark_ = cl3DDkShadow;
        return;
    }
    const QRgb base = Rgb(bevelColor_);
    light_ = ToColor(AddToChannels(base, 64));
    shadow_ = ToColor(AddToChannels(base, -64));
    secondLight_ = light_;
    secondDark_ = shadow_;
}

void CylinderBar::RecomputeColors()
{
    SetForeColor(foreColor_);
    SetForeLineColor(foreLineColor_);
    // The shadow and border setters ignore an unchanged value; their system colours are
    // resolved when painting, so they follow the palette anyway.
    SetFontShadowColor(fontShadowColor_);
    SetBackColor(backColor_);
    SetBackBorderColor(backBorderColor_);
    SetBevelColor(bevelColor_);
}

// ---------------------------------------------------------------------------------------------
// Bevels and layout

void CylinderBar::UpdateBevelColors()
{
    const bool noBorder = borderWidth_ == 0;
    switch (bevelInner_) {
    case bvSpace:
        innerTopLeft_ = innerBottomRight_ = color_;
        break;
    case bvLowered: {
        const bool paired = bevelOuter_ == bvLowered && noBorder;
        innerTopLeft_ = paired ? secondDark_ : shadow_;
        innerBottomRight_ = paired ? secondLight_ : light_;
        break;
    }
    case bvRaised:
        innerTopLeft_ = bevelOuter_ == bvRaised && noBorder ? secondLight_ : light_;
        innerBottomRight_ = shadow_;
        break;
    case bvNone:
        break;
    }
    switch (bevelOuter_) {
    case bvSpace:
        outerTopLeft_ = outerBottomRight_ = color_;
        break;
    case bvLowered:
        outerTopLeft_ = shadow_;
        outerBottomRight_ = light_;
        break;
    case bvRaised:
        outerTopLeft_ = light_;
        outerBottomRight_ = bevelInner_ == bvRaised && noBorder ? secondDark_ : shadow_;
        break;
    case bvNone:
        break;
    }
    UpdateGeometry();
}

bool CylinderBar::LayoutValid() const
{
    const int w = width();
    const int h = height();
    if (w < 1 || h < 1)
        return false;
    // Negative widths would put the bar outside the control.
    if (bevelWidth_ < 0 || borderWidth_ < 0)
        return false;
    const int o = bevelWidth_ + borderWidth_;
    const int i = 2 * bevelWidth_ + borderWidth_;
    if (w - 2 * o < 1 || h - 2 * o < 1)
        return false;
    if (w - 2 * i < 1 || h - 2 * i < 1)
        return false;
    return true;
}

void CylinderBar::SetBevelInner(BevelCut value)
{
    if (value == bevelInner_)
        return;
    const BevelCut old = bevelInner_;
    bevelInner_ = value;
    if (!LayoutValid())
        bevelInner_ = old;
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::SetBevelOuter(BevelCut value)
{
    if (value == bevelOuter_)
        return;
    const BevelCut old = bevelOuter_;
    bevelOuter_ = value;
    if (!LayoutValid())
        bevelOuter_ = old;
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::SetBevelWidth(int value)
{
    if (value == bevelWidth_)
        return;
    const int old = bevelWidth_;
    bevelWidth_ = value;
    if (!LayoutValid())
        bevelWidth_ = old;
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::SetBorderWidth(int value)
{
    if (value == borderWidth_)
        return;
    const int old = borderWidth_;
    borderWidth_ = value;
    if (!LayoutValid())
        borderWidth_ = old;
    UpdateBevelColors();
    Repaint();
}

void CylinderBar::SetCylinderEffect(CylinderShading value)
{
    if (value == cylinderEffect_)
        return;
    cylinderEffect_ = value;
    static const int levels[] = {1, 51, 102, 153, 204, 255};
    cylinderLevel_ = levels[std::clamp(int(value), 0, 5)];
    UpdateGeometry();
    Repaint();
}

void CylinderBar::SetOrientation(ProgressBarOrientation value)
{
    if (value == orientation_)
        return;
    orientation_ = value;
    SetFontOrientation(value == pbVertical ? foBottomToTop : foLeftToRight);
    UpdateGeometry();
    Repaint();
}

void CylinderBar::UpdateGeometry()
{
    const int i = 2 * bevelWidth_ + borderWidth_;
    const int r = width() - i;
    const int b = height() - i;
    if (r - i > 0 && b - i > 0)
        rowStep_ = float(cylinderLevel_ / (b - i));
    if (r - i > 0)
        columnStep_ = float(cylinderLevel_ / (r - i));
    ApplyPosition(position_);
}

// ---------------------------------------------------------------------------------------------
// Range and value

void CylinderBar::SetMin(int value)
{
    if (value == min_)
        return;
    if (value == max_)
        --value;
    if (value < max_) {
        min_ = value;
        q_ = float(1.0 / double(qint64(max_) - min_));
        if (position_ < min_)
            position_ = min_;
    }
    UpdateGeometry();
}

void CylinderBar::SetMax(int value)
{
    if (value == max_)
        return;
    if (value == min_)
        ++value;
    if (value > min_) {
        max_ = value;
        q_ = float(1.0 / double(qint64(max_) - min_));
        if (position_ > max_)
            position_ = max_;
    }
    UpdateGeometry();
}

void CylinderBar::SetPosition(int value)
{
    ApplyPosition(value);
}

void CylinderBar::SetStep(int value)
{
    step_ = value;
}

void CylinderBar::ApplyPosition(int value)
{
    position_ = value > max_ ? max_ : value < min_ ? min_ : value;

    // Percent, exactly: 100 n / range rounded to nearest, halves to even.
    const qint64 n = qint64(position_) - min_;
    const qint64 range = qint64(max_) - min_;
    const qint64 scaled = n * 100;
    qint64 percent = scaled / range;
    const qint64 rest = scaled % range;
    if (2 * rest > range || (2 * rest == range && (percent & 1)))
        ++percent;
    percent_ = int(percent);

    const int w = width();
    const int h = height();
    const int i = 2 * bevelWidth_ + borderWidth_;
    const double nq = double(n) * double(q_);
    int extent;
    if (orientation_ == pbHorizontal) {
        extent = int(RoundHalfEven(double(w) * nq) + 2 * i - RoundHalfEven(double(2 * i) * nq));
        barEnd_ = std::max(extent - i, i + 1);
        // Without a margin the bar end would fall outside the control at Max.
        barEnd_ = std::min(barEnd_, w - 1);
    } else {
        const int b = h - i;
        const int length = int(RoundHalfEven(double(h) * nq) - RoundHalfEven(double(2 * i) * nq));
        barEnd_ = std::min(b - length, b - 1);
        extent = length + 2 * i;
    }

    if (extent == lastExtent_ && percent_ == lastPercent_)
        return;
    lastExtent_ = extent;
    lastPercent_ = percent_;
    if (position_ == max_ && OnProgressDone)
        OnProgressDone(this);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Caption settings

void CylinderBar::UpdateTextEffect(bool oldShowText, bool oldWasInvert)
{
    auto setUp = [this] {
        if (fontEffect_ == feInvert)
            mask_ = QImage(offscreen_.size(), QImage::Format_RGB888);
        else
            shadowOffset_ = fontEffect_ == feShadowTopLeft ? -1 : fontEffect_ == feShadowBottomRight ? 1 : 0;
    };
    if (oldShowText) {
        if (oldWasInvert)
            mask_ = QImage();
        if (showText_)
            setUp();
    } else if (showText_) {
        setUp();
    }
    Repaint();
}

void CylinderBar::SetFontEffect(CaptionEffect value)
{
    if (value == fontEffect_)
        return;
    const bool wasInvert = fontEffect_ == feInvert;
    fontEffect_ = value;
    UpdateTextEffect(showText_, wasInvert);
}

void CylinderBar::SetShowText(bool value)
{
    if (value == showText_)
        return;
    const bool old = showText_;
    showText_ = value;
    UpdateTextEffect(old, fontEffect_ == feInvert);
    Repaint();
}

void CylinderBar::SetFontOrientation(CaptionOrientation value)
{
    if (value == fontOrientation_)
        return;
    fontOrientation_ = value;
    UpdateTextEffect(showText_, fontEffect_ == feInvert);
    Repaint();
}

void CylinderBar::SetText(const QString& value)
{
    if (value == text_)
        return;
    text_ = value;
    Repaint();
}

void CylinderBar::SetTextDone(const QString& value)
{
    if (value == textDone_)
        return;
    textDone_ = value;
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Events

void CylinderBar::resizeEvent(QResizeEvent*)
{
    if (!ready_ || !LayoutValid())
        return;
    if (offscreen_.size() != size())
        offscreen_ = QImage(size(), QImage::Format_RGB888);
    if (!mask_.isNull() && mask_.size() != size())
        mask_ = QImage(size(), QImage::Format_RGB888);
    UpdateGeometry();
    Repaint();
}

void CylinderBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        RecomputeColors();
    else if (event->type() == QEvent::FontChange)
        Repaint();
    QWidget::changeEvent(event);
}

void CylinderBar::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (OnMouseEnter)
        OnMouseEnter(this);
    Repaint();
}

void CylinderBar::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (OnMouseLeave)
        OnMouseLeave(this);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Painting

void CylinderBar::paintEvent(QPaintEvent*)
{
    if (!ready_ || !LayoutValid())
        return;
    if (offscreen_.size() != size())
        offscreen_ = QImage(size(), QImage::Format_RGB888);
    if (orientation_ == pbHorizontal)
        PaintHorizontal();
    else
        PaintVertical();
    if (showText_) {
        if (fontEffect_ == feInvert)
            PaintInvertedText();
        else
            PaintText();
    }
    QPainter painter(this);
    painter.drawImage(0, 0, offscreen_);
}

void CylinderBar::PaintHorizontal()
{
    offscreen_.fill(QColor::fromRgb(Rgb(color_)));
    const int w = offscreen_.width();
    const int i = 2 * bevelWidth_ + borderWidth_;
    const int r = w - i;
    const int b = offscreen_.height() - i;
    const int t = b - i;
    int kf = CounterStart(t, foreStyle_.LightAngle());
    int kb = CounterStart(t, backStyle_.LightAngle());
    const int e = barEnd_;
    for (int y = i; y < b; ++y, ++kf, ++kb) {
        uchar* row = offscreen_.scanLine(y);
        const uchar fore[3] = {uchar(Shade(kf, rowStep_, foreStyle_, foreFactors_.red)),
                               uchar(Shade(kf, rowStep_, foreStyle_, foreFactors_.green)),
                               uchar(Shade(kf, rowStep_, foreStyle_, foreFactors_.blue))};
        const uchar line[3] = {uchar(Shade(kf, rowStep_, foreStyle_, lineFactors_.red)),
                               uchar(Shade(kf, rowStep_, foreStyle_, lineFactors_.green)),
                               uchar(Shade(kf, rowStep_, foreStyle_, lineFactors_.blue))};
        const uchar back[3] = {uchar(Shade(kb, rowStep_, backStyle_, backFactors_.red)),
                               uchar(Shade(kb, rowStep_, backStyle_, backFactors_.green)),
                               uchar(Shade(kb, rowStep_, backStyle_, backFactors_.blue))};
        for (int x = i; x < e && x < w; ++x)
            std::copy(fore, fore + 3, row + 3 * x);
        if (e >= 0 && e < w)
            std::copy(line, line + 3, row + 3 * e);
        for (int x = std::max(e + 1, 0); x < r; ++x)
            std::copy(back, back + 3, row + 3 * x);
    }
    PaintFrames();
}

void CylinderBar::PaintVertical()
{
    offscreen_.fill(QColor::fromRgb(Rgb(color_)));
    const int h = offscreen_.height();
    const int i = 2 * bevelWidth_ + borderWidth_;
    const int r = offscreen_.width() - i;
    const int b = h - i;
    const int t = r - i;
    const int kf0 = CounterStart(t, foreStyle_.LightAngle());
    const int kb0 = CounterStart(t, backStyle_.LightAngle());
    const int e = barEnd_;
    for (int y = i; y < b; ++y) {
        uchar* row = offscreen_.scanLine(y);
        const bool empty = y < e;
        const bool line = y == e;
        const CylinderColorStyle& style = empty ? backStyle_ : foreStyle_;
        const Factors& f = empty ? backFactors_ : line ? lineFactors_ : foreFactors_;
        int k = empty ? kb0 : kf0;
        for (int x = i; x < r; ++x, ++k) {
            uchar* px = row + 3 * x;
            px[0] = uchar(Shade(k, columnStep_, style, f.red));
            px[1] = uchar(Shade(k, columnStep_, style, f.green));
            px[2] = uchar(Shade(k, columnStep_, style, f.blue));
        }
    }
    PaintFrames();
}

void CylinderBar::PaintFrames()
{
    const int w = offscreen_.width();
    const int h = offscreen_.height();
    auto put = [this, w, h](int x, int y, QRgb rgb) {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        uchar* px = offscreen_.scanLine(y) + 3 * x;
        px[0] = uchar(qRed(rgb));
        px[1] = uchar(qGreen(rgb));
        px[2] = uchar(qBlue(rgb));
    };
    // Rectangle [left, right) x [top, bottom): top and left edges first, then bottom and right.
    auto frame = [&put](int left, int top, int right, int bottom, QRgb topLeft, QRgb bottomRight) {
        if (right <= left || bottom <= top)
            return;
        for (int x = left; x < right; ++x)
            put(x, top, topLeft);
        for (int y = top; y < bottom; ++y)
            put(left, y, topLeft);
        for (int y = top; y < bottom; ++y)
            put(right - 1, y, bottomRight);
        for (int x = left; x < right; ++x)
            put(x, bottom - 1, bottomRight);
    };
    auto frame3D = [&frame](int left, int top, int right, int bottom, int width, QRgb tl, QRgb br) {
        for (int n = 0; n < width; ++n)
            frame(left + n, top + n, right - n, bottom - n, tl, br);
    };

    const int o = bevelWidth_ + borderWidth_;
    const int i = 2 * bevelWidth_ + borderWidth_;
    const QRgb border = Rgb(backBorderColor_);
    frame(i, i, w - i, h - i, border, border);
    if (bevelInner_ != bvNone)
        frame3D(o, o, w - o, h - o, bevelWidth_, Rgb(innerTopLeft_), Rgb(innerBottomRight_));
    if (bevelOuter_ != bvNone)
        frame3D(0, 0, w, h, bevelWidth_, Rgb(outerTopLeft_), Rgb(outerBottomRight_));
}

QString CylinderBar::Caption() const
{
    if (!textDone_.isEmpty() && percent_ == 100)
        return textDone_;
    return text_;
}

QFont CylinderBar::CaptionFont() const
{
    QFont f = font();
    f.setFamily(f.family().left(31));
    f.setWeight(f.bold() ? QFont::Bold : QFont::Normal);
    return f;
}

void CylinderBar::CaptionPlacement(int* x, int* y, int* rotation) const
{
    const QFontMetrics metrics(CaptionFont());
    const int tw = metrics.horizontalAdvance(Caption());
    const int th = metrics.height();
    const int w = width();
    const int h = height();
    switch (fontOrientation_) {
    case foLeftToRight:
        *rotation = 1;
        *x = (w - tw) / 2;
        *y = (h - th) / 2 + 1;
        break;
    case foTopToBottom:
        *rotation = 2700;
        *x = th + (w - th) / 2 - 1;
        *y = (h - tw) / 2;
        break;
    case foBottomToTop:
        *rotation = 900;
        *x = (w - th) / 2 + 1;
        *y = tw + (h - tw) / 2;
        break;
    }
}

namespace {

// Draws text whose cell's top-left corner lies at (x, y), turned counter-clockwise by the
// rotation in tenths of a degree about that corner.
void DrawRotated(QPainter& painter, int x, int y, int rotation, const QString& text)
{
    painter.save();
    painter.translate(x, y);
    painter.rotate(-rotation / 10.0);
    painter.drawText(0, painter.fontMetrics().ascent(), text);
    painter.restore();
}

} // namespace

void CylinderBar::PaintText()
{
    const QString caption = Caption();
    if (caption.isEmpty())
        return;
    int x = 0, y = 0, rotation = 0;
    CaptionPlacement(&x, &y, &rotation);
    QPainter painter(&offscreen_);
    painter.setClipRect(offscreen_.rect());
    painter.setFont(CaptionFont());
    if (fontEffect_ != feNone) {
        painter.setPen(QColor::fromRgb(Rgb(fontShadowColor_)));
        DrawRotated(painter, x + shadowOffset_, y + shadowOffset_, rotation, caption);
    }
    painter.setPen(QColor::fromRgb(Rgb(fontColor_)));
    DrawRotated(painter, x, y, rotation, caption);
}

void CylinderBar::PaintInvertedText()
{
    const QString caption = Caption();
    if (caption.isEmpty())
        return;
    if (mask_.size() != offscreen_.size())
        mask_ = QImage(offscreen_.size(), QImage::Format_RGB888);
    mask_.fill(Qt::black);
    int x = 0, y = 0, rotation = 0;
    CaptionPlacement(&x, &y, &rotation);
    {
        QPainter painter(&mask_);
        // Whole pixels only: an exclusive-or of partly covered pixels would smear colours.
        QFont f = CaptionFont();
        f.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(f);
        painter.setPen(Qt::white);
        DrawRotated(painter, x, y, rotation, caption);
    }
    const int rowBytes = offscreen_.width() * 3;
    for (int y2 = 0; y2 < offscreen_.height(); ++y2) {
        uchar* dst = offscreen_.scanLine(y2);
        const uchar* src = mask_.constScanLine(y2);
        for (int n = 0; n < rowBytes; ++n)
            dst[n] ^= src[n];
    }
}
