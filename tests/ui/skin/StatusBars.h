#pragma once
// The two bars of the main window's status panel as its design sets them: the fixture of the
// bar's reference values and of the screenshots.

#include "ui/skin/CylinderBar.h"
#include "ui/skin/SkinFont.h"

inline constexpr SkinColor kProgressColor = 10795436;    // Progress
inline constexpr SkinColor kProgresEtapColor = 9281173;  // ProgresEtap

inline void ApplyStatusBarDesign(CylinderBar& bar, SkinColor color, int height)
{
    bar.resize(120, height);
    bar.SetColor(color);
    bar.SetBackColor(11915964);
    bar.SetBackBorderColor(4210688);
    bar.SetForeColor(3563837);
    bar.SetForeLineColor(4210688);
    bar.SetBevelColor(9352841);
    bar.SetBevelInner(bvNone);
    bar.SetBevelOuter(bvNone);
    bar.SetBevelWidth(1);
    bar.SetBorderWidth(0);
    bar.SetCylinderEffect(ceMaximum);
    bar.SetProEffect(peCustom);
    bar.SetOrientation(pbHorizontal);
    bar.SetMax(100);
    bar.SetPosition(20);
    bar.SetStep(1);
    bar.SetStopAtMax(true);
    bar.SetShowText(true);
    bar.setFont(SkinFont(QStringLiteral("Arial"), 12, true));
    bar.SetFontColor(clBlack);
    bar.SetFontEffect(feShadowBottomRight);
    bar.SetFontShadowColor(16384);
    bar.SetFontOrientation(foLeftToRight);
}
