#pragma once
// Base64 as the list file stores enciphered values.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <stdexcept>

// Raised by Base64Decode for a character outside "+" .. "z" or a group cut short.
class Base64Error : public std::runtime_error {
public:
    Base64Error() : std::runtime_error("Invalid Base64 Character") {}
};

// Standard alphabet with "=" fill, no line breaks.
QString Base64Encode(const QByteArray& bytes);
// Groups of four characters; characters from "+" to "z" that are not in the alphabet ("="
// among them) count as 127; a "=" in the third or fourth place shortens the group's output.
QByteArray Base64Decode(QStringView text);
