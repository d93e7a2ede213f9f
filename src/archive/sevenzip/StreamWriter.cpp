#include "archive/sevenzip/StreamWriter.h"

#include "archive/sevenzip/SevenZip.h"

#include <algorithm>

using namespace SevenZipAbi;

OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file, unsigned mode)
{
    const qsizetype slash = finalName.lastIndexOf(QLatin1Char('/'));
    return CreateUniqueFile(finalName.left(slash + 1), finalName.mid(slash + 1) + QLatin1Char('.'), QStringLiteral(".tmp"),
                            mode, file, tempName);
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
            RemoveFile(appendTemp);
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

bool TMyStreamWriter::SetDate(OsFile& file)
{
    // The archive carries the time of the add at the two-second resolution it always had.
    constexpr uint64_t TwoSeconds = 20000000ull;
    const OsError error = file.SetTime(FFileDate - FFileDate % TwoSeconds);
    if (error)
        FError = error;
    return error == NoError;
}

bool TMyStreamWriter::OpenFile(size_t k, const QString& appendTemp)
{
    TFiles file;
    OsError error;
    if (FAppend && k == 0) {
        file.Name = FBaseName;
        file.TempName = appendTemp;
        error = OsFile::OpenForUpdate(appendTemp, file.File);
    } else {
        file.Name = FVolumeSize == 0 ? FBaseName
                                     : FBaseName + QLatin1Char('.') + QStringLiteral("%1").arg(k + 1, 3, 10, QLatin1Char('0'));
        error = CreateTemporaryFile(file.Name, file.TempName, file.File);
    }
    if (error) {
        FError = error;
        return false;
    }
    int64_t size = 0;
    if (!SetDate(file.File) || (FAppend && k == 0 && (FError = file.File.Size(size)) != 0)) {
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

bool TMyStreamWriter::WriteAt(TFiles& file, const char* data, size_t count, int64_t offset)
{
    if (const OsError error = file.File.WriteAt(data, count, offset)) {
        FError = error;
        return false;
    }
    file.Size = std::max<int64_t>(file.Size, offset + static_cast<int64_t>(count));
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
        const OsError error = file.File.Close();
        if (error && FError == 0)
            FError = error;
    }
}

bool TMyStreamWriter::Commit()
{
    std::lock_guard<std::mutex> lock(FMutex);
    // Writing moved the files' times; give them the add's time again, then close them.
    for (TFiles& file : FFiles)
        if (FError == 0 && file.File.IsOpen())
            SetDate(file.File);
    CloseAll();
    for (size_t i = 0; FError == 0 && i < FFiles.size(); ++i) {
        // A self-extracting archive never replaces a file of its name; an archive does.
        const OsError error = RenamePath(FFiles[i].TempName, FFiles[i].Name, !(FAppend && i == 0));
        if (error) {
            FError = error;
            // Take back what was already renamed: a partial set of volumes is no backup.
            for (size_t j = 0; j < i; ++j)
                RemoveFile(FFiles[j].Name);
            for (size_t j = i; j < FFiles.size(); ++j)
                RemoveFile(FFiles[j].TempName);
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
            RemoveFile(file.TempName);
    FFiles.clear();
}
