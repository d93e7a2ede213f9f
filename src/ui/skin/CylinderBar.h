#pragma once
// CylinderBar: a progress bar drawn as a lit cylinder. Every pixel row (column, when vertical)
// of the bar is shaded by its distance from a light line, per colour channel, from the bar's
// colours and two CylinderColorStyle objects. The control paints itself completely from an
// off-screen 24-bit image and repaints only when the bar's pixel extent or its percent changes.

#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

// A colour: 0x00BBGGRR, or 0x80000000 + n for the system colour number n.
using SkinColor = std::uint32_t;

inline constexpr SkinColor clBlack = 0x000000;
inline constexpr SkinColor clWhite = 0xFFFFFF;
inline constexpr SkinColor clHighlight = 0x8000000D;
inline constexpr SkinColor clBtnFace = 0x8000000F;
inline constexpr SkinColor clBtnShadow = 0x80000010;
inline constexpr SkinColor clBtnHighlight = 0x80000014;
inline constexpr SkinColor cl3DDkShadow = 0x80000015;
inline constexpr SkinColor cl3DLight = 0x80000016;

// The colour's red, green and blue; system colours come from the palette's matching roles.
QRgb ColorToRGB(SkinColor color, const QPalette& palette);
// The same colour as a SkinColor value.
inline constexpr SkinColor RGBToColor(int red, int green, int blue)
{
    return SkinColor(red & 0xFF) | (SkinColor(green & 0xFF) << 8) | (SkinColor(blue & 0xFF) << 16);
}

enum CylinderShading { ceFlat, ceUltraLow, ceLow, ceMedium, ceHigh, ceMaximum };
enum CaptionEffect { feNone, feInvert, feShadowTopLeft, feShadowBottomRight };
enum CaptionOrientation { foLeftToRight, foTopToBottom, foBottomToTop };
enum ProgressEffect { peCustom };
enum ProgressBarOrientation { pbHorizontal, pbVertical };
enum BevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class CylinderBar;

// How one part of the bar is shaded. Owned by its control; every accepted change makes the
// control recompute its colours.
class CylinderColorStyle {
public:
    explicit CylinderColorStyle(CylinderBar* owner = nullptr) : owner_(owner) {}
    CylinderColorStyle(const CylinderColorStyle& other) = delete;
    CylinderColorStyle& operator=(const CylinderColorStyle& other) { Assign(other); return *this; }

    int IntensityRGB() const { return intensityRGB_; }
    float Intensity() const { return intensity_; }
    float IntensityFactor() const { return intensityFactor_; }
    int RangeRGB() const { return rangeRGB_; }
    int ColorRGB() const { return colorRGB_; }
    float ColorFactor() const { return colorFactor_; }
    float LightAngle() const { return lightAngle_; }

    void SetIntensityRGB(int value);
    void SetIntensity(float value);        // 0 is refused: it divides
    void SetIntensityFactor(float value);
    void SetRangeRGB(int value);           // 0 is refused: it divides
    void SetColorRGB(int value);
    void SetColorFactor(float value);
    void SetLightAngle(float value);       // 0 is refused: it divides

    // Copies the seven values one by one through the setters.
    void Assign(const CylinderColorStyle& source);

private:
    void Changed();

    CylinderBar* owner_;
    int intensityRGB_ = 255;
    float intensity_ = 4.0f;
    float intensityFactor_ = -1.0f;
    int rangeRGB_ = 255;
    int colorRGB_ = 255;
    float colorFactor_ = -1.0f;
    float lightAngle_ = -3.0f;
};

class CylinderBar : public QWidget {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(CylinderBar* Sender)>;

    explicit CylinderBar(QWidget* parent = nullptr);
    ~CylinderBar() override;

    // Colours.
    SkinColor BackBorderColor() const { return backBorderColor_; }
    SkinColor BackColor() const { return backColor_; }
    SkinColor BevelColor() const { return bevelColor_; }
    SkinColor Color() const { return color_; }
    SkinColor FontColor() const { return fontColor_; }
    SkinColor FontShadowColor() const { return fontShadowColor_; }
    SkinColor ForeColor() const { return foreColor_; }
    SkinColor ForeLineColor() const { return foreLineColor_; }
    void SetBackBorderColor(SkinColor value);
    void SetBackColor(SkinColor value);
    void SetBevelColor(SkinColor value);
    void SetColor(SkinColor value);
    void SetFontColor(SkinColor value);
    void SetFontShadowColor(SkinColor value);
    void SetForeColor(SkinColor value);
    void SetForeLineColor(SkinColor value);

    // Shading styles: the filled part and the bar-end line, and the empty part.
    CylinderColorStyle& ForeStyle() { return foreStyle_; }
    CylinderColorStyle& BackStyle() { return backStyle_; }
    void SetForeStyle(const CylinderColorStyle& style) { foreStyle_.Assign(style); }
    void SetBackStyle(const CylinderColorStyle& style) { backStyle_.Assign(style); }

    // Bevels and layout.
    BevelCut BevelInner() const { return bevelInner_; }
    BevelCut BevelOuter() const { return bevelOuter_; }
    int BevelWidth() const { return bevelWidth_; }
    int BorderWidth() const { return borderWidth_; }
    CylinderShading CylinderEffect() const { return cylinderEffect_; }
    ProgressBarOrientation Orientation() const { return orientation_; }
    void SetBevelInner(BevelCut value);
    void SetBevelOuter(BevelCut value);
    void SetBevelWidth(int value);
    void SetBorderWidth(int value);
    void SetCylinderEffect(CylinderShading value);
    void SetOrientation(ProgressBarOrientation value);

    // Caption.
    CaptionEffect FontEffect() const { return fontEffect_; }
    CaptionOrientation FontOrientation() const { return fontOrientation_; }
    bool ShowText() const { return showText_; }
    const QString& Text() const { return text_; }
    const QString& TextDone() const { return textDone_; }
    void SetFontEffect(CaptionEffect value);
    void SetFontOrientation(CaptionOrientation value);
    void SetShowText(bool value);
    void SetText(const QString& value);
    void SetTextDone(const QString& value);

    // Range and value.
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int Step() const { return step_; }
    bool StopAtMax() const { return stopAtMax_; }
    ProgressEffect ProEffect() const { return proEffect_; }
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    void SetStep(int value);
    void SetStopAtMax(bool value) { stopAtMax_ = value; }
    void SetProEffect(ProgressEffect value) { proEffect_ = value; }

    // The rounded percent and the bar-end column (row, when vertical) of the last update.
    int Percent() const { return percent_; }
    int BarEnd() const { return barEnd_; }

    // False while the control or its bar area would have no pixels; nothing is drawn then.
    bool LayoutValid() const;
    // Applies the colours again, from the palette for system colours.
    void RecomputeColors();

    NotifyEvent OnProgressDone;
    NotifyEvent OnMouseEnter;
    NotifyEvent OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Factors { float red = 0, green = 0, blue = 0; };

    QRgb Rgb(SkinColor color) const { return ColorToRGB(color, palette()); }
    Factors ComputeFactors(SkinColor color, const CylinderColorStyle& style) const;
    void ComputeBevelColors();
    void UpdateBevelColors();
    void UpdateGeometry();
    void UpdateTextEffect(bool oldShowText, bool oldWasInvert);
    void ApplyPosition(int value);
    void Repaint();

    void PaintHorizontal();
    void PaintVertical();
    void PaintFrames();
    void PaintText();
    void PaintInvertedText();
    void CaptionPlacement(int* x, int* y, int* rotation) const;
    QString Caption() const;
    QFont CaptionFont() const;

    // Ready only after the constructor has applied every default.
    bool ready_ = false;

    SkinColor backBorderColor_ = clBlack;
    SkinColor backColor_ = clBtnFace;
    SkinColor bevelColor_ = clBtnFace;
    SkinColor color_ = clBtnFace;
    SkinColor fontColor_ = clBlack;
    SkinColor fontShadowColor_ = clBtnFace;
    SkinColor foreColor_ = clWhite;
    SkinColor foreLineColor_ = clHighlight;
    CylinderColorStyle foreStyle_;
    CylinderColorStyle backStyle_;
    BevelCut bevelInner_ = bvRaised;
    BevelCut bevelOuter_ = bvLowered;
    int bevelWidth_ = 1;
    int borderWidth_ = 2;
    CylinderShading cylinderEffect_ = ceMaximum;
    ProgressBarOrientation orientation_ = pbHorizontal;
    CaptionEffect fontEffect_ = feShadowBottomRight;
    CaptionOrientation fontOrientation_ = foLeftToRight;
    bool showText_ = true;
    QString text_;
    QString textDone_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 1;
    bool stopAtMax_ = true;
    ProgressEffect proEffect_ = peCustom;

    // Derived state.
    int cylinderLevel_ = 255;
    float rowStep_ = 0;
    float columnStep_ = 0;
    float q_ = 0.01f;
    int barEnd_ = 0;
    int percent_ = 0;
    int lastExtent_ = -1;
    int lastPercent_ = -1;
    Factors foreFactors_, backFactors_, lineFactors_;
    SkinColor light_ = clBtnHighlight, shadow_ = clBtnShadow;
    SkinColor secondLight_ = cl3DLight, secondDark_ = cl3DDkShadow;
    SkinColor innerTopLeft_ = clBtnHighlight, innerBottomRight_ = clBtnShadow;
    SkinColor outerTopLeft_ = clBtnShadow, outerBottomRight_ = clBtnHighlight;
    int shadowOffset_ = 0;
    QImage offscreen_;
    QImage mask_;  // only while the caption is shown inverted
};
