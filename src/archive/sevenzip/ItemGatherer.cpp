#include "archive/sevenzip/ItemGatherer.h"

#include "archive/sevenzip/UpdateCallback.h"

#include <algorithm>
#include <cerrno>

namespace {
constexpr int MaskLength = 8;
constexpr size_t CapacityStep = 100;

QString WithoutTrailingSeparator(QString path)
{
    if (path.size() > 1 && path.endsWith(FileSystem::Separator))
        path.chop(1);
    return path;
}

// A folder that is not there (any more) has nothing to list; that is no problem of the add.
bool IsAbsent(OsError error)
{
    return error == ENOENT || error == ENOTDIR;
}
}  // namespace

ItemGatherer::ItemGatherer(ArchiveUpdateCallback& items, const QString& addRootDir, AddOpts options,
                             const std::atomic<bool>& cancel)
    : items_(items), addRootDir_(addRootDir), options_(options), cancel_(cancel)
{
}

QString ItemGatherer::Extension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.lastIndexOf(FileSystem::Separator) > dot)
        return QString();
    return name.mid(dot);
}

void ItemGatherer::Gather(const SourceMasks& files)
{
    for (qsizetype i = 0; i < files.Items.size(); ++i)
        GatherEntry(files.Items[i], files.IsLiteral(i));
    items_.ItemNames.resize(items_.ItemCount);
    items_.ItemSizes.resize(items_.ItemCount);
    items_.ItemTimes.resize(items_.ItemCount);
    items_.ItemChangeTimes.resize(items_.ItemCount);
    items_.ItemAttributes.resize(items_.ItemCount);
    items_.ItemKinds.resize(items_.ItemCount);
    items_.ItemNames.shrink_to_fit();
    items_.ItemSizes.shrink_to_fit();
    items_.ItemTimes.shrink_to_fit();
    items_.ItemChangeTimes.shrink_to_fit();
    items_.ItemAttributes.shrink_to_fit();
    items_.ItemKinds.shrink_to_fit();
}

void ItemGatherer::Gather(const QStringList& files)
{
    SourceMasks list;
    list.Items = files;
    Gather(list);
}

void ItemGatherer::GatherEntry(const QString& entry, bool literal)
{
    // Names may contain "*" on this system, so only the last component can be a mask.
    const qsizetype lastSeparator = entry.lastIndexOf(FileSystem::Separator);
    const qsizetype star = literal ? -1 : entry.indexOf(QLatin1Char('*'), lastSeparator + 1);
    if (star >= 0) {
        // A path that names an existing file is that file, never a mask. Only a last component
        // that begins with "*" stays a mask even then: that is the shape of a folder's own mask
        // ("folder/*.*"), and a file of such a name inside the folder must not hide the rest.
        FileSystem::FileInfo info;
        const bool namesAFile = star != lastSeparator + 1 && FileSystem::LookupEntry(entry, info, true) == NoError &&
                                info.Kind != FileSystem::EntryKind::Folder;
        if (!namesAFile) {
            QString folder = entry.left(star);
            if (!folder.isEmpty() && !folder.endsWith(FileSystem::Separator))
                folder += FileSystem::Separator;
            const QString mask = entry.mid(star + 1, MaskLength);
            AddDirEntry(folder);
            walkStack_.clear();
            WalkFolder(folder, mask);
            return;
        }
    }
    AddPlainEntry(entry);
}

void ItemGatherer::AddPlainEntry(const QString& entry)
{
    // The user named this path, so a link is followed to what it points at.
    FileSystem::FileInfo info;
    const OsError error = FileSystem::LookupEntry(entry, info, true);
    if (error) {
        // A missing entry adds nothing, as ever; one that is there but out of reach is a problem.
        if (!IsAbsent(error))
            AddProblem(PackProblem::Unreadable, entry, error);
        return;
    }
    switch (info.Kind) {
    case FileSystem::EntryKind::File:
        AddItem(entry, info, ItemFollowedFile);
        break;
    case FileSystem::EntryKind::Folder:
        AddItem(entry, info, ItemFolder);
        break;
    default:
        AddProblem(PackProblem::SpecialFileLeftOut, entry, 0);
        break;
    }
}

void ItemGatherer::AddDirEntry(const QString& folder)
{
    QString dir = folder;
    if (dir.endsWith(FileSystem::Separator))
        dir.chop(1);
    FileSystem::FileInfo info;
    if (!FileSystem::Lookup(dir, info) || !info.IsDirectory())
        return;
    // Stored relative to the root already; the characters cut are not compared with anything.
    const qsizetype cut = addRootDir_.isEmpty() ? FileSystem::RootPrefixLength(dir) : addRootDir_.size();
    dir.remove(0, cut);
    if (!dir.isEmpty())
        AddItem(dir, info, ItemFolder);
}

void ItemGatherer::WalkFolder(const QString& folder, const QString& mask)
{
    FileSystem::FileInfo self;
    bool entered = false;
    if (FileSystem::Lookup(folder.isEmpty() ? QStringLiteral(".") : folder, self)) {
        const std::pair<uint64_t, uint64_t> id{self.Device, self.Inode};
        if (std::find(walkStack_.begin(), walkStack_.end(), id) != walkStack_.end())
            return;
        walkStack_.push_back(id);
        entered = true;
    }
    const bool allFiles = mask == QStringLiteral(".*");
    const OsError error = FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& entry) {
        const QString path = folder + entry.Name;
        const bool admitted = allFiles || Extension(entry.Name) == mask;
        switch (entry.Kind) {
        case FileSystem::EntryKind::Folder:
            if (!(options_ & AddStoreOnlyFilename))
                AddItem(path, entry, ItemFolder);
            if (options_ & AddRecurseDirs)
                WalkFolder(path + FileSystem::Separator, mask);
            else
                LookIntoSubfolder(path);
            break;
        case FileSystem::EntryKind::File:
            if (admitted)
                AddItem(path, entry, ItemFile);
            break;
        case FileSystem::EntryKind::Link:
            // Stored as the link itself: following it could take in anything on the system.
            if (admitted)
                AddItem(path, entry, ItemLink);
            break;
        case FileSystem::EntryKind::Special:
            if (admitted)
                AddProblem(PackProblem::SpecialFileLeftOut, path, 0);
            break;
        case FileSystem::EntryKind::Missing:
            AddProblem(PackProblem::Unreadable, path, entry.Error);
            break;
        }
        return !cancel_.load();
    });
    if (error && !IsAbsent(error))
        AddProblem(PackProblem::FolderUnlistable, WithoutTrailingSeparator(folder), error);
    if (entered)
        walkStack_.pop_back();
}

void ItemGatherer::LookIntoSubfolder(const QString& folder)
{
    // Not walked, but listed all the same: the user learns when its content is out of reach,
    // and how many subfolders held something the archive leaves out.
    bool any = false;
    const OsError error = FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo&) {
        any = true;
        return false;
    });
    if (error && !IsAbsent(error))
        AddProblem(PackProblem::FolderUnlistable, folder, error);
    else if (any)
        ++skippedSubfolders_;
}

void ItemGatherer::AddItem(const QString& name, const FileSystem::FileInfo& info, uint8_t kind)
{
    if (items_.ItemCount == capacity_) {
        capacity_ += CapacityStep;
        items_.ItemNames.resize(capacity_);
        items_.ItemSizes.resize(capacity_);
        items_.ItemTimes.resize(capacity_);
        items_.ItemChangeTimes.resize(capacity_);
        items_.ItemAttributes.resize(capacity_);
        items_.ItemKinds.resize(capacity_);
    }
    const uint32_t i = items_.ItemCount;
    items_.ItemNames[i] = name;
    items_.ItemSizes[i] = info.Size;
    items_.ItemTimes[i] = info.Time;
    items_.ItemChangeTimes[i] = info.ChangeTime;
    items_.ItemAttributes[i] = info.Attributes;
    items_.ItemKinds[i] = kind;
    total_ += info.Size;
    ++items_.ItemCount;
}

void ItemGatherer::AddProblem(PackProblem::Kind what, const QString& path, int error)
{
    PackProblem problem;
    problem.What = what;
    problem.Path = path;
    problem.Error = error;
    problems_.push_back(problem);
}
