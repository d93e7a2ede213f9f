#include "archive/sevenzip/StreamWriter.h"

#include "archive/sevenzip/SevenZip.h"
#include "platform/FileSystem.h"

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

using namespace SevenZipAbi;

namespace {

const QString TemporaryPrefix = QStringLiteral(".skrytkar-");
const QString TemporarySuffix = QStringLiteral(".tmp");

std::atomic<int64_t> spoiledByte{-1};

// The name still holds this open file: nothing removed or replaced it meanwhile.
bool NameHoldsFile(const QString& name, const OsFile& file)
{
    uint64_t device = 0, inode = 0;
    FileSystem::FileInfo info;
    return file.Identity(device, inode) == NoError && FileSystem::LookupEntry(name, info, false) == NoError &&
           info.Device == device && info.Inode == inode;
}

}  // namespace

OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file, unsigned mode)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        OsFile created;
        if (const OsError error = CreateUniqueFile(FolderOfPath(finalName), TemporaryPrefix, TemporarySuffix, mode, created,
                                                   tempName))
            return error;
        // Another add that cleans this folder may take the new file for a stale one until it
        // is locked: if it got there first, it has the file (and removes it), so take another.
        const OsError locked = created.TryLock(true);
        if (locked == EWOULDBLOCK)
            continue;
        // Where the file system has no locks, the file is written unlocked; a cleaner that
        // cannot lock a file keeps it.
        if (locked == NoError && !NameHoldsFile(tempName, created))
            continue;
        file = std::move(created);
        return NoError;
    }
    return EEXIST;
}

bool IsTemporaryFileName(const QString& name)
{
    static const QRegularExpression current(QStringLiteral("^\\.skrytkar-[A-Za-z0-9]{6}\\.tmp$"));
    static const QRegularExpression earlier(QStringLiteral("^.+\\.7z\\.[A-Za-z0-9]{6}\\.tmp$"));
    return current.match(name).hasMatch() || earlier.match(name).hasMatch();
}

void InjectSpoiledByte(int64_t offset)
{
    spoiledByte = offset;
}

void RemoveStaleTemporaryFiles(const QString& folder)
{
    QStringList candidates;
    FileSystem::EnumerateFolder(folder, [&](const FileSystem::FileInfo& entry) {
        if (entry.Kind == FileSystem::EntryKind::File && IsTemporaryFileName(entry.Name))
            candidates.append(folder + entry.Name);
        return true;
    });
    for (const QString& path : candidates) {
        // An add that writes the file holds its lock; one that cannot be locked or opened by us
        // is not known to be stale and stays.
        OsFile file;
        if (OsFile::OpenFileForReading(path, file, false) != NoError || file.TryLock(true) != NoError)
            continue;
        if (NameHoldsFile(path, file))
            RemoveFile(path);
    }
}

StreamWriter::StreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate,
                                 uint32_t attributes, int32_t volumeSize, bool append, const QString& appendTemp,
                                 OsFile* appendFile)
    : FErrorTarget(errorTarget),
      FBaseName(baseName),
      FFileDate(fileDate),
      FAttributes(attributes),
      FAppend(append),
      FVolumeSize(static_cast<uint32_t>(volumeSize))
{
    FFailedName = baseName;
    FSpoilAt = spoiledByte.exchange(-1);
    if (!OpenFile(0, appendTemp, appendFile)) {
        if (FErrorTarget)
            *FErrorTarget = FError;
        Discard();
        if (FAppend && !appendTemp.isEmpty())
            RemoveFile(appendTemp);
        throw StreamWriteError();
    }
}

StreamWriter::~StreamWriter()
{
    if (!FCommitted)
        Discard();
    if (FError != 0 && FErrorTarget)
        *FErrorTarget = FError;
}

HRESULT StreamWriter::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialOutStream || iid == IID_IOutStream)
        *object = static_cast<IOutStream*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

void StreamWriter::Fail(OsError error, const QString& name)
{
    if (FError != 0)
        return;
    FError = error;
    FFailedName = name;
}

bool StreamWriter::SetDate(FileList& file)
{
    // The archive carries the time of the add at the two-second resolution it always had.
    constexpr uint64_t TwoSeconds = 20000000ull;
    const OsError error = file.File.SetTime(FFileDate - FFileDate % TwoSeconds);
    if (error)
        Fail(error, file.Name);
    return error == NoError;
}

bool StreamWriter::OpenFile(size_t k, const QString& appendTemp, OsFile* appendFile)
{
    FileList file;
    OsError error = NoError;
    if (FAppend && k == 0) {
        file.Name = FBaseName;
        file.TempName = appendTemp;
        if (appendFile)
            file.File = std::move(*appendFile);
        else
            error = EBADF;
    } else {
        file.Name = FVolumeSize == 0 ? FBaseName
                                     : FBaseName + QLatin1Char('.') + QStringLiteral("%1").arg(k + 1, 3, 10, QLatin1Char('0'));
        // Only the owner may read a backup: it holds whatever its sources hold.
        error = CreateTemporaryFile(file.Name, file.TempName, file.File, 0600);
    }
    if (error) {
        Fail(error, file.Name);
        return false;
    }
    int64_t size = 0;
    OsError sized = NoError;
    if (!SetDate(file) || (FAppend && k == 0 && (sized = file.File.Size(size)) != NoError)) {
        if (sized)
            Fail(sized, file.Name);
        file.File.Close();
        RemoveFile(file.TempName);
        return false;
    }
    if (FAppend && k == 0) {
        file.Size = size;
        FPosition = size;
        FSize = size;
    }
    FFiles.push_back(std::move(file));
    return true;
}

bool StreamWriter::WriteAt(FileList& file, const char* data, size_t count, int64_t offset)
{
    if (const OsError error = file.File.WriteAt(data, count, offset)) {
        Fail(error, file.Name);
        return false;
    }
    file.Size = std::max<int64_t>(file.Size, offset + static_cast<int64_t>(count));
    return true;
}

HRESULT StreamWriter::Write(const void* data, uint32_t size, uint32_t* processedSize)
{
    std::lock_guard<std::mutex> lock(FMutex);
    uint32_t written = 0;
    std::vector<char> spoiled;
    if (FError == 0) {
        const char* bytes = static_cast<const char*>(data);
        if (FSpoilAt >= FPosition && FSpoilAt < FPosition + static_cast<int64_t>(size)) {
            spoiled.assign(bytes, bytes + size);
            spoiled[static_cast<size_t>(FSpoilAt - FPosition)] ^= char(0xFF);
            bytes = spoiled.data();
        }
        if (FVolumeSize == 0) {
            written = WriteAt(FFiles[0], bytes, size, FPosition) ? size : 0;
        } else {
            const uint64_t position = static_cast<uint64_t>(FPosition);
            const uint64_t needed = (position + size) / FVolumeSize + 1;
            bool ok = true;
            while (ok && FFiles.size() < needed)
                ok = OpenFile(FFiles.size());
            uint64_t i = position / FVolumeSize;
            uint64_t offset = position % FVolumeSize;
            while (ok && written < size) {
                const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(size - written, FVolumeSize - offset));
                if (!WriteAt(FFiles[i], bytes + written, chunk, static_cast<int64_t>(offset))) {
                    ok = false;
                    break;
                }
                written += chunk;
                ++i;
                offset = 0;
            }
            if (!ok)
                written = 0;
        }
    }
    FPosition += written;
    FSize = std::max(FSize, FPosition);
    if (processedSize)
        *processedSize = written;
    return FError == 0 ? S_OK : S_FALSE;
}

HRESULT StreamWriter::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    std::lock_guard<std::mutex> lock(FMutex);
    switch (seekOrigin) {
    case 0:
        FPosition = offset;
        break;
    case 1:
        FPosition += offset;
        break;
    case 2:
        FPosition = FSize + offset;
        break;
    default:
        break;
    }
    FSize = std::max(FSize, FPosition);
    if (newPosition)
        *newPosition = static_cast<uint64_t>(FPosition);
    return S_OK;
}

HRESULT StreamWriter::SetSize(uint64_t)
{
    return S_FALSE;
}

QStringList StreamWriter::FileNames() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    QStringList names;
    for (const FileList& file : FFiles)
        names.append(file.Name);
    return names;
}

int StreamWriter::Error() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FError;
}

QString StreamWriter::FailedName() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FFailedName;
}

void StreamWriter::CloseAll()
{
    for (FileList& file : FFiles) {
        const OsError error = file.File.Close();
        if (error)
            Fail(error, file.Name);
    }
}

QStringList StreamWriter::TempNames() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    QStringList names;
    for (const FileList& file : FFiles)
        if (!file.TempName.isEmpty())
            names.append(file.TempName);
    return names;
}

bool StreamWriter::Flush()
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FlushLocked();
}

bool StreamWriter::FlushLocked()
{
    if (FFlushed)
        return FError == 0;
    // Writing moved the files' times; give them the add's time again. Every byte reaches the
    // disk before any name changes, so a crash never leaves a named archive with holes.
    for (FileList& file : FFiles) {
        if (FError != 0 || !SetDate(file))
            return false;
        if (const OsError error = file.File.Sync())
            Fail(error, file.Name);
        // A check that reads the archive back must meet what the disk holds, not the copy
        // the system kept of what was written. Without it the check only costs less.
        else
            file.File.DropCachedPages();
    }
    FFlushed = true;
    return FError == 0;
}

bool StreamWriter::Commit()
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (!FlushLocked())
        return false;
    // The files stay open, and so locked, until they carry their final names: no cleaner of
    // another add may take them for stale ones.
    for (size_t i = 0; i < FFiles.size(); ++i) {
        // A self-extracting archive never replaces a file of its name; an archive does.
        const OsError error = RenamePath(FFiles[i].TempName, FFiles[i].Name, !(FAppend && i == 0));
        if (error) {
            Fail(error, FFiles[i].Name);
            // Take back what was already renamed: a partial set of volumes is no backup.
            for (size_t j = 0; j < i; ++j)
                RemoveFile(FFiles[j].Name);
            for (size_t j = i; j < FFiles.size(); ++j)
                RemoveFile(FFiles[j].TempName);
            for (FileList& file : FFiles)
                file.File.Close();
            FFiles.clear();
            return false;
        }
        FFiles[i].TempName.clear();
    }
    // The new names reach the disk too. Like the list's save, a folder that cannot be flushed
    // does not undo an archive that is complete and in place.
    SyncFolder(FolderOfPath(FBaseName));
    // The data reached the disk with the flush; closing cannot lose it any more.
    for (FileList& file : FFiles)
        file.File.Close();
    FCommitted = true;
    return true;
}

void StreamWriter::Discard()
{
    std::lock_guard<std::mutex> lock(FMutex);
    CloseAll();
    for (const FileList& file : FFiles)
        if (!file.TempName.isEmpty())
            RemoveFile(file.TempName);
    FFiles.clear();
}
