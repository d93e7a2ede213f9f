#pragma once
// TProgressCyl: a progress bar drawn as a lit cylinder. Every pixel row (column, when vertical)
// of the bar is shaded by its distance from a light line, per colour channel, from the bar's
// colours and two TPCColorStyle objects. The control paints itself completely from an
// off-screen 24-bit image and repaints only when the bar's pixel extent or its percent changes.

#include <QImage>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

// A colour: 0x00BBGGRR, or 0x80000000 + n for the system colour number n.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;

// The colour's red, green and blue; system colours come from the palette's matching roles.
QRgb ColorToRGB(TColor color, const QPalette& palette);
// The same colour as a TColor value.
inline constexpr TColor RGBToColor(int red, int green, int blue)
{
    return TColor(red & 0xFF) | (TColor(green & 0xFF) << 8) | (TColor(blue & 0xFF) << 16);
}

enum TCylinderEffect { ceFlat, ceUltraLow, ceLow, ceMedium, ceHigh, ceMaximum };
enum TFontEffect { feNone, feInvert, feShadowTopLeft, feShadowBottomRight };
enum TFontOrientation { foLeftToRight, foTopToBottom, foBottomToTop };
enum TProEffect { peCustom };
enum TProgressBarOrientation { pbHorizontal, pbVertical };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TProgressCyl;

// How one part of the bar is shaded. Owned by its control; every accepted change makes the
// control recompute its colours.
class TPCColorStyle {
public:
    explicit TPCColorStyle(TProgressCyl* owner = nullptr) : owner_(owner) {}
    TPCColorStyle(const TPCColorStyle& other) = delete;
    TPCColorStyle& operator=(const TPCColorStyle& other) { Assign(other); return *this; }

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
    void Assign(const TPCColorStyle& source);

private:
    void Changed();

    TProgressCyl* owner_;
    int intensityRGB_ = 255;
    float intensity_ = 4.0f;
    float intensityFactor_ = -1.0f;
    int rangeRGB_ = 255;
    int colorRGB_ = 255;
    float colorFactor_ = -1.0f;
    float lightAngle_ = -3.0f;
};

class TProgressCyl : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TProgressCyl* Sender)>;

    explicit TProgressCyl(QWidget* parent = nullptr);
    ~TProgressCyl() override;

    // Colours.
    TColor BackBorderColor() const { return backBorderColor_; }
    TColor BackColor() const { return backColor_; }
    TColor BevelColor() const { return bevelColor_; }
    TColor Color() const { return color_; }
    TColor FontColor() const { return fontColor_; }
    TColor FontShadowColor() const { return fontShadowColor_; }
    TColor ForeColor() const { return foreColor_; }
    TColor ForeLineColor() const { return foreLineColor_; }
    void SetBackBorderColor(TColor value);
    void SetBackColor(TColor value);
    void SetBevelColor(TColor value);
    void SetColor(TColor value);
    void SetFontColor(TColor value);
    void SetFontShadowColor(TColor value);
    void SetForeColor(TColor value);
    void SetForeLineColor(TColor value);

    // Shading styles: the filled part and the bar-end line, and the empty part.
    TPCColorStyle& ForeStyle() { return foreStyle_; }
    TPCColorStyle& BackStyle() { return backStyle_; }
    void SetForeStyle(const TPCColorStyle& style) { foreStyle_.Assign(style); }
    void SetBackStyle(const TPCColorStyle& style) { backStyle_.Assign(style); }

    // Bevels and layout.
    TBevelCut BevelInner() const { return bevelInner_; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    int BevelWidth() const { return bevelWidth_; }
    int BorderWidth() const { return borderWidth_; }
    TCylinderEffect CylinderEffect() const { return cylinderEffect_; }
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetBevelInner(TBevelCut value);
    void SetBevelOuter(TBevelCut value);
    void SetBevelWidth(int value);
    void SetBorderWidth(int value);
    void SetCylinderEffect(TCylinderEffect value);
    void SetOrientation(TProgressBarOrientation value);

    // Caption.
    TFontEffect FontEffect() const { return fontEffect_; }
    TFontOrientation FontOrientation() const { return fontOrientation_; }
    bool ShowText() const { return showText_; }
    const QString& Text() const { return text_; }
    const QString& TextDone() const { return textDone_; }
    void SetFontEffect(TFontEffect value);
    void SetFontOrientation(TFontOrientation value);
    void SetShowText(bool value);
    void SetText(const QString& value);
    void SetTextDone(const QString& value);

    // Range and value.
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int Step() const { return step_; }
    bool StopAtMax() const { return stopAtMax_; }
    TProEffect ProEffect() const { return proEffect_; }
    void SetMin(int value);
    void SetMax(int value);
    void SetPosition(int value);
    void SetStep(int value);
    void SetStopAtMax(bool value) { stopAtMax_ = value; }
    void SetProEffect(TProEffect value) { proEffect_ = value; }

    // The rounded percent and the bar-end column (row, when vertical) of the last update.
    int Percent() const { return percent_; }
    int BarEnd() const { return barEnd_; }

    // False while the control or its bar area would have no pixels; nothing is drawn then.
    bool LayoutValid() const;
    // Applies the colours again, from the palette for system colours.
    void RecomputeColors();

    TNotifyEvent OnProgressDone;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Factors { float red = 0, green = 0, blue = 0; };

    QRgb Rgb(TColor color) const { return ColorToRGB(color, palette()); }
    Factors ComputeFactors(TColor color, const TPCColorStyle& style) const;
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

    TColor backBorderColor_ = clBlack;
    TColor backColor_ = clBtnFace;
    TColor bevelColor_ = clBtnFace;
    TColor color_ = clBtnFace;
    TColor fontColor_ = clBlack;
    TColor fontShadowColor_ = clBtnFace;
    TColor foreColor_ = clWhite;
    TColor foreLineColor_ = clHighlight;
    TPCColorStyle foreStyle_;
    TPCColorStyle backStyle_;
    TBevelCut bevelInner_ = bvRaised;
    TBevelCut bevelOuter_ = bvLowered;
    int bevelWidth_ = 1;
    int borderWidth_ = 2;
    TCylinderEffect cylinderEffect_ = ceMaximum;
    TProgressBarOrientation orientation_ = pbHorizontal;
    TFontEffect fontEffect_ = feShadowBottomRight;
    TFontOrientation fontOrientation_ = foLeftToRight;
    bool showText_ = true;
    QString text_;
    QString textDone_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 1;
    bool stopAtMax_ = true;
    TProEffect proEffect_ = peCustom;

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
    TColor light_ = clBtnHighlight, shadow_ = clBtnShadow;
    TColor secondLight_ = cl3DLight, secondDark_ = cl3DDkShadow;
    TColor innerTopLeft_ = clBtnHighlight, innerBottomRight_ = clBtnShadow;
    TColor outerTopLeft_ = clBtnShadow, outerBottomRight_ = clBtnHighlight;
    int shadowOffset_ = 0;
    QImage offscreen_;
    QImage mask_;  // only while the caption is shown inverted
};
