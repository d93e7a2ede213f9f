#include "core/Settings.h"

#include "platform/Platform.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("Archiwizacja/");

// Only the plain words count; anything else is a bad value and means the default.
bool ReadBool(const QSettings& file, const QString& key, bool fallback)
{
    const QVariant value = file.value(Group + key);
    if (value.typeId() != QMetaType::QString)
        return fallback;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("tak"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0") || text == QLatin1String("nie"))
        return false;
    return fallback;
}

int ReadCount(const QSettings& file, const QString& key, int fallback)
{
    const QVariant value = file.value(Group + key);
    if (value.typeId() != QMetaType::QString)
        return fallback;
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok && n >= 0 && n <= MaxKeptArchives ? n : fallback;
}

QString Word(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

QString SettingsFilePath()
{
    return DataDirectory() + QStringLiteral("Ustawienia.ini");
}

Settings LoadSettings(const QString& path)
{
    Settings settings;
    const QString file = path.isEmpty() ? SettingsFilePath() : path;
    if (!PathExists(file))
        return settings;
    // QSettings reads what it can of a damaged file; what it cannot read keeps its default.
    const QSettings ini(file, QSettings::IniFormat);
    const Settings defaults;
    settings.Weryfikacja = ReadBool(ini, QStringLiteral("Weryfikacja"), defaults.Weryfikacja);
    settings.Dowiazania = ReadBool(ini, QStringLiteral("Dowiazania"), defaults.Dowiazania);
    settings.Zachowaj = ReadCount(ini, QStringLiteral("Zachowaj"), defaults.Zachowaj);
    settings.Podfoldery = ReadBool(ini, QStringLiteral("Podfoldery"), defaults.Podfoldery);
    return settings;
}

QByteArray SettingsText(const Settings& settings)
{
    const QString text = QStringLiteral("[Archiwizacja]\n") + QStringLiteral("Weryfikacja=") + Word(settings.Weryfikacja)
                         + QStringLiteral("\nDowiazania=") + Word(settings.Dowiazania) + QStringLiteral("\nZachowaj=")
                         + QString::number(settings.Zachowaj) + QStringLiteral("\nPodfoldery=") + Word(settings.Podfoldery)
                         + QLatin1Char('\n');
    return text.toUtf8();
}

OsError SaveSettings(const Settings& settings, const QString& path)
{
    return WriteFileAtomically(path.isEmpty() ? SettingsFilePath() : path, SettingsText(settings));
}
