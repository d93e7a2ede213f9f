#include "archive/sevenzip/StreamReader.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>

using namespace SevenZipAbi;

void PostAddProblem(SevenZipPacker* owner, EventChannel& channel, PackProblem::Kind what, const QString& path, int error)
{
    if (!owner)
        return;
    PackProblem problem;
    problem.What = what;
    problem.Path = path;
    problem.Error = error;
    channel.Post([owner, problem] { owner->Problems.push_back(problem); });
}

StreamReader::StreamReader(SevenZipPacker* owner, std::shared_ptr<EventChannel> channel, const QString& fileName,
                                 SourceItem source, int64_t listedSize)
    : FOwner(owner), FChannel(std::move(channel)), FFileName(fileName), FListedSize(listedSize)
{
    // Kept so the caller learns why the item has no data.
    if (source == LinkText) {
        FInMemory = true;
        FError = FileSystem::ReadLink(fileName, FData);
        FSize = FData.size();
        return;
    }
    FError = OsFile::OpenFileForReading(fileName, FFile, source == FollowLinks);
    if (FError != 0)
        return;
    int64_t size = 0;
    FFile.Size(size);
    FSize = size > 0 ? size : 0;
}

StreamReader::~StreamReader()
{
    if (FError != 0 && FOwner) {
        SevenZipPacker* owner = FOwner;
        const int error = FError;
        // The library's Release ends here: nothing may leave (the item was reported already).
        try {
            FChannel->Post([owner, error] { owner->LastError = error; });
        } catch (...) {
        }
    }
}

HRESULT StreamReader::QueryInterface(const GUID& iid, void** object)
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

void StreamReader::EndOfData()
{
    if (FEnded)
        return;
    FEnded = true;
    // Cut short while it was packed: the archive stays consistent, but this is not the file
    // the add listed.
    if (FError == 0 && FListedSize >= 0 && FPosition < FListedSize)
        PostAddProblem(FOwner, *FChannel, PackProblem::ChangedWhileRead, FFileName, 0);
}

HRESULT StreamReader::Read(void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        size_t n = 0;
        if (size > 0 && FError == 0) {
            if (FInMemory) {
                if (FPosition >= 0 && FPosition < FData.size()) {
                    n = std::min<size_t>(size, static_cast<size_t>(FData.size() - FPosition));
                    std::memcpy(data, FData.constData() + FPosition, n);
                }
            } else if (FFile.IsOpen()) {
                if (const OsError error = FFile.ReadAt(data, size, FPosition, n)) {
                    // The item ends here; the add learns why.
                    FError = error;
                    n = 0;
                    PostAddProblem(FOwner, *FChannel, PackProblem::Unreadable, FFileName, error);
                }
            }
            if (n == 0)
                EndOfData();
        }
        FPosition += static_cast<int64_t>(n);
        if (processedSize)
            *processedSize = static_cast<uint32_t>(n);
        return S_OK;
    });
}

HRESULT StreamReader::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    return Guarded([&]() -> HRESULT {
        // No end to seek from when the size is not known.
        if (seekOrigin == 2 && FSize <= 0)
            return S_FALSE;
        if (const HRESULT refused = SeekTarget(offset, seekOrigin, FPosition, FSize, FPosition))
            return refused;
        if (newPosition)
            *newPosition = static_cast<uint64_t>(FPosition);
        return S_OK;
    });
}

HRESULT StreamReader::GetSize(uint64_t* size)
{
    return Guarded([&]() -> HRESULT {
        if (FSize <= 0)
            return S_FALSE;
        if (size)
            *size = static_cast<uint64_t>(FSize);
        return S_OK;
    });
}
