#pragma once
// The few operating-system facts the core needs, kept in one place so another platform
// can follow without touching the list, cipher or XML code.

#include <QString>

// Directory of the running program, with a trailing "/".
QString ProgramDirectory();
// Tests and tools may point the program's directory elsewhere; an empty text restores it.
void OverrideProgramDirectory(const QString& dir);
