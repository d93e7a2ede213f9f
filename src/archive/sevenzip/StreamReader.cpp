#include "archive/sevenzip/StreamReader.h"

#include "archive/sevenzip/SevenZip.h"

using namespace SevenZipAbi;

TMyStreamReader::TMyStreamReader(TSevenZip* owner, std::shared_ptr<TEventChannel> channel, const QString& fileName)
    : FOwner(owner), FChannel(std::move(channel)), FFileName(fileName)
{
    // Kept so the caller learns why the item has no data.
    FError = OsFile::OpenForReading(fileName, FFile);
    if (FError != 0)
        return;
    int64_t size = 0;
    FFile.Size(size);
    FSize = size > 0 ? size : 0;
}

TMyStreamReader::~TMyStreamReader()
{
    if (FError != 0 && FOwner) {
        TSevenZip* owner = FOwner;
        const int error = FError;
        FChannel->Post([owner, error] { owner->LastError = error; });
    }
}

HRESULT TMyStreamReader::QueryInterface(const GUID& iid, void** object)
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

HRESULT TMyStreamReader::Read(void* data, uint32_t size, uint32_t* processedSize)
{
    size_t n = 0;
    if (FFile.IsOpen() && size > 0) {
        if (const OsError error = FFile.ReadAt(data, size, FPosition, n)) {
            FError = error;
            n = 0;
        }
    }
    FPosition += static_cast<int64_t>(n);
    if (processedSize)
        *processedSize = static_cast<uint32_t>(n);
    return S_OK;
}

HRESULT TMyStreamReader::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    switch (seekOrigin) {
    case 0:
        FPosition = offset;
        break;
    case 1:
        FPosition += offset;
        break;
    case 2:
        if (FSize <= 0)
            return S_FALSE;
        FPosition = FSize + offset;
        break;
    default:
        break;
    }
    if (newPosition)
        *newPosition = static_cast<uint64_t>(FPosition);
    return S_OK;
}

HRESULT TMyStreamReader::GetSize(uint64_t* size)
{
    if (FSize <= 0)
        return S_FALSE;
    if (size)
        *size = static_cast<uint64_t>(FSize);
    return S_OK;
}
