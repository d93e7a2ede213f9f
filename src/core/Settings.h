#pragma once
// The program's settings, "Ustawienia.ini" beside "Dane.dat" (INI, group [Archiwizacja]). Read
// at every start and every run; written only when the user saves them in the settings window.
// A missing file means the defaults; a damaged file or a bad value means the default for that
// value, never a refusal to run, and a notice that says which value was not used and what was
// used instead. Without the file the program archives as it always did.

#include "platform/Files.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

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
// Reads the file at path (SettingsFilePath() when empty). Anything but a plain file (a pipe, a
// device) is never opened in a way that could wait: it means the defaults and a notice.
// notices, when given, receives what reading had to say, one Polish line each
// ("Ustawienia.ini: Zachowaj=abc nie jest liczbą; przyjęto 0"): the run puts them in its log
// and on standard error.
Settings LoadSettings(const QString& path = QString(), QStringList* notices = nullptr);
// One more true/false value of the group [Archiwizacja] that the run's settings do not hold,
// read the same careful way; fallback when missing or bad.
bool LoadSettingsSwitch(const QString& key, bool fallback, const QString& path = QString());
// One more whole number of the group (0 to MaxKeptArchives), read the same way; fallback when
// missing or bad.
int LoadSettingsNumber(const QString& key, int fallback, const QString& path = QString());
// The settings read from a file's text, with notices for the values that could not be used.
Settings SettingsFromText(const QByteArray& text, QStringList* notices = nullptr);
// The file's text for these settings.
QByteArray SettingsText(const Settings& settings);
// The text of an existing file with these settings put in: every other line (keys the program
// does not know, other groups, comments, blank lines) stays as it was.
QByteArray MergedSettingsText(const QByteArray& existing, const Settings& settings);
// Replaces the file whole, atomically, like the list file, keeping what it held besides the
// settings themselves.
OsError SaveSettings(const Settings& settings, const QString& path = QString());
