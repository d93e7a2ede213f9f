#include "archive/sevenzip/ExtractCallback.h"

#include "archive/sevenzip/OpenCallback.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

using namespace SevenZipAbi;

namespace {

const char ZeroBlock[ItemOutStream::HoleBlock] = {};

bool IsZero(const char* data, size_t size)
{
    // Most blocks of real data give themselves away in their first bytes.
    uint64_t head;
    std::memcpy(&head, data, sizeof head);
    return head == 0 && std::memcmp(data, ZeroBlock, size) == 0;
}

QString ParentOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relative.left(slash);
}

QString NameOf(const QString& relative)
{
    return relative.mid(relative.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

bool SafeRelativePath(const QString& stored, QString& relative)
{
    relative.clear();
    if (stored.isEmpty() || stored.startsWith(QLatin1Char('/')))
        return false;
    for (const QString& name : stored.split(QLatin1Char('/'))) {
        if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
            return false;
        if (name.contains(QChar(0)))
            return false;
    }
    relative = stored;
    return true;
}

// --- ItemOutStream -------------------------------------------------------------------------

ItemOutStream::ItemOutStream(int folderHandle, std::function<bool()> stop) : toMemory_(false), stop_(std::move(stop))
{
    error_ = file_.CreateIn(folderHandle);
}

ItemOutStream::ItemOutStream() : toMemory_(true) {}

HRESULT ItemOutStream::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_ISequentialOutStream)
        *object = static_cast<ISequentialOutStream*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ItemOutStream::Write(const void* data, uint32_t size, uint32_t* processedSize)
{
    return Guarded([&]() -> HRESULT {
        if (processedSize)
            *processedSize = 0;
        if (stopped_ || (stop_ && stop_())) {
            stopped_ = true;
            return E_ABORT;
        }
        if (processedSize)
            *processedSize = size;
        if (error_ != NoError || size == 0)
            return S_OK;
        const char* bytes = static_cast<const char*>(data);
        if (toMemory_) {
            if (data_.size() + qsizetype(size) > LinkLimit)
                error_ = ENAMETOOLONG;
            else
                data_.append(bytes, static_cast<qsizetype>(size));
            position_ += size;
            return S_OK;
        }
        // Whole aligned blocks of zeros are skipped; everything between them goes out in one write.
        const char* run = bytes;
        int64_t runOffset = position_;
        size_t runSize = 0;
        size_t left = size;
        int64_t offset = position_;
        while (left > 0 && error_ == NoError) {
            const size_t intoBlock = static_cast<size_t>(offset % int64_t(HoleBlock));
            size_t chunk;
            bool zero = false;
            if (intoBlock == 0 && left >= HoleBlock) {
                chunk = HoleBlock;
                zero = IsZero(bytes, HoleBlock);
            } else {
                chunk = std::min(left, HoleBlock - intoBlock);
            }
            if (zero) {
                if (runSize > 0)
                    error_ = WriteRun(run, runSize, runOffset);
                runSize = 0;
            } else {
                if (runSize == 0) {
                    run = bytes;
                    runOffset = offset;
                }
                runSize += chunk;
            }
            bytes += chunk;
            offset += static_cast<int64_t>(chunk);
            left -= chunk;
        }
        if (runSize > 0 && error_ == NoError)
            error_ = WriteRun(run, runSize, runOffset);
        position_ += size;
        return S_OK;
    });
}

OsError ItemOutStream::WriteRun(const char* data, size_t size, int64_t offset)
{
    const OsError error = file_.WriteAt(data, size, offset);
    if (error == NoError)
        writtenEnd_ = offset + static_cast<int64_t>(size);
    return error;
}

OsError ItemOutStream::FinishLength()
{
    if (toMemory_ || writtenEnd_ == position_)
        return NoError;
    return file_.SetLength(position_);
}

// --- ArchiveExtractCallback ----------------------------------------------------------------

ArchiveExtractCallback::ArchiveExtractCallback(const SevenZipLibrary* library, std::shared_ptr<EventChannel> channel,
                                                 SevenZipReader& reader, RestoreTarget* target)
    : library_(library), channel_(std::move(channel)), reader_(reader), items_(reader.Listing().Items),
      target_(target), umask_(ProcessUmask())
{
    ItemResults.assign(items_.size(), ItemNotReached);
}

ArchiveExtractCallback::~ArchiveExtractCallback() = default;

HRESULT ArchiveExtractCallback::QueryInterface(const GUID& iid, void** object)
{
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IProgress || iid == IID_IArchiveExtractCallback)
        *object = static_cast<IArchiveExtractCallback*>(this);
    else if (iid == IID_ICryptoGetTextPassword)
        *object = static_cast<ICryptoGetTextPassword*>(this);
    else if (iid == IID_IArchiveExtractCallbackMessage2)
        *object = static_cast<IArchiveExtractCallbackMessage2*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ArchiveExtractCallback::ReportExtractResult(uint32_t indexType, uint32_t index, int32_t opRes)
{
    return Guarded([&]() -> HRESULT {
        if (opRes == kOpOK)
            return S_OK;
        // An item of the archive named: its result, unless it has a failure of its own already.
        constexpr uint32_t InArchiveIndex = 1;
        if (indexType == InArchiveIndex && index < ItemResults.size() &&
            (ItemResults[index] == kOpOK || ItemResults[index] == ItemNotReached))
            ItemResults[index] = opRes;
        int32_t none = 0;
        blockResult_.compare_exchange_strong(none, opRes);
        return S_OK;
    });
}

bool ArchiveExtractCallback::StopRequested() const
{
    return reader_.Cancelled() || channel_->Failed();
}

HRESULT ArchiveExtractCallback::SetTotal(uint64_t total)
{
    return Guarded([&]() -> HRESULT {
        total_ = total;
        return StopRequested() ? E_ABORT : S_OK;
    });
}

HRESULT ArchiveExtractCallback::SetCompleted(const uint64_t* completeValue)
{
    return Guarded([&]() -> HRESULT {
        if (completeValue && reader_.OnProgress) {
            const uint64_t done = *completeValue;
            const uint64_t total = total_;
            latestDone_ = done;
            // The library reports after every small item; waking the calling thread for each one
            // costs more than the items. A bar needs a few dozen steps a second and the last one.
            const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
            int64_t last = lastPosted_.load();
            if ((now - last >= ProgressInterval || done >= total) && lastPosted_.compare_exchange_strong(last, now))
                PostProgress(done, total);
        }
        return StopRequested() ? E_ABORT : S_OK;
    });
}

void ArchiveExtractCallback::PostProgress(uint64_t done, uint64_t total)
{
    postedDone_ = done;
    SevenZipReader* reader = &reader_;
    EventChannel* channel = channel_.get();
    channel_->Post([=] {
        if (!channel->HandlersBlocked() && reader->OnProgress)
            reader->OnProgress(done, total);
    });
}

HRESULT ArchiveExtractCallback::CryptoGetTextPassword(BSTR* password)
{
    return Guarded([&]() -> HRESULT {
        return AnswerPassword(library_, reader_.Password, password, passwordAsked_, passwordMissing_);
    });
}

HRESULT ArchiveExtractCallback::GetStream(uint32_t index, ISequentialOutStream** outStream, int32_t askExtractMode)
{
    return Guarded([&]() -> HRESULT {
        if (!outStream)
            return E_INVALIDARG;
        *outStream = nullptr;
        if (index >= items_.size())
            return E_INVALIDARG;
        index_ = index;
        inItem_ = true;
        action_ = ItemAction::None;
        stream_.Reset();
        if (StopRequested())
            return E_ABORT;
        // Items the library only passes over on its way to the chosen ones are not announced.
        if (reader_.OnItem && askExtractMode != kAskSkip) {
            SevenZipReader* reader = &reader_;
            EventChannel* channel = channel_.get();
            const ArchiveItem* item = &items_[index];
            channel_->Post([=] {
                if (!channel->HandlersBlocked() && reader->OnItem)
                    reader->OnItem(*item);
            });
        }
        // Testing and skipping decode without writing anything.
        if (askExtractMode != kAskExtract || !target_)
            return S_OK;
        return PrepareItem(items_[index], outStream);
    });
}

bool ArchiveExtractCallback::OpenFolder(const QString& relative, const ArchiveItem& item, int& handle)
{
    const OsError error = target_->Folder(relative, handle);
    if (error == ELOOP)
        Report(ExtractProblem::ThroughLink, &item, TargetOf(item.Path));
    else if (error)
        Report(ExtractProblem::WriteFailed, &item, TargetOf(relative), error);
    return error == NoError;
}

HRESULT ArchiveExtractCallback::PrepareItem(const ArchiveItem& item, ISequentialOutStream** outStream)
{
    if (!SafeRelativePath(item.Path, relative_)) {
        Report(ExtractProblem::UnsafePath, &item, QString());
        return S_OK;
    }
    const QString target = TargetOf(relative_);
    int folder = -1;
    if (item.IsFolder) {
        if (!OpenFolder(relative_, item, folder))
            return S_OK;
        // A folder that was there before is not restored, and keeps its own time and bits.
        if (target_->Made(relative_)) {
            ++Extracted;
            folderItems_.push_back(item.Index);
        }
        return S_OK;
    }
    if (!OpenFolder(ParentOf(relative_), item, folder))
        return S_OK;
    const QString name = NameOf(relative_);
    PathState state;
    if (const OsError error = RestoreTarget::Lookup(folder, name, state)) {
        Report(ExtractProblem::WriteFailed, &item, target, error);
        return S_OK;
    }
    replace_ = false;
    if (state.Kind == PathKind::Folder) {
        Report(ExtractProblem::WriteFailed, &item, target, EISDIR);
        return S_OK;
    }
    if (state.Kind != PathKind::Missing) {
        OverwriteAnswer answer = OverwriteAnswer::Skip;
        if (reader_.OnOverwrite) {
            const ExistingFile existing{target, state.Kind == PathKind::Link, state.Size, state.Time};
            SevenZipReader* reader = &reader_;
            EventChannel* channel = channel_.get();
            // The answer decides what happens to this item, so the library's thread waits for it.
            channel_->Call([&answer, reader, channel, &item, &existing] {
                if (!channel->HandlersBlocked() && reader->OnOverwrite)
                    answer = reader->OnOverwrite(item, existing);
            });
        }
        if (answer == OverwriteAnswer::Cancel)
            reader_.CancelRequested = true;
        if (StopRequested())
            return E_ABORT;
        if (answer == OverwriteAnswer::Skip) {
            Report(ExtractProblem::Skipped, &item, target);
            return S_OK;
        }
        replace_ = true;
    }

    if (item.IsSymbolicLink()) {
        stream_.Set(new ItemOutStream());
        action_ = ItemAction::Link;
    } else {
        stream_.Set(new ItemOutStream(folder, [this] { return StopRequested(); }));
        if (const OsError error = stream_->Error()) {
            stream_.Reset();
            Report(ExtractProblem::WriteFailed, &item, target, error);
            return S_OK;
        }
        action_ = ItemAction::File;
    }
    *outStream = stream_.Get();
    stream_->AddRef();
    return S_OK;
}

HRESULT ArchiveExtractCallback::PrepareOperation(int32_t)
{
    return S_OK;
}

HRESULT ArchiveExtractCallback::SetOperationResult(int32_t opRes)
{
    return Guarded([&]() -> HRESULT {
        if (!inItem_)
            return S_OK;
        inItem_ = false;
        ItemResults[index_] = opRes;
        const ArchiveItem& item = items_[index_];
        if (action_ != ItemAction::None && opRes != kOpOK) {
            // What came out of a damaged item is not the file that was stored.
            stream_.Reset();
            Report(ExtractProblem::Damaged, &item, TargetOf(relative_), 0, opRes);
        } else if (action_ == ItemAction::File) {
            FinishFile(item);
        } else if (action_ == ItemAction::Link) {
            FinishLink(item);
        }
        action_ = ItemAction::None;
        stream_.Reset();
        if (reader_.BetweenItems)
            reader_.BetweenItems(item);
        return StopRequested() ? E_ABORT : S_OK;
    });
}

void ArchiveExtractCallback::FinishFile(const ArchiveItem& item)
{
    const QString target = TargetOf(relative_);
    // A file whose writes were stopped by a cancel is not whole, whatever the library says.
    if (stream_->Stopped())
        return;
    RestoredFile& file = stream_->File();
    OsError error = stream_->Error();
    // Nor is one that did not come out at the size the headers give.
    if (!error && uint64_t(stream_->Written()) != item.Size) {
        Report(ExtractProblem::Damaged, &item, target, 0,
               uint64_t(stream_->Written()) < item.Size ? ItemUnexpectedEnd : ItemDataAfterEnd);
        return;
    }
    if (!error)
        error = stream_->FinishLength();
    if (!error) {
        // As tar does for an ordinary user: no bit the umask takes away.
        unsigned mode;
        if (item.HasPosixMode()) {
            mode = item.Permissions();
        } else {
            mode = 0666u;
            if (item.HasAttributes && (item.Attributes & FileSystem::AttrReadOnly))
                mode &= ~0222u;
        }
        error = file.SetMode(mode & ~umask_);
    }
    if (!error && item.HasTime)
        error = file.SetTime(item.Time);
    // The file that lies there now goes only when the new one is on the disk.
    if (!error && replace_)
        error = file.Sync();
    if (!error)
        error = file.Commit(NameOf(relative_), replace_);
    if (error == EEXIST && !replace_) {
        // Something appeared under the name meanwhile; it is kept.
        file.Discard();
        Report(ExtractProblem::Skipped, &item, target);
    } else if (error) {
        file.Discard();
        Report(ExtractProblem::WriteFailed, &item, target, error);
    } else {
        ++Extracted;
    }
}

void ArchiveExtractCallback::FinishLink(const ArchiveItem& item)
{
    const QString target = TargetOf(relative_);
    if (const OsError error = stream_->Error()) {
        Report(ExtractProblem::WriteFailed, &item, target, error);
        return;
    }
    if (uint64_t(stream_->Written()) != item.Size) {
        Report(ExtractProblem::Damaged, &item, target, 0,
               uint64_t(stream_->Written()) < item.Size ? ItemUnexpectedEnd : ItemDataAfterEnd);
        return;
    }
    const QString linkTarget = FromNativePath(stream_->Data());
    if (linkTarget.isEmpty() || linkTarget.contains(QChar(0))) {
        Report(ExtractProblem::Damaged, &item, target, 0, ItemDataError);
        return;
    }
    // Made at the end, so no file of this archive is ever written where one of them leads.
    links_.push_back(PendingLink{item.Index, relative_, linkTarget, replace_});
}

void ArchiveExtractCallback::MakeLink(const PendingLink& link)
{
    const ArchiveItem& item = items_[link.Index];
    int folder = -1;
    if (!OpenFolder(ParentOf(link.Relative), item, folder))
        return;
    // Only ever a link, whatever its target: it is made, never followed.
    const OsError error =
        RestoreTarget::MakeLink(folder, NameOf(link.Relative), link.Target, link.Replace, item.HasTime, item.Time);
    if (error == EEXIST && !link.Replace)
        Report(ExtractProblem::Skipped, &item, TargetOf(link.Relative));
    else if (error)
        Report(ExtractProblem::WriteFailed, &item, TargetOf(link.Relative), error);
    else
        ++Extracted;
}

void ArchiveExtractCallback::Finish()
{
    // The last figure reaches the caller even when it came too soon after the one before.
    if (reader_.OnProgress && latestDone_ != postedDone_)
        PostProgress(latestDone_, total_);
    // An item the library left half done (a cancel, a failure) is dropped with its stream.
    stream_.Reset();
    inItem_ = false;
    if (!target_)
        return;

    for (const PendingLink& link : links_)
        MakeLink(link);

    // Deepest first, so a folder's time is set after everything inside it is written, and a
    // folder without write permission gets it only when nothing more goes into it.
    std::vector<uint32_t> folders = folderItems_;
    std::sort(folders.begin(), folders.end(),
              [this](uint32_t a, uint32_t b) { return items_[a].Path > items_[b].Path; });
    for (const uint32_t index : folders) {
        const ArchiveItem& item = items_[index];
        const unsigned mode = (item.HasPosixMode() ? item.Permissions() : 0777u) & ~umask_;
        if (const OsError error = target_->SetFolder(item.Path, item.HasTime, item.Time, true, mode))
            Report(ExtractProblem::WriteFailed, &item, TargetOf(item.Path), error);
    }
    if (const OsError error = target_->Sync())
        Report(ExtractProblem::WriteFailed, nullptr, target_->Path(), error);
}

void ArchiveExtractCallback::Report(ExtractProblem::Kind what, const ArchiveItem* item, const QString& target,
                                     int error, int32_t itemResult)
{
    ExtractProblem problem;
    problem.What = what;
    if (item) {
        problem.Index = item->Index;
        problem.Path = item->Path;
    }
    problem.Target = target;
    problem.Error = error;
    problem.ItemResult = itemResult;
    Problems.push_back(problem);
    if (reader_.OnProblem) {
        SevenZipReader* reader = &reader_;
        EventChannel* channel = channel_.get();
        channel_->Post([=] {
            if (!channel->HandlersBlocked() && reader->OnProblem)
                reader->OnProblem(problem);
        });
    }
}
