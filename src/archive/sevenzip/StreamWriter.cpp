#include "archive/sevenzip/StreamWriter.h"

#include "archive/sevenzip/SevenZipErrors.h"
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

OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        OsFile created;
        if (const OsError error = CreateUniqueFile(FolderOfPath(finalName), TemporaryPrefix, TemporarySuffix, 0600, created,
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

StreamWriter::StreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate)
    : FErrorTarget(errorTarget), FBaseName(baseName), FFileDate(fileDate)
{
    FSpoilAt = spoiledByte.exchange(-1);
    OsError error = CreateTemporaryFile(FBaseName, FTempName, FFile);
    if (error)
        Fail(error);
    else if (!SetDate())
        Discard();
    if (FError != 0) {
        if (FErrorTarget)
            *FErrorTarget = FError;
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

void StreamWriter::Fail(OsError error)
{
    if (FError == 0)
        FError = error;
}

bool StreamWriter::SetDate()
{
    // The archive carries the time of the add at the two-second resolution it always had.
    constexpr uint64_t TwoSeconds = 20000000ull;
    const OsError error = FFile.SetTime(FFileDate - FFileDate % TwoSeconds);
    if (error)
        Fail(error);
    return error == NoError;
}

HRESULT StreamWriter::Write(const void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(FMutex);
        uint32_t written = 0;
        if (FError == 0) {
            const char* bytes = static_cast<const char*>(data);
            std::vector<char> spoiled;
            if (FSpoilAt >= FPosition && FSpoilAt < FPosition + static_cast<int64_t>(size)) {
                spoiled.assign(bytes, bytes + size);
                spoiled[static_cast<size_t>(FSpoilAt - FPosition)] ^= char(0xFF);
                bytes = spoiled.data();
            }
            if (const OsError error = FFile.WriteAt(bytes, size, FPosition))
                Fail(error);
            else
                written = size;
        }
        FPosition += written;
        FSize = std::max(FSize, FPosition);
        if (processedSize)
            *processedSize = written;
        return FError == 0 ? S_OK : S_FALSE;
    });
}

HRESULT StreamWriter::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    return Guarded([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(FMutex);
        int64_t position = 0;
        if (const HRESULT refused = SeekTarget(offset, seekOrigin, FPosition, FSize, position))
            return refused;
        FPosition = position;
        FSize = std::max(FSize, FPosition);
        if (newPosition)
            *newPosition = static_cast<uint64_t>(FPosition);
        return S_OK;
    });
}

HRESULT StreamWriter::SetSize(uint64_t)
{
    return S_FALSE;
}

int StreamWriter::Error() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FError;
}

QString StreamWriter::TempName() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FTempName;
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
    // Writing moved the file's times; give it the add's time again. Every byte reaches the
    // disk before the name changes, so a crash never leaves a named archive with holes.
    if (FError != 0 || !SetDate())
        return false;
    if (const OsError error = FFile.Sync())
        Fail(error);
    // A check that reads the archive back must meet what the disk holds, not the copy the
    // system kept of what was written. Without it the check only costs less.
    else
        FFile.DropCachedPages();
    FFlushed = true;
    return FError == 0;
}

bool StreamWriter::Commit()
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (!FlushLocked())
        return false;
    // The file stays open, and so locked, until it carries its final name: no cleaner of
    // another add may take it for a stale one.
    if (const OsError error = RenamePath(FTempName, FBaseName)) {
        Fail(error);
        FFile.Close();
        RemoveFile(FTempName);
        FTempName.clear();
        return false;
    }
    FTempName.clear();
    // The new name reaches the disk too. Like the list's save, a folder that cannot be flushed
    // does not undo an archive that is complete and in place.
    SyncFolder(FolderOfPath(FBaseName));
    // The data reached the disk with the flush; closing cannot lose it any more.
    FFile.Close();
    FCommitted = true;
    return true;
}

void StreamWriter::Discard()
{
    std::lock_guard<std::mutex> lock(FMutex);
    if (FFile.IsOpen())
        if (const OsError error = FFile.Close())
            Fail(error);
    if (!FTempName.isEmpty())
        RemoveFile(FTempName);
    FTempName.clear();
}
