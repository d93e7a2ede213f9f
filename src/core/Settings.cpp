#include "core/Settings.h"

#include "core/Messages.h"
#include "platform/Platform.h"

#include <cerrno>
#include <optional>
#include <vector>

namespace {

const QString Group = QStringLiteral("Archiwizacja");
const QString KeyWeryfikacja = QStringLiteral("Weryfikacja");
const QString KeyDowiazania = QStringLiteral("Dowiazania");
const QString KeyZachowaj = QStringLiteral("Zachowaj");
const QString KeyPodfoldery = QStringLiteral("Podfoldery");

// The largest file read: a settings file is a few lines; anything longer is no settings file.
constexpr int64_t MostBytes = 1 << 20;

QString Word(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// One line of the file as the reader and the writer both see it.
struct IniLine {
    enum Kind { Other, Section, Value };
    Kind What = Other;
    QString Name;   // the section's name, or the key
    QString Text;   // the value, trimmed, without surrounding quotes
};

IniLine ParseLine(const QByteArray& raw)
{
    IniLine line;
    QString text = QString::fromUtf8(raw).trimmed();
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#')))
        return line;
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']'))) {
        line.What = IniLine::Section;
        line.Name = text.mid(1, text.size() - 2).trimmed();
        return line;
    }
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return line;
    line.What = IniLine::Value;
    line.Name = text.left(eq).trimmed();
    line.Text = text.mid(eq + 1).trimmed();
    if (line.Text.size() >= 2 && line.Text.startsWith(QLatin1Char('"')) && line.Text.endsWith(QLatin1Char('"')))
        line.Text = line.Text.mid(1, line.Text.size() - 2);
    return line;
}

// The file's lines, each with its own line end, so a rewrite can give back every byte it keeps.
std::vector<QByteArray> SplitLines(const QByteArray& text)
{
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        lines.push_back(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

bool IsKnownKey(const QString& key)
{
    return key == KeyWeryfikacja || key == KeyDowiazania || key == KeyZachowaj || key == KeyPodfoldery;
}

// Only the plain words count; anything else is a bad value and means the default.
void ReadBool(const QString& key, const QString& value, bool& target, bool fallback, QStringList& notices)
{
    const QString text = value.toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1") || text == QLatin1String("tak")) {
        target = true;
    } else if (text == QLatin1String("false") || text == QLatin1String("0") || text == QLatin1String("nie")) {
        target = false;
    } else {
        target = fallback;
        notices.append(Msg::SettingsNotTrueFalse(key, value, Word(fallback)));
    }
}

void ReadCount(const QString& key, const QString& value, int& target, int fallback, QStringList& notices)
{
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (ok && n >= 0 && n <= MaxKeptArchives) {
        target = static_cast<int>(n);
        return;
    }
    target = fallback;
    if (ok)
        notices.append(Msg::SettingsOutOfRange(key, value, MaxKeptArchives, QString::number(fallback)));
    else
        notices.append(Msg::SettingsNotNumber(key, value, QString::number(fallback)));
}

QString ValueText(const Settings& settings, const QString& key)
{
    if (key == KeyWeryfikacja)
        return Word(settings.Weryfikacja);
    if (key == KeyDowiazania)
        return Word(settings.Dowiazania);
    if (key == KeyZachowaj)
        return QString::number(settings.Zachowaj);
    return Word(settings.Podfoldery);
}

const QStringList& KeysInOrder()
{
    static const QStringList keys{KeyWeryfikacja, KeyDowiazania, KeyZachowaj, KeyPodfoldery};
    return keys;
}

} // namespace

QString SettingsFilePath()
{
    return DataDirectory() + QStringLiteral("Ustawienia.ini");
}

Settings SettingsFromText(const QByteArray& text, QStringList* notices)
{
    // The last value of a key in the group counts, as it did when the file was read as INI.
    QString section;
    QString values[4];
    bool present[4] = {false, false, false, false};
    for (const QByteArray& raw : SplitLines(text)) {
        const IniLine line = ParseLine(raw);
        if (line.What == IniLine::Section) {
            section = line.Name;
        } else if (line.What == IniLine::Value && section == Group) {
            const qsizetype k = KeysInOrder().indexOf(line.Name);
            if (k >= 0) {
                values[k] = line.Text;
                present[k] = true;
            }
        }
    }
    Settings settings;
    const Settings defaults;
    QStringList told;
    if (present[0])
        ReadBool(KeyWeryfikacja, values[0], settings.Weryfikacja, defaults.Weryfikacja, told);
    if (present[1])
        ReadBool(KeyDowiazania, values[1], settings.Dowiazania, defaults.Dowiazania, told);
    if (present[2])
        ReadCount(KeyZachowaj, values[2], settings.Zachowaj, defaults.Zachowaj, told);
    if (present[3])
        ReadBool(KeyPodfoldery, values[3], settings.Podfoldery, defaults.Podfoldery, told);
    if (notices)
        *notices += told;
    return settings;
}

namespace {

// The file's bytes; nullopt (and a notice) when it cannot be read as a plain file, an empty
// text when there is no file.
std::optional<QByteArray> ReadSettingsFile(const QString& file, QStringList* notices)
{
    if (!PathExists(file))
        return QByteArray();
    // Opened without waiting and only when it is a plain file: a pipe put in its place must
    // not hang an unattended run.
    OsFile opened;
    OsError error = OsFile::OpenFileForReading(file, opened);
    if (error == ENOENT)
        return QByteArray();  // a link to nothing: as good as no file
    if (error == ENXIO || error == EISDIR) {
        if (notices)
            notices->append(Msg::SettingsNotPlainFile());
        return std::nullopt;
    }
    int64_t size = 0;
    if (!error)
        error = opened.Size(size);
    if (!error && size > MostBytes)
        error = EFBIG;
    QByteArray bytes;
    if (!error) {
        bytes.resize(static_cast<qsizetype>(size));
        size_t done = 0;
        error = opened.ReadFullyAt(bytes.data(), bytes.size(), 0, done);
        bytes.resize(static_cast<qsizetype>(done));
    }
    if (error) {
        if (notices)
            notices->append(Msg::SettingsUnreadable(Msg::SystemReason(error)));
        return std::nullopt;
    }
    return bytes;
}

} // namespace

Settings LoadSettings(const QString& path, QStringList* notices)
{
    const std::optional<QByteArray> bytes = ReadSettingsFile(path.isEmpty() ? SettingsFilePath() : path, notices);
    return bytes ? SettingsFromText(*bytes, notices) : Settings();
}

namespace {

// The text of one key of the group as the file holds it (the last one when it is there twice);
// none when the file or the key is missing.
std::optional<QString> SettingsValueText(const QString& key, const QString& path)
{
    const std::optional<QByteArray> bytes = ReadSettingsFile(path.isEmpty() ? SettingsFilePath() : path, nullptr);
    if (!bytes)
        return std::nullopt;
    QString section;
    std::optional<QString> text;
    for (const QByteArray& raw : SplitLines(*bytes)) {
        const IniLine line = ParseLine(raw);
        if (line.What == IniLine::Section)
            section = line.Name;
        else if (line.What == IniLine::Value && section == Group && line.Name == key)
            text = line.Text;
    }
    return text;
}

}  // namespace

bool LoadSettingsSwitch(const QString& key, bool fallback, const QString& path)
{
    bool value = fallback;
    QStringList ignored;
    if (const std::optional<QString> text = SettingsValueText(key, path))
        ReadBool(key, *text, value, fallback, ignored);
    return value;
}

int LoadSettingsNumber(const QString& key, int fallback, const QString& path)
{
    int value = fallback;
    QStringList ignored;
    if (const std::optional<QString> text = SettingsValueText(key, path))
        ReadCount(key, *text, value, fallback, ignored);
    return value;
}

QByteArray SettingsText(const Settings& settings)
{
    QString text = QLatin1Char('[') + Group + QStringLiteral("]\n");
    for (const QString& key : KeysInOrder())
        text += key + QLatin1Char('=') + ValueText(settings, key) + QLatin1Char('\n');
    return text.toUtf8();
}

QByteArray MergedSettingsText(const QByteArray& existing, const Settings& settings)
{
    const std::vector<QByteArray> lines = SplitLines(existing);
    bool hasSection = false;
    for (const QByteArray& raw : lines)
        hasSection = hasSection || (ParseLine(raw).What == IniLine::Section && ParseLine(raw).Name == Group);
    if (!hasSection) {
        if (existing.trimmed().isEmpty())
            return SettingsText(settings);
        QByteArray text = existing;
        if (!text.endsWith('\n'))
            text += '\n';
        return text + '\n' + SettingsText(settings);
    }
    const QByteArray newline = !lines.empty() && lines.front().endsWith("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    auto valueLine = [&](const QString& key) { return (key + QLatin1Char('=') + ValueText(settings, key)).toUtf8() + newline; };

    // Every line of a known key in the group takes the new value in place; keys the group does
    // not have yet follow the last value line of its first appearance.
    QByteArray text;
    QString section;
    QStringList written;
    bool firstGroupDone = false;
    qsizetype insertAt = -1;
    for (const QByteArray& raw : lines) {
        const IniLine line = ParseLine(raw);
        if (line.What == IniLine::Section) {
            if (section == Group)
                firstGroupDone = true;
            section = line.Name;
            text += raw;
            if (section == Group && !firstGroupDone && insertAt < 0) {
                if (!text.endsWith('\n'))
                    text += newline;
                insertAt = text.size();
            }
            continue;
        }
        if (line.What == IniLine::Value && section == Group && IsKnownKey(line.Name)) {
            text += valueLine(line.Name);
            if (!written.contains(line.Name))
                written.append(line.Name);
        } else {
            text += raw;
        }
        if (line.What == IniLine::Value && section == Group && !firstGroupDone) {
            if (!text.endsWith('\n'))
                text += newline;
            insertAt = text.size();
        }
    }
    QByteArray missing;
    for (const QString& key : KeysInOrder())
        if (!written.contains(key))
            missing += valueLine(key);
    text.insert(insertAt, missing);
    return text;
}

OsError SaveSettings(const Settings& settings, const QString& path)
{
    const QString file = path.isEmpty() ? SettingsFilePath() : path;
    // What the file holds besides the settings stays; a file that cannot be read as plain text
    // gives nothing to keep.
    QByteArray existing;
    OsFile opened;
    if (OsFile::OpenFileForReading(file, opened) == NoError) {
        int64_t size = 0;
        if (opened.Size(size) == NoError && size <= MostBytes) {
            existing.resize(static_cast<qsizetype>(size));
            size_t done = 0;
            if (opened.ReadFullyAt(existing.data(), existing.size(), 0, done) != NoError)
                done = 0;
            existing.resize(static_cast<qsizetype>(done));
        }
    }
    return WriteFileAtomically(file, MergedSettingsText(existing, settings));
}
