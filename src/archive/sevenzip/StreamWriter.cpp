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

StreamWriter::StreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate, int64_t spoilAt)
    : errorTarget_(errorTarget), baseName_(baseName), fileDate_(fileDate), spoilAt_(spoilAt)
{
    OsError error = CreateTemporaryFile(baseName_, tempName_, file_);
    if (error)
        Fail(error);
    else if (!SetDate())
        Discard();
    if (error_ != 0) {
        if (errorTarget_)
            *errorTarget_ = error_;
        throw StreamWriteError();
    }
}

StreamWriter::~StreamWriter()
{
    if (!committed_)
        Discard();
    if (error_ != 0 && errorTarget_)
        *errorTarget_ = error_;
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
    if (error_ == 0)
        error_ = error;
}

bool StreamWriter::SetDate()
{
    // The archive carries the time of the add at the two-second resolution it always had.
    constexpr uint64_t TwoSeconds = 20000000ull;
    const OsError error = file_.SetTime(fileDate_ - fileDate_ % TwoSeconds);
    if (error)
        Fail(error);
    return error == NoError;
}

HRESULT StreamWriter::Write(const void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(mutex_);
        uint32_t written = 0;
        if (error_ == 0) {
            const char* bytes = static_cast<const char*>(data);
            std::vector<char> spoiled;
            if (spoilAt_ >= position_ && spoilAt_ < position_ + static_cast<int64_t>(size)) {
                spoiled.assign(bytes, bytes + size);
                spoiled[static_cast<size_t>(spoilAt_ - position_)] ^= char(0xFF);
                bytes = spoiled.data();
            }
            if (const OsError error = file_.WriteAt(bytes, size, position_))
                Fail(error);
            else
                written = size;
        }
        position_ += written;
        size_ = std::max(size_, position_);
        if (processedSize)
            *processedSize = written;
        return error_ == 0 ? S_OK : S_FALSE;
    });
}

HRESULT StreamWriter::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    return Guarded([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(mutex_);
        int64_t position = 0;
        if (const HRESULT refused = SeekTarget(offset, seekOrigin, position_, size_, position))
            return refused;
        position_ = position;
        size_ = std::max(size_, position_);
        if (newPosition)
            *newPosition = static_cast<uint64_t>(position_);
        return S_OK;
    });
}

HRESULT StreamWriter::SetSize(uint64_t)
{
    return S_FALSE;
}

int StreamWriter::Error() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
}

QString StreamWriter::TempName() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return tempName_;
}

bool StreamWriter::Flush()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return FlushLocked();
}

bool StreamWriter::FlushLocked()
{
    if (flushed_)
        return error_ == 0;
    // Writing moved the file's times; give it the add's time again. Every byte reaches the
    // disk before the name changes, so a crash never leaves a named archive with holes.
    if (error_ != 0 || !SetDate())
        return false;
    if (const OsError error = file_.Sync())
        Fail(error);
    // A check that reads the archive back must meet what the disk holds, not the copy the
    // system kept of what was written. Without it the check only costs less.
    else
        file_.DropCachedPages();
    flushed_ = true;
    return error_ == 0;
}

bool StreamWriter::Commit()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!FlushLocked())
        return false;
    // The file stays open, and so locked, until it carries its final name: no cleaner of
    // another add may take it for a stale one.
    if (const OsError error = RenamePath(tempName_, baseName_)) {
        Fail(error);
        file_.Close();
        RemoveFile(tempName_);
        tempName_.clear();
        return false;
    }
    tempName_.clear();
    // The new name reaches the disk too. Like the list's save, a folder that cannot be flushed
    // does not undo an archive that is complete and in place.
    SyncFolder(FolderOfPath(baseName_));
    // The data reached the disk with the flush; closing cannot lose it any more.
    file_.Close();
    committed_ = true;
    return true;
}

void StreamWriter::Discard()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_.IsOpen())
        if (const OsError error = file_.Close())
            Fail(error);
    if (!tempName_.isEmpty())
        RemoveFile(tempName_);
    tempName_.clear();
}
