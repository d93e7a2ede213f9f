#include "archive/sevenzip/StreamReader.h"

#include "platform/FileSystem.h"
#include "archive/sevenzip/SevenZip.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace SevenZipAbi;

TMyStreamReader::TMyStreamReader(TSevenZip* owner, std::shared_ptr<TEventChannel> channel, const QString& fileName)
    : FOwner(owner), FChannel(std::move(channel)), FFileName(fileName)
{
    FHandle = ::open(FileSystem::Encode(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0) {
        // Kept so the caller learns why the item has no data.
        FError = errno;
        return;
    }
    const off_t end = ::lseek(FHandle, 0, SEEK_END);
    FSize = end > 0 ? static_cast<int64_t>(end) : 0;
}

TMyStreamReader::~TMyStreamReader()
{
    if (FError != 0 && FOwner) {
        TSevenZip* owner = FOwner;
        const int error = FError;
        FChannel->Post([owner, error] { owner->LastError = error; });
    }
    if (FHandle >= 0)
        ::close(FHandle);
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
    ssize_t n = 0;
    if (FHandle >= 0 && size > 0) {
        do
            n = ::pread(FHandle, data, size, static_cast<off_t>(FPosition));
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            FError = errno;
            n = 0;
        }
    }
    FPosition += n;
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
