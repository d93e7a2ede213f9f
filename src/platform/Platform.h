#pragma once
// The few operating-system facts the core needs, kept in one place so another platform
// can follow without touching the list, cipher or XML code.

#include <QByteArray>
#include <QString>

#include <stdexcept>

// Directory of the running program, with a trailing "/".
QString ProgramDirectory();
// Tests and tools may point the program's directory elsewhere; an empty text restores it.
void OverrideProgramDirectory(const QString& dir);

// --- Files ------------------------------------------------------------------------------

// A file could not be opened, read, created or written. The text names the file and the cause.
class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True when anything (file, folder, ...) exists at the path.
bool PathExists(const QString& path);
// Every byte of an existing file; raises EFileError when it cannot be opened or read.
QByteArray ReadWholeFile(const QString& path);
// Replaces the file at `path` with `bytes` so that no reader ever sees a partial file and a
// failure leaves the previous file whole: the bytes go to a temporary file in the same folder,
// reach the disk, and the temporary file is renamed over the target. An existing target without
// write permission is not replaced. Raises EFileError on any failure (the temporary file is
// removed again).
void WriteFileAtomically(const QString& path, const QByteArray& bytes);
// Copies `source` over `target` the same careful way. Raises EFileError.
void CopyFileAtomically(const QString& source, const QString& target);

// Test seam: makes the next atomic writes fail at the chosen step.
enum class WriteFault { None, Create, Write, Flush, Rename };
void InjectWriteFault(WriteFault fault);

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
