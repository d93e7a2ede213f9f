#include "archive/sevenzip/UpdateCallback.h"

#include "platform/FileSystem.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "archive/sevenzip/StreamReader.h"
#include "archive/sevenzip/UpdatePlan.h"

using namespace SevenZipAbi;

namespace {
constexpr int32_t ErrCodeCancelled = 6;

// Our texts keep a byte of a name that is not UTF-8 as U+DC80..U+DCFF; 7-Zip keeps such a byte b
// as U+EF00 + b in its archives and writes the byte back when it extracts. Stored its way, the
// 7z command lists and extracts such names with their own bytes.
QString ArchiveName(QString path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path.at(i).unicode();
        if (u >= 0xDC80 && u <= 0xDCFF && !(i > 0 && path.at(i - 1).isHighSurrogate()))
            path[i] = QChar(static_cast<char16_t>(u - 0xDC00 + 0xEF00));
    }
    return path;
}
}  // namespace

ArchiveUpdateCallback::ArchiveUpdateCallback(SevenZipPacker* owner, std::shared_ptr<EventChannel> channel,
                                                   const SevenZipLibrary* library)
    : owner_(owner), channel_(std::move(channel)), library_(library)
{
    if (owner_)
        password_ = owner_->Password;
}

HRESULT ArchiveUpdateCallback::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveUpdateCallback)
        *object = static_cast<IArchiveUpdateCallback*>(this);
    else if (iid == IID_ICryptoGetTextPassword2)
        *object = static_cast<ICryptoGetTextPassword2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ArchiveUpdateCallback::SetTotal(uint64_t)
{
    return S_OK;
}

bool ArchiveUpdateCallback::StopRequested() const
{
    return (owner_ && owner_->CancelRequested.load()) || channel_->Failed();
}

HRESULT ArchiveUpdateCallback::SetCompleted(const uint64_t* completeValue)
{
    return Guarded([&]() -> HRESULT {
        QString name;
        if (completeValue) {
            bool first;
            int64_t size, filePos;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                // Before the first stream there is no item whose data could begin.
                first = FileProgress == 0 && streamGiven_;
                FileProgress += static_cast<int64_t>(*completeValue - LastCompleted);
                LastCompleted = *completeValue;
                name = CurrentName;
                size = CurrentSize;
                filePos = FileProgress;
            }
            const int64_t arcPos = static_cast<int64_t>(*completeValue);
            SevenZipPacker* owner = owner_;
            EventChannel* channel = channel_.get();
            if (owner)
                channel_->Post([=] {
                    if (channel->HandlersBlocked())
                        return;
                    if (first && owner->OnAddfile)
                        owner->OnAddfile(owner, name, size);
                    if (owner->OnProgress)
                        owner->OnProgress(owner, name, arcPos, filePos);
                });
        } else {
            std::lock_guard<std::mutex> lock(mutex_);
            name = CurrentName;
        }
        if (!StopRequested())
            return S_OK;
        bool report;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            report = !cancelReported_;
            cancelReported_ = true;
        }
        // A stop caused by a failing handler is not the user's cancellation: the add fails
        // with the handler's exception, not as cancelled.
        const bool cancelled = owner_ && owner_->CancelRequested.load();
        if (report && cancelled) {
            SevenZipPacker* owner = owner_;
            EventChannel* channel = channel_.get();
            channel_->Post([=] {
                owner->ErrCode = ErrCodeCancelled;
                if (!channel->HandlersBlocked() && owner->OnMessage)
                    owner->OnMessage(owner, ErrCodeCancelled, QString::fromLatin1(SevenZipPacker::ErrorMessages[ErrCodeCancelled]),
                                     name);
            });
        }
        return cancelled ? E_ABORT : E_FAIL;
    });
}

HRESULT ArchiveUpdateCallback::GetUpdateItemInfo(uint32_t index, int32_t* newData, int32_t* newProps,
                                                    uint32_t* indexInArchive)
{
    return Guarded([&]() -> HRESULT {
        // An item taken over keeps its data and its header data as stored.
        const uint32_t earlier = index < EarlierIndex.size() ? EarlierIndex[index] : NoEarlierItem;
        const int32_t fresh = earlier == NoEarlierItem ? 1 : 0;
        if (newData)
            *newData = fresh;
        if (newProps)
            *newProps = fresh;
        if (indexInArchive)
            *indexInArchive = earlier;
        return S_OK;
    });
}

ArchiveItem ArchiveUpdateCallback::GatheredItem(uint32_t index)
{
    ArchiveItem item;
    item.Index = index;
    item.Path = StoredPath(index);
    item.Attributes = ItemAttributes[index];
    item.HasAttributes = true;
    item.IsFolder = (item.Attributes & FileSystem::AttrDirectory) != 0;
    item.Size = item.IsFolder ? 0 : static_cast<uint64_t>(ItemSizes[index]);
    item.Time = ItemTimes[index];
    item.HasTime = true;
    item.ChangeTime = index < ItemChangeTimes.size() ? ItemChangeTimes[index] : 0;
    return item;
}

void ArchiveUpdateCallback::ResetProgress()
{
    std::lock_guard<std::mutex> lock(mutex_);
    CurrentName.clear();
    FileProgress = 0;
    CurrentSize = 0;
    LastCompleted = 0;
    cancelReported_ = false;
    streamGiven_ = false;
}

QString ArchiveUpdateCallback::StoredPath(uint32_t index)
{
    QString path = ItemNames[index];
    if (!RootDir.isEmpty() && FileSystem::UpperCase(path.left(RootDir.size())) == RootDir)
        path.remove(0, RootDir.size());
    if (HasSetAddName && owner_) {
        SevenZipPacker* owner = owner_;
        EventChannel* channel = channel_.get();
        // The handler answers through path, so the library's thread waits for it.
        channel_->Call([&path, owner, channel, index] {
            if (!channel->HandlersBlocked() && owner->OnSetAddName)
                owner->OnSetAddName(owner, index, path);
        });
    }
    // No stored name may be absolute (there is no drive letter to keep on this system).
    path.remove(0, FileSystem::RootPrefixLength(path));
    if (Options & AddStoreOnlyFilename)
        path = path.mid(path.lastIndexOf(FileSystem::Separator) + 1);
    return path;
}

HRESULT ArchiveUpdateCallback::GetProperty(uint32_t index, PROPID propID, PROPVARIANT* value)
{
    return Guarded([&]() -> HRESULT {
        if (!value)
            return E_INVALIDARG;
        switch (propID) {
        case kpidPath:
        case kpidIsDir:
        case kpidSize:
        case kpidAttrib:
        case kpidCTime:
        case kpidATime:
        case kpidMTime:
        case kpidIsAnti:
            break;
        default:
            return S_FALSE;
        }
        if (index >= ItemCount)
            return E_INVALIDARG;
        switch (propID) {
        case kpidPath: {
            BSTR text = library_ ? library_->AllocString(ArchiveName(StoredPath(index))) : nullptr;
            if (!text)
                return E_FAIL;
            value->vt = VT_BSTR;
            value->bstrVal = text;
            break;
        }
        case kpidIsDir:
            value->vt = VT_BOOL;
            value->boolVal = (ItemAttributes[index] & FileSystem::AttrDirectory) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case kpidSize:
            value->vt = VT_UI8;
            value->uhVal = static_cast<uint64_t>(ItemSizes[index]);
            break;
        case kpidAttrib:
            value->vt = VT_UI4;
            value->ulVal = ItemAttributes[index];
            break;
        case kpidCTime:
        case kpidATime:
            value->vt = VT_FILETIME;
            value->filetime = FILETIME{0, 0};
            break;
        case kpidMTime:
            value->vt = VT_FILETIME;
            value->filetime = FILETIME{static_cast<uint32_t>(ItemTimes[index]), static_cast<uint32_t>(ItemTimes[index] >> 32)};
            break;
        case kpidIsAnti:
            value->vt = VT_BOOL;
            value->boolVal = VARIANT_FALSE;
            break;
        }
        return S_OK;
    });
}

ItemKind ArchiveUpdateCallback::KindOf(uint32_t index) const
{
    return index < ItemKinds.size() ? static_cast<ItemKind>(ItemKinds[index]) : ItemFollowedFile;
}

HRESULT ArchiveUpdateCallback::GetStream(uint32_t index, ISequentialInStream** inStream)
{
    return Guarded([&]() -> HRESULT {
        if (!inStream)
            return E_INVALIDARG;
        *inStream = nullptr;
        if (index >= ItemCount)
            return E_INVALIDARG;
        const QString& name = ItemNames[index];
        StreamReader::SourceItem source = StreamReader::FollowLinks;
        switch (KindOf(index)) {
        case ItemFile:
            source = StreamReader::NoLinks;
            break;
        case ItemLink:
            source = StreamReader::LinkText;
            break;
        default:
            break;
        }
        ComPtr<StreamReader> reader(new StreamReader(owner_, channel_, name, source, ItemSizes[index]));
        if (reader->Error() != 0) {
            // S_FALSE without a stream makes the library leave the item out of the archive: an
            // empty item would restore as an empty file over the real one.
            PostAddProblem(owner_, *channel_, PackProblem::Unreadable, name, reader->Error());
            return S_FALSE;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            CurrentName = name;
            CurrentSize = ItemSizes[index];
            FileProgress = 0;
            streamGiven_ = true;
        }
        reader->AddRef();
        *inStream = static_cast<IInStream*>(reader.Get());
        return S_OK;
    });
}

HRESULT ArchiveUpdateCallback::SetOperationResult(int32_t)
{
    return S_OK;
}

HRESULT ArchiveUpdateCallback::CryptoGetTextPassword2(int32_t* passwordIsDefined, BSTR* password)
{
    return Guarded([&]() -> HRESULT {
        if (!passwordIsDefined)
            return E_INVALIDARG;
        if (password_.isEmpty()) {
            *passwordIsDefined = 0;
            return S_OK;
        }
        if (!password || !library_)
            return E_INVALIDARG;
        *passwordIsDefined = -1;
        *password = library_->AllocString(password_);
        return *password ? S_OK : E_FAIL;
    });
}
