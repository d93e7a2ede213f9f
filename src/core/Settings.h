#pragma once
// The program's settings, "Ustawienia.ini" beside "Dane.dat" (INI, group [Archiwizacja]). Read
// at every start and every run; written only when the user saves them in the settings window.
// A missing file means the defaults; a damaged file or a bad value means the default for that
// value, never a refusal to run. Without the file the program archives as it always did.

#include "platform/Files.h"

#include <QString>

struct Settings {
    bool Weryfikacja = true;   // verify each archive after writing it
    bool Dowiazania = true;    // an unchanged entry becomes a hard link to its newest archive
    int Zachowaj = 0;          // keep the newest N archives of each entry; 0 keeps all
    bool Podfoldery = false;   // a folder entry takes its whole tree, not only its own files

    bool operator==(const Settings&) const = default;
};

// The largest number of archives per entry the settings accept; more reads as the default.
inline constexpr int MaxKeptArchives = 100000;

// Full path of "Ustawienia.ini" in the folder of the user's files.
QString SettingsFilePath();
// Reads the file at path (SettingsFilePath() when empty).
Settings LoadSettings(const QString& path = QString());
// The file's text for these settings.
QByteArray SettingsText(const Settings& settings);
// Replaces the file whole, atomically, like the list file.
OsError SaveSettings(const Settings& settings, const QString& path = QString());
