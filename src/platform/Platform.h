#pragma once
// The program's directory and the code page of the list files: the operating-system facts the
// core needs besides files (platform/Files.h), kept here so another platform can follow
// without touching the list, cipher or XML code.

#include <QByteArray>
#include <QString>


// Directory of the running program, with a trailing "/".
QString ProgramDirectory();
// Tests and tools may point the program's directory elsewhere; an empty text restores it.
void OverrideProgramDirectory(const QString& dir);

// Directory of the user's files ("Dane.dat", "Log.txt", "Ustawienia.ini"), with a trailing
// "/". The program's directory while the user can write to it; otherwise (an installed
// package) the user's data folder, UserDataDirectory(), made when missing. A program under
// /usr is never written beside, not even by root: that tree belongs to the package manager.
// A data folder that cannot be made is still answered; using a file in it then fails with
// the path and the reason.
QString DataDirectory();
// $XDG_DATA_HOME/skrytkar/, or ~/.local/share/skrytkar/ when that is unset, empty or not an
// absolute path. Only the text: nothing is made.
QString UserDataDirectory();

// --- Text ---------------------------------------------------------------------------------

// Windows-1250 (the code page of the list files written on Windows), through glibc iconv.
// False when the text holds a character the code page lacks.
bool ToWindows1250(const QString& text, QByteArray& bytes);
// Every byte has a meaning: the five bytes the code page leaves undefined map to U+0081 etc.
// and back, as on Windows.
QString FromWindows1250(const QByteArray& bytes);

// Entry fields as bytes inside the cipher: Windows-1250 where the code page can hold the text,
// otherwise the UTF-8 bytes behind the marker EF BB BF.
QByteArray FieldTextToBytes(const QString& text);
// The reverse: a value led by the marker whose rest is valid UTF-8 reads as UTF-8, anything
// else as Windows-1250.
QString FieldBytesToText(const QByteArray& bytes);
