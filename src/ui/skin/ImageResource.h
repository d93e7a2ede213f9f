#pragma once
// The program's pictures: JPEG files compiled into the executable as resources, looked up by
// name without regard to case and decoded by libjpeg (not by Qt's image plugins).

#include <QByteArray>
#include <QImage>
#include <QString>

class SkinImage;

// Decodes a JPEG held in memory into a 24-bit image (QImage::Format_RGB888). Returns a null
// image for anything that is not a complete, sound JPEG; errorText then says why.
QImage DecodeJpeg(const QByteArray& data, QString* errorText = nullptr);

// The raw bytes of the picture resource of that name (any letter case); empty if there is none.
QByteArray ImageResourceData(const QString& name);

// The decoded picture of that name; a null image if it is missing or cannot be decoded.
QImage ImageResource(const QString& name);

// Makes the named picture the picture of the image control. Returns false, and leaves the
// control as it was, when the picture is missing or damaged.
bool LoadImageResource(const QString& name, SkinImage* image);
