#include "ui/skin/SkinFont.h"

#include <QStringList>

QFont SkinFont(const QString& designFace, int pixelHeight, bool bold)
{
    QStringList faces;
    const bool standIn = designFace.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
                      || designFace.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0;
    if (!standIn && !designFace.isEmpty())
        faces << designFace;
    faces << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
    QFont font;
    font.setFamilies(faces);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 11);
    font.setBold(bold);
    return font;
}
