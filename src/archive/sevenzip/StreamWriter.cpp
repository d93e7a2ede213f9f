#include "archive/sevenzip/StreamWriter.h"

#include "platform/FileSystem.h"
#include "archive/sevenzip/SevenZip.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace SevenZipAbi;

int CreateTemporaryFile(const QString& finalName, QString& tempName, int mode)
{
    static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString suffix;
        for (int i = 0; i < 6; ++i)
            suffix += QLatin1Char(Letters[QRandomGenerator::global()->bounded(int(sizeof Letters - 1))]);
        tempName = finalName + QLatin1Char('.') + suffix + QStringLiteral(".tmp");
        const int handle = ::open(FileSystem::Encode(tempName).constData(),
                                  O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (handle >= 0 || errno != EEXIST)
            return handle;
    }
    errno = EEXIST;
    return -1;
}

TMyStreamWriter::TMyStreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate,
                                 uint32_t attributes, int32_t volumeSize, bool append, const QString& appendTemp)
    : FErrorTarget(errorTarget),
      FBaseName(baseName),
      FFileDate(fileDate),
      FAttributes(attributes),
      FAppend(append),
      FVolumeSize(static_cast<uint32_t>(volumeSize))
{
    if (!OpenFile(0, appendTemp)) {
        if (FErrorTarget)
            *FErrorTarget = FError;
        Discard();
        if (FAppend && !appendTemp.isEmpty())
            ::unlink(FileSystem::Encode(appendTemp).constData());
        throw EStreamWriteError();
    }
}

TMyStreamWriter::~TMyStreamWriter()
{
    if (!FCommitted)
        Discard();
    if (FError != 0 && FErrorTarget)
        *FErrorTarget = FError;
}

HRESULT TMyStreamWriter::QueryInterface(const GUID& iid, void** object)
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

bool TMyStreamWriter::SetDate(int handle)
{
    // The archive carries the time of the add at the two-second resolution it always had.
    const uint64_t unixTicks = FFileDate - 116444736000000000ull;
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(unixTicks / 10000000ull) & ~time_t(1);
    times[0].tv_nsec = 0;
    times[1] = times[0];
    return ::futimens(handle, times) == 0;
}

bool TMyStreamWriter::OpenFile(size_t k, const QString& appendTemp)
{
    TFiles file;
    if (FAppend && k == 0) {
        file.Name = FBaseName;
        file.TempName = appendTemp;
        file.Handle = ::open(FileSystem::Encode(appendTemp).constData(), O_RDWR | O_CLOEXEC);
    } else {
        file.Name = FVolumeSize == 0 ? FBaseName
                                     : FBaseName + QLatin1Char('.') + QStringLiteral("%1").arg(k + 1, 3, 10, QLatin1Char('0'));
        file.Handle = CreateTemporaryFile(file.Name, file.TempName);
    }
    if (file.Handle < 0) {
        FError = errno;
        return false;
    }
    if (!SetDate(file.Handle)) {
        FError = errno;
        ::close(file.Handle);
        ::unlink(FileSystem::Encode(file.TempName).constData());
        return false;
    }
    if (FAppend && k == 0) {
        struct stat st;
        if (::fstat(file.Handle, &st) != 0) {
            FError = errno;
            ::close(file.Handle);
            ::unlink(FileSystem::Encode(file.TempName).constData());
            return false;
        }
        file.Size = st.st_size;
        FPosition = st.st_size;
        FSize = st.st_size;
    }
    FFiles.push_back(file);
    return true;
}

bool TMyStreamWriter::WriteAt(TFiles& file, const char* data, size_t count, int64_t offset)
{
    while (count > 0) {
        const ssize_t n = ::pwrite(file.Handle, data, count, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FError = errno;
            return false;
        }
        data += n;
        count -= static_cast<size_t>(n);
        offset += n;
        if (offset > file.Size)
            file.Size = offset;
    }
    return true;
}

HRESULT TMyStreamWriter::Write(const void* data, uint32_t size, uint32_t* processedSize)
{
    std::lock_guard<std::mutex> lock(FMutex);
    uint32_t written = 0;
    if (FError == 0) {
        const char* bytes = static_cast<const char*>(data);
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

HRESULT TMyStreamWriter::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
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

HRESULT TMyStreamWriter::SetSize(uint64_t)
{
    return S_FALSE;
}

QStringList TMyStreamWriter::FileNames() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    QStringList names;
    for (const TFiles& file : FFiles)
        names.append(file.Name);
    return names;
}

int TMyStreamWriter::Error() const
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FError;
}

void TMyStreamWriter::CloseAll()
{
    for (TFiles& file : FFiles) {
        if (file.Handle >= 0 && ::close(file.Handle) != 0 && FError == 0)
            FError = errno;
        file.Handle = -1;
    }
}

bool TMyStreamWriter::Commit()
{
    std::lock_guard<std::mutex> lock(FMutex);
    // Writing moved the files' times; give them the add's time again, then close them.
    for (TFiles& file : FFiles)
        if (FError == 0 && file.Handle >= 0 && !SetDate(file.Handle))
            FError = errno;
    CloseAll();
    for (size_t i = 0; FError == 0 && i < FFiles.size(); ++i) {
        const QByteArray from = FileSystem::Encode(FFiles[i].TempName);
        const QByteArray to = FileSystem::Encode(FFiles[i].Name);
        // A self-extracting archive never replaces a file of its name; an archive does.
        const int rc = FAppend && i == 0 ? ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)
                                         : ::rename(from.constData(), to.constData());
        if (rc != 0) {
            FError = errno;
            // Take back what was already renamed: a partial set of volumes is no backup.
            for (size_t j = 0; j < i; ++j)
                ::unlink(FileSystem::Encode(FFiles[j].Name).constData());
            for (size_t j = i; j < FFiles.size(); ++j)
                ::unlink(FileSystem::Encode(FFiles[j].TempName).constData());
            FFiles.clear();
            return false;
        }
        FFiles[i].TempName.clear();
    }
    if (FError != 0)
        return false;
    FCommitted = true;
    return true;
}

void TMyStreamWriter::Discard()
{
    std::lock_guard<std::mutex> lock(FMutex);
    CloseAll();
    for (const TFiles& file : FFiles)
        if (!file.TempName.isEmpty())
            ::unlink(FileSystem::Encode(file.TempName).constData());
    FFiles.clear();
}
