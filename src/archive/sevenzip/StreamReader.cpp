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
    : owner_(owner), channel_(std::move(channel)), fileName_(fileName), listedSize_(listedSize)
{
    // Kept so the caller learns why the item has no data.
    if (source == LinkText) {
        inMemory_ = true;
        error_ = FileSystem::ReadLink(fileName, data_);
        size_ = data_.size();
        return;
    }
    error_ = OsFile::OpenFileForReading(fileName, file_, source == FollowLinks);
    if (error_ != 0)
        return;
    int64_t size = 0;
    file_.Size(size);
    size_ = size > 0 ? size : 0;
}

StreamReader::~StreamReader()
{
    if (error_ != 0 && owner_) {
        SevenZipPacker* owner = owner_;
        const int error = error_;
        // The library's Release ends here: nothing may leave (the item was reported already).
        try {
            channel_->Post([owner, error] { owner->LastError = error; });
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
    if (ended_)
        return;
    ended_ = true;
    // Cut short while it was packed: the archive stays consistent, but this is not the file
    // the add listed.
    if (error_ == 0 && listedSize_ >= 0 && position_ < listedSize_)
        PostAddProblem(owner_, *channel_, PackProblem::ChangedWhileRead, fileName_, 0);
}

HRESULT StreamReader::Read(void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        size_t n = 0;
        if (size > 0 && error_ == 0) {
            if (inMemory_) {
                if (position_ >= 0 && position_ < data_.size()) {
                    n = std::min<size_t>(size, static_cast<size_t>(data_.size() - position_));
                    std::memcpy(data, data_.constData() + position_, n);
                }
            } else if (file_.IsOpen()) {
                if (const OsError error = file_.ReadAt(data, size, position_, n)) {
                    // The item ends here; the add learns why.
                    error_ = error;
                    n = 0;
                    PostAddProblem(owner_, *channel_, PackProblem::Unreadable, fileName_, error);
                }
            }
            if (n == 0)
                EndOfData();
        }
        position_ += static_cast<int64_t>(n);
        if (processedSize)
            *processedSize = static_cast<uint32_t>(n);
        return S_OK;
    });
}

HRESULT StreamReader::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition)
{
    return Guarded([&]() -> HRESULT {
        // No end to seek from when the size is not known.
        if (seekOrigin == 2 && size_ <= 0)
            return S_FALSE;
        if (const HRESULT refused = SeekTarget(offset, seekOrigin, position_, size_, position_))
            return refused;
        if (newPosition)
            *newPosition = static_cast<uint64_t>(position_);
        return S_OK;
    });
}

HRESULT StreamReader::GetSize(uint64_t* size)
{
    return Guarded([&]() -> HRESULT {
        if (size_ <= 0)
            return S_FALSE;
        if (size)
            *size = static_cast<uint64_t>(size_);
        return S_OK;
    });
}
