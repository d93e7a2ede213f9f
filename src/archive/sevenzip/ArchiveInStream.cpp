#include "archive/sevenzip/ArchiveInStream.h"

using namespace SevenZipAbi;

OsError ArchiveInStream::Open(const QString& path)
{
    if (const OsError error = OsFile::OpenForReading(path, file_))
        return error;
    int64_t size = 0;
    if (const OsError error = file_.Size(size))
        return error;
    size_ = size;
    return NoError;
}

QByteArray ArchiveInStream::Head(size_t count)
{
    QByteArray bytes(static_cast<qsizetype>(count), '\0');
    size_t done = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_.ReadFullyAt(bytes.data(), count, 0, done) != NoError)
        done = 0;
    bytes.truncate(static_cast<qsizetype>(done));
    return bytes;
}

OsError ArchiveInStream::ReadError() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return readError_;
}

HRESULT ArchiveInStream::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialInStream || iid == IID_IInStream)
        *object = static_cast<IInStream*>(this);
    else if (iid == IID_IStreamGetSize)
        *object = static_cast<IStreamGetSize*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ArchiveInStream::Read(void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        if (processedSize)
            *processedSize = 0;
        std::lock_guard<std::mutex> lock(mutex_);
        size_t done = 0;
        if (size > 0 && position_ < size_) {
            // A short read only at the end of the file: the library takes fewer bytes as the end.
            if (const OsError error = file_.ReadFullyAt(data, size, position_, done)) {
                if (readError_ == NoError)
                    readError_ = error;
                return HResultFromOsError(error);
            }
        }
        position_ += static_cast<int64_t>(done);
        if (processedSize)
            *processedSize = static_cast<uint32_t>(done);
        return S_OK;
    });
}

HRESULT ArchiveInStream::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    return Guarded([&]() -> HRESULT {
        std::lock_guard<std::mutex> lock(mutex_);
        if (const HRESULT refused = SeekTarget(offset, seekOrigin, position_, size_, position_))
            return refused;
        if (newPosition)
            *newPosition = static_cast<uint64_t>(position_);
        return S_OK;
    });
}

HRESULT ArchiveInStream::GetSize(uint64_t* size)
{
    return Guarded([&]() -> HRESULT {
        if (!size)
            return E_INVALIDARG;
        std::lock_guard<std::mutex> lock(mutex_);
        *size = static_cast<uint64_t>(size_);
        return S_OK;
    });
}
