#include "archive/run/EntryArchives.h"

#include "platform/FileSystem.h"

#include <algorithm>

namespace {

bool AllDigits(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

QDateTime DatedFolderTime(const QString& name)
{
    // "Arch_" + YYYYMMDD + "_" + HHMM: 18 characters.
    if (name.size() != 18 || !name.startsWith(QLatin1String("Arch_")) || name.at(13) != QLatin1Char('_'))
        return QDateTime();
    const QStringView date = QStringView(name).sliced(5, 8);
    const QStringView time = QStringView(name).sliced(14, 4);
    if (!AllDigits(date) || !AllDigits(time))
        return QDateTime();
    const QDate d(date.sliced(0, 4).toInt(), date.sliced(4, 2).toInt(), date.sliced(6, 2).toInt());
    const QTime t(time.sliced(0, 2).toInt(), time.sliced(2, 2).toInt());
    if (!d.isValid() || !t.isValid())
        return QDateTime();
    return QDateTime(d, t);
}

bool IsDatedFolderName(const QString& name)
{
    return DatedFolderTime(name).isValid();
}

std::vector<EntryArchive> ArchivesIn(const QString& docel, const QString& nazwa)
{
    std::vector<EntryArchive> archives;
    if (docel.isEmpty() || nazwa.isEmpty())
        return archives;
    QString folder = docel;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const QString fileName = nazwa + QStringLiteral(".7z");
    FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& entry) {
        if (entry.Kind != FileSystem::EntryKind::Folder)
            return true;
        const QDateTime time = DatedFolderTime(entry.Name);
        if (!time.isValid())
            return true;
        const QString path = folder + entry.Name + QLatin1Char('/') + fileName;
        FileSystem::FileInfo archive;
        if (FileSystem::LookupEntry(path, archive, false) == 0 && archive.Kind == FileSystem::EntryKind::File)
            archives.push_back({path, entry.Name, time});
        return true;
    });
    std::sort(archives.begin(), archives.end(),
              [](const EntryArchive& a, const EntryArchive& b) { return a.Time > b.Time; });
    return archives;
}
