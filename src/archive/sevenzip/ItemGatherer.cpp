#include "archive/sevenzip/ItemGatherer.h"

#include "archive/sevenzip/UpdateCallback.h"

#include <algorithm>

namespace {
constexpr int MaskLength = 8;
constexpr size_t CapacityStep = 100;
}

TItemGatherer::TItemGatherer(TMyArchiveUpdateCallback& items, const QString& addRootDir, AddOpts options,
                             const std::atomic<bool>& cancel)
    : FItems(items), FAddRootDir(addRootDir), FOptions(options), FCancel(cancel)
{
}

QString TItemGatherer::Extension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.lastIndexOf(FileSystem::Separator) > dot)
        return QString();
    return name.mid(dot);
}

void TItemGatherer::Gather(const QStringList& files)
{
    for (const QString& entry : files)
        GatherEntry(entry);
    FItems.ItemNames.resize(FItems.ItemCount);
    FItems.ItemSizes.resize(FItems.ItemCount);
    FItems.ItemTimes.resize(FItems.ItemCount);
    FItems.ItemAttributes.resize(FItems.ItemCount);
    FItems.ItemNames.shrink_to_fit();
    FItems.ItemSizes.shrink_to_fit();
    FItems.ItemTimes.shrink_to_fit();
    FItems.ItemAttributes.shrink_to_fit();
}

void TItemGatherer::GatherEntry(const QString& entry)
{
    // Names may contain "*" on this system, so only the last component can be a mask.
    const qsizetype lastSeparator = entry.lastIndexOf(FileSystem::Separator);
    const qsizetype star = entry.indexOf(QLatin1Char('*'), lastSeparator + 1);
    if (star >= 0) {
        QString folder = entry.left(star);
        if (!folder.isEmpty() && !folder.endsWith(FileSystem::Separator))
            folder += FileSystem::Separator;
        const QString mask = entry.mid(star + 1, MaskLength);
        AddDirEntry(folder);
        FWalkStack.clear();
        WalkFolder(folder, mask);
        return;
    }
    FileSystem::FileInfo info;
    if (FileSystem::Lookup(entry, info))
        AddItem(entry, info.Size, info.Time, info.Attributes);
}

void TItemGatherer::AddDirEntry(const QString& folder)
{
    QString dir = folder;
    if (dir.endsWith(FileSystem::Separator))
        dir.chop(1);
    FileSystem::FileInfo info;
    if (!FileSystem::Lookup(dir, info) || !info.IsDirectory())
        return;
    // Stored relative to the root already; the characters cut are not compared with anything.
    const qsizetype cut = FAddRootDir.isEmpty() ? FileSystem::RootPrefixLength(dir) : FAddRootDir.size();
    dir.remove(0, cut);
    if (!dir.isEmpty())
        AddItem(dir, info.Size, info.Time, info.Attributes);
}

void TItemGatherer::WalkFolder(const QString& folder, const QString& mask)
{
    FileSystem::FileInfo self;
    bool entered = false;
    if (FileSystem::Lookup(folder.isEmpty() ? QStringLiteral(".") : folder, self)) {
        const std::pair<uint64_t, uint64_t> id{self.Device, self.Inode};
        if (std::find(FWalkStack.begin(), FWalkStack.end(), id) != FWalkStack.end())
            return;
        FWalkStack.push_back(id);
        entered = true;
    }
    const bool allFiles = mask == QStringLiteral(".*");
    FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& entry) {
        const QString path = folder + entry.Name;
        if (entry.IsDirectory()) {
            if (!(FOptions & AddStoreOnlyFilename))
                AddItem(path, entry.Size, entry.Time, entry.Attributes);
            if (FOptions & AddRecurseDirs)
                WalkFolder(path + FileSystem::Separator, mask);
        } else if (allFiles || Extension(entry.Name) == mask) {
            AddItem(path, entry.Size, entry.Time, entry.Attributes);
        }
        return !FCancel.load();
    });
    if (entered)
        FWalkStack.pop_back();
}

void TItemGatherer::AddItem(const QString& name, int64_t size, uint64_t time, uint32_t attributes)
{
    if (FItems.ItemCount == FCapacity) {
        FCapacity += CapacityStep;
        FItems.ItemNames.resize(FCapacity);
        FItems.ItemSizes.resize(FCapacity);
        FItems.ItemTimes.resize(FCapacity);
        FItems.ItemAttributes.resize(FCapacity);
    }
    const uint32_t i = FItems.ItemCount;
    FItems.ItemNames[i] = name;
    FItems.ItemSizes[i] = size;
    FItems.ItemTimes[i] = time;
    FItems.ItemAttributes[i] = attributes;
    FTotal += size;
    ++FItems.ItemCount;
}
