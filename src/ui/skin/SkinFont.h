#pragma once
// The windows' designs name Windows fonts; these are the free faces that stand in for them.

#include <QFont>
#include <QString>

// "MS Sans Serif" and "Arial" map to Liberation Sans (DejaVu Sans if it is missing); any other
// face is asked for by its own name first. The height is in pixels, as in the designs.
QFont SkinFont(const QString& designFace, int pixelHeight, bool bold = false);
