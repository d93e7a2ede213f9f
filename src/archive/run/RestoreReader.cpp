#include "archive/run/RestoreReader.h"

#include "archive/sevenzip/ArchiveInStream.h"
#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/ExtractCallback.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/OpenCallback.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Restore.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

using namespace SevenZipAbi;

namespace {

constexpr uint32_t AllItems = 0xFFFFFFFFu;

QString ParentOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : relative.left(slash);
}

QString NameOf(const QString& relative)
{
    return relative.mid(relative.lastIndexOf(QLatin1Char('/')) + 1);
}

// The data of one file item, written into a temporary file in its open folder; aligned blocks
// of zeros are left as holes. A refused write is kept and the rest of the data dropped, so the
// library goes on with the next item.
class FileOutStream final : public InterfacedObject, public ISequentialOutStream {
    SEVENZIP_INTERFACED_OBJECT
public:
    static constexpr size_t HoleBlock = ItemOutStream::HoleBlock;

    FileOutStream(int folder, std::function<bool()> stop) : stop_(std::move(stop)) { error_ = file_.CreateIn(folder); }

    HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) override
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
            const char* bytes = static_cast<const char*>(data);
            size_t left = size;
            int64_t offset = position_;
            while (left > 0 && error_ == NoError) {
                const size_t intoBlock = static_cast<size_t>(offset % int64_t(HoleBlock));
                const size_t chunk = std::min(left, HoleBlock - intoBlock);
                static const char Zeros[HoleBlock] = {};
                const bool hole = intoBlock == 0 && chunk == HoleBlock && std::memcmp(bytes, Zeros, HoleBlock) == 0;
                if (!hole) {
                    error_ = file_.WriteAt(bytes, chunk, offset);
                    if (error_ == NoError)
                        writtenEnd_ = offset + int64_t(chunk);
                }
                bytes += chunk;
                offset += int64_t(chunk);
                left -= chunk;
            }
            position_ += size;
            return S_OK;
        });
    }

    OsError Error() const { return error_; }
    bool Stopped() const { return stopped_; }
    int64_t Written() const { return position_; }
    RestoredFile& File() { return file_; }
    OsError FinishLength() { return writtenEnd_ == position_ ? NoError : file_.SetLength(position_); }

private:
    std::function<bool()> stop_;
    RestoredFile file_;
    int64_t position_ = 0;
    int64_t writtenEnd_ = 0;
    OsError error_ = NoError;
    bool stopped_ = false;
};

HRESULT FileOutStream::QueryInterface(const GUID& iid, void** object)
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

// What the library asks while it extracts, answered by writing into the target through its
// descriptors.
class TargetExtractCallback final : public IArchiveExtractCallback,
                                     public ICryptoGetTextPassword,
                                     public IArchiveExtractCallbackMessage2,
                                     public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    TargetExtractCallback(const SevenZipLibrary* library, std::shared_ptr<EventChannel> channel, RestoreReader& owner,
                          const std::vector<ArchiveItem>& items, RestoreTarget& target)
        : library_(library), channel_(std::move(channel)), owner_(owner), items_(items), target_(target),
          umask_(ProcessUmask())
    {
        ItemResults.assign(items_.size(), ItemNotReached);
    }

    HRESULT SetTotal(uint64_t total) override
    {
        return Guarded([&]() -> HRESULT {
            total_ = total;
            return StopRequested() ? E_ABORT : S_OK;
        });
    }

    HRESULT SetCompleted(const uint64_t* completeValue) override
    {
        return Guarded([&]() -> HRESULT {
            if (completeValue && owner_.OnProgress) {
                const uint64_t done = *completeValue;
                const uint64_t total = total_;
                latestDone_ = done;
                // A bar needs a few dozen steps a second and the last one, not one per small item.
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

    HRESULT GetStream(uint32_t index, ISequentialOutStream** outStream, int32_t askExtractMode) override
    {
        return Guarded([&]() -> HRESULT {
            if (!outStream)
                return E_INVALIDARG;
            *outStream = nullptr;
            if (index >= items_.size())
                return E_INVALIDARG;
            index_ = index;
            inItem_ = true;
            action_ = Action::None;
            file_.Reset();
            link_.Reset();
            if (StopRequested())
                return E_ABORT;
            if (owner_.OnItem && askExtractMode != kAskSkip) {
                RestoreReader* owner = &owner_;
                EventChannel* channel = channel_.get();
                const ArchiveItem* item = &items_[index];
                channel_->Post([=] {
                    if (!channel->HandlersBlocked() && owner->OnItem)
                        owner->OnItem(*item);
                });
            }
            if (askExtractMode != kAskExtract)
                return S_OK;
            return PrepareItem(items_[index], outStream);
        });
    }

    HRESULT PrepareOperation(int32_t) override { return S_OK; }

    HRESULT SetOperationResult(int32_t opRes) override
    {
        return Guarded([&]() -> HRESULT {
            if (!inItem_)
                return S_OK;
            inItem_ = false;
            ItemResults[index_] = opRes;
            const ArchiveItem& item = items_[index_];
            if (action_ != Action::None && opRes != kOpOK) {
                // What came out of a damaged item is not what was stored.
                file_.Reset();
                Report(ExtractProblem::Damaged, &item, TargetOf(relative_), 0, opRes);
            } else if (action_ == Action::File) {
                FinishFile(item);
            } else if (action_ == Action::Link) {
                FinishLink(item);
            }
            action_ = Action::None;
            file_.Reset();
            link_.Reset();
            if (owner_.BetweenItems)
                owner_.BetweenItems(item);
            return StopRequested() ? E_ABORT : S_OK;
        });
    }

    HRESULT CryptoGetTextPassword(BSTR* password) override
    {
        return Guarded([&]() -> HRESULT {
            return AnswerPassword(library_, owner_.Password, password, passwordAsked_, passwordMissing_);
        });
    }

    HRESULT ReportExtractResult(uint32_t indexType, uint32_t index, int32_t opRes) override
    {
        return Guarded([&]() -> HRESULT {
            if (opRes == kOpOK)
                return S_OK;
            constexpr uint32_t InArchiveIndex = 1;
            if (indexType == InArchiveIndex && index < ItemResults.size() &&
                (ItemResults[index] == kOpOK || ItemResults[index] == ItemNotReached))
                ItemResults[index] = opRes;
            int32_t none = 0;
            blockResult_.compare_exchange_strong(none, opRes);
            return S_OK;
        });
    }

    // After the library has finished, on the calling thread: the links, the folders' own times
    // and bits, and everything made durable.
    void Finish()
    {
        if (owner_.OnProgress && latestDone_ != postedDone_)
            PostProgress(latestDone_, total_);
        file_.Reset();
        link_.Reset();
        inItem_ = false;

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
            if (const OsError error = target_.SetFolder(item.Path, item.HasTime, item.Time, true, mode))
                Report(ExtractProblem::WriteFailed, &item, TargetOf(item.Path), error);
        }
        if (const OsError error = target_.Sync())
            Report(ExtractProblem::WriteFailed, nullptr, target_.Path(), error);
    }

    std::vector<int32_t> ItemResults;
    std::vector<ExtractProblem> Problems;
    uint32_t Extracted = 0;
    int32_t BlockResult() const { return blockResult_.load(); }
    bool PasswordAsked() const { return passwordAsked_; }
    bool PasswordMissing() const { return passwordMissing_; }

    void Report(ExtractProblem::Kind what, const ArchiveItem* item, const QString& target, int error = 0,
                int32_t itemResult = 0)
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
        if (owner_.OnProblem) {
            RestoreReader* owner = &owner_;
            EventChannel* channel = channel_.get();
            channel_->Post([=] {
                if (!channel->HandlersBlocked() && owner->OnProblem)
                    owner->OnProblem(problem);
            });
        }
    }

private:
    enum class Action { None, File, Link };
    struct PendingLink {
        uint32_t Index;
        QString Relative;
        QString Target;
        bool Replace;
    };
    static constexpr int64_t ProgressInterval = 20'000'000;

    bool StopRequested() const { return owner_.Cancelled() || channel_->Failed(); }
    QString TargetOf(const QString& relative) const { return target_.Path() + relative; }

    void PostProgress(uint64_t done, uint64_t total)
    {
        postedDone_ = done;
        RestoreReader* owner = &owner_;
        EventChannel* channel = channel_.get();
        channel_->Post([=] {
            if (!channel->HandlersBlocked() && owner->OnProgress)
                owner->OnProgress(done, total);
        });
    }

    // The open folder at relative; false (and the item reported) when it cannot be had.
    bool OpenFolder(const QString& relative, const ArchiveItem& item, int& handle, bool* created = nullptr)
    {
        const OsError error = target_.Folder(relative, handle, created);
        if (error == ELOOP)
            Report(ExtractProblem::ThroughLink, &item, TargetOf(item.Path));
        else if (error)
            Report(ExtractProblem::WriteFailed, &item, TargetOf(relative), error);
        return error == NoError;
    }

    HRESULT PrepareItem(const ArchiveItem& item, ISequentialOutStream** outStream)
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
            if (target_.Made(relative_)) {
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
            if (owner_.OnOverwrite) {
                const ExistingFile existing{target, state.Kind == PathKind::Link, state.Size, state.Time};
                RestoreReader* owner = &owner_;
                EventChannel* channel = channel_.get();
                // The answer decides what happens to this item, so the library's thread waits.
                channel_->Call([&answer, owner, channel, &item, &existing] {
                    if (!channel->HandlersBlocked() && owner->OnOverwrite)
                        answer = owner->OnOverwrite(item, existing);
                });
            }
            if (answer == OverwriteAnswer::Cancel)
                owner_.CancelRequested = true;
            if (StopRequested())
                return E_ABORT;
            if (answer == OverwriteAnswer::Skip) {
                Report(ExtractProblem::Skipped, &item, target);
                return S_OK;
            }
            replace_ = true;
        }
        if (item.IsSymbolicLink()) {
            link_.Set(new ItemOutStream());
            action_ = Action::Link;
            *outStream = link_.Get();
            link_->AddRef();
            return S_OK;
        }
        file_.Set(new FileOutStream(folder, [this] { return StopRequested(); }));
        if (const OsError error = file_->Error()) {
            file_.Reset();
            Report(ExtractProblem::WriteFailed, &item, target, error);
            return S_OK;
        }
        action_ = Action::File;
        *outStream = file_.Get();
        file_->AddRef();
        return S_OK;
    }

    void FinishFile(const ArchiveItem& item)
    {
        const QString target = TargetOf(relative_);
        // A file whose writes a cancel stopped is not whole, whatever the library says.
        if (file_->Stopped())
            return;
        RestoredFile& file = file_->File();
        OsError error = file_->Error();
        if (!error && uint64_t(file_->Written()) != item.Size) {
            Report(ExtractProblem::Damaged, &item, target, 0,
                   uint64_t(file_->Written()) < item.Size ? ItemUnexpectedEnd : ItemDataAfterEnd);
            return;
        }
        if (!error)
            error = file_->FinishLength();
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
            file.Discard();
            Report(ExtractProblem::Skipped, &item, target);
        } else if (error) {
            file.Discard();
            Report(ExtractProblem::WriteFailed, &item, target, error);
        } else {
            ++Extracted;
        }
    }

    void FinishLink(const ArchiveItem& item)
    {
        const QString target = TargetOf(relative_);
        if (const OsError error = link_->Error()) {
            Report(ExtractProblem::WriteFailed, &item, target, error);
            return;
        }
        if (uint64_t(link_->Written()) != item.Size) {
            Report(ExtractProblem::Damaged, &item, target, 0,
                   uint64_t(link_->Written()) < item.Size ? ItemUnexpectedEnd : ItemDataAfterEnd);
            return;
        }
        const QString linkTarget = FromNativePath(link_->Data());
        if (linkTarget.isEmpty() || linkTarget.contains(QChar(0))) {
            Report(ExtractProblem::Damaged, &item, target, 0, ItemDataError);
            return;
        }
        // Made at the end, so no file of this archive is ever written where one of them leads.
        links_.push_back(PendingLink{item.Index, relative_, linkTarget, replace_});
    }

    void MakeLink(const PendingLink& link)
    {
        const ArchiveItem& item = items_[link.Index];
        int folder = -1;
        if (!OpenFolder(ParentOf(link.Relative), item, folder))
            return;
        const OsError error = RestoreTarget::MakeLink(folder, NameOf(link.Relative), link.Target, link.Replace,
                                                      item.HasTime, item.Time);
        if (error == EEXIST && !link.Replace)
            Report(ExtractProblem::Skipped, &item, TargetOf(link.Relative));
        else if (error)
            Report(ExtractProblem::WriteFailed, &item, TargetOf(link.Relative), error);
        else
            ++Extracted;
    }

    const SevenZipLibrary* library_;
    std::shared_ptr<EventChannel> channel_;
    RestoreReader& owner_;
    const std::vector<ArchiveItem>& items_;
    RestoreTarget& target_;
    unsigned umask_;
    std::atomic<uint64_t> total_{0};
    std::atomic<int64_t> lastPosted_{0};
    std::atomic<uint64_t> latestDone_{0};
    std::atomic<uint64_t> postedDone_{0};
    std::atomic<bool> passwordAsked_{false};
    std::atomic<bool> passwordMissing_{false};
    std::atomic<int32_t> blockResult_{0};

    uint32_t index_ = 0;
    bool inItem_ = false;
    Action action_ = Action::None;
    QString relative_;
    bool replace_ = false;
    ComPtr<FileOutStream> file_;
    ComPtr<ItemOutStream> link_;
    std::vector<uint32_t> folderItems_;
    std::vector<PendingLink> links_;
};

HRESULT TargetExtractCallback::QueryInterface(const GUID& iid, void** object)
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

ArchiveStatus StatusOfItemResult(int32_t result, bool encrypted)
{
    switch (result) {
    case ItemUnsupportedMethod:
        return ArchiveStatus::Unsupported;
    case ItemWrongPassword:
        return ArchiveStatus::WrongPassword;
    case ItemDataError:
    case ItemCrcError:
        // Encrypted data decoded with a wrong password looks damaged; the password is likelier.
        return encrypted ? ArchiveStatus::WrongPassword : ArchiveStatus::Damaged;
    default:
        return ArchiveStatus::Damaged;
    }
}

// The verdict on the extraction from what the library answered and what each chosen item gave;
// a damaged item outweighs a cancel.
void Judge(ExtractResult& extract, HRESULT result, const std::vector<uint32_t>& chosen, OsError readError,
           bool passwordAsked, bool passwordMissing, bool cancelled, int32_t blockResult)
{
    extract.LibraryResult = result;
    if (readError != NoError) {
        extract.Status = ArchiveStatus::FileError;
        extract.Error = readError;
        return;
    }
    if (passwordMissing) {
        extract.Status = ArchiveStatus::WrongPassword;
        return;
    }
    bool notReached = false;
    const auto look = [&](uint32_t index) {
        const int32_t r = extract.ItemResults[index];
        if (r == ItemNotReached) {
            notReached = true;
            return false;
        }
        if (r != ItemOk) {
            extract.Status = StatusOfItemResult(r, passwordAsked);
            return true;
        }
        return false;
    };
    if (chosen.empty()) {
        for (uint32_t i = 0; i < extract.ItemResults.size(); ++i)
            if (look(i))
                return;
    } else {
        for (const uint32_t i : chosen)
            if (look(i))
                return;
    }
    if (result == E_ABORT && cancelled)
        extract.Status = ArchiveStatus::Cancelled;
    else if (result == S_FALSE)
        extract.Status = ArchiveStatus::Damaged;
    else if (result != S_OK)
        extract.Status = ArchiveStatus::Failed;
    else if (notReached)
        extract.Status = ArchiveStatus::Damaged;
    else if (blockResult != ItemOk)
        extract.Status = StatusOfItemResult(blockResult, passwordAsked);
    else
        extract.Status = ArchiveStatus::Ok;
}

}  // namespace

RestoreReader::RestoreReader(const SevenZipPacker& zip) : reader_(zip) {}

RestoreReader::~RestoreReader() = default;

const ArchiveListing& RestoreReader::Open(const QString& archivePath)
{
    CancelRequested = false;
    reader_.Password = Password;
    reader_.CancelAlso = CancelAlso;
    return reader_.Open(archivePath);
}

void RestoreReader::Close()
{
    reader_.Close();
}

ExtractResult RestoreReader::Extract(const QString& folder, std::vector<uint32_t> indices)
{
    ExtractResult extract;
    const ArchiveListing& listing = reader_.Listing();
    if (!reader_.IsOpen()) {
        extract.Status = listing.Status == ArchiveStatus::Ok ? ArchiveStatus::NotOpen : listing.Status;
        extract.Error = listing.Error;
        extract.LibraryResult = listing.LibraryResult;
        return extract;
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    if (!indices.empty() && indices.back() >= listing.Items.size()) {
        extract.Status = ArchiveStatus::Failed;
        extract.LibraryResult = E_INVALIDARG;
        return extract;
    }
    extract.ItemResults.assign(listing.Items.size(), ItemNotReached);
    extract.Status = ArchiveStatus::Ok;
    // Nothing to bring back: nothing is made.
    if (listing.Items.empty())
        return extract;
    CancelRequested = false;

    RestoreTarget target;
    if (const OsError error = target.Open(folder)) {
        ExtractProblem problem;
        problem.What = ExtractProblem::WriteFailed;
        problem.Target = folder;
        problem.Error = error;
        extract.Problems.push_back(problem);
        if (OnProblem)
            OnProblem(problem);
        return extract;
    }

    // The reader's archive object is its own; this one reads the same file through another.
    if (!library_)
        library_ = std::make_unique<SevenZipLibrary>();
    ComPtr<ArchiveInStream> stream(new ArchiveInStream());
    if (const OsError error = stream->Open(listing.Path)) {
        extract.Status = ArchiveStatus::FileError;
        extract.Error = error;
        return extract;
    }
    IInArchive* archive = library_->CreateInArchive();
    if (!archive) {
        extract.Status = ArchiveStatus::Failed;
        extract.LibraryResult = E_NOINTERFACE;
        return extract;
    }
    HRESULT opened;
    {
        ComPtr<ArchiveOpenCallback> openCallback(new ArchiveOpenCallback(library_.get(), CancelRequested, Password));
        opened = ForeignOpen(archive, stream.Get(), nullptr, openCallback.Get());
    }
    uint32_t count = 0;
    if (opened != S_OK || ForeignGetNumberOfItems(archive, &count) != S_OK || count != listing.Items.size()) {
        ForeignClose(archive);
        ForeignRelease(archive);
        if (const OsError error = stream->ReadError()) {
            extract.Status = ArchiveStatus::FileError;
            extract.Error = error;
        } else {
            // The file changed since it was listed.
            extract.Status = ArchiveStatus::Damaged;
            extract.LibraryResult = opened;
        }
        return extract;
    }

    auto channel = std::make_shared<EventChannel>();
    ComPtr<TargetExtractCallback> callback(
        new TargetExtractCallback(library_.get(), channel, *this, listing.Items, target));
    HRESULT result = E_FAIL;
    std::exception_ptr failure;
    {
        const uint32_t* chosen = indices.empty() ? nullptr : indices.data();
        const uint32_t chosenCount = indices.empty() ? AllItems : static_cast<uint32_t>(indices.size());
        std::thread worker([&] {
            result = ForeignExtract(archive, chosen, chosenCount, 0, callback.Get());
            channel->Finish();
        });
        try {
            channel->Drain();
        } catch (...) {
            failure = std::current_exception();
        }
        worker.join();
    }
    callback->Finish();
    try {
        channel->Drain();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    ForeignClose(archive);
    ForeignRelease(archive);

    extract.ItemResults = callback->ItemResults;
    extract.Problems = callback->Problems;
    extract.Extracted = callback->Extracted;
    Judge(extract, result, indices, stream->ReadError(), callback->PasswordAsked(), callback->PasswordMissing(),
          Cancelled(), callback->BlockResult());
    CancelRequested = false;
    if (failure)
        std::rethrow_exception(failure);
    return extract;
}
