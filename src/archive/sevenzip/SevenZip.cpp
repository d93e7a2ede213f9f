#include "archive/sevenzip/SevenZip.h"

#include "archive/sevenzip/CompressionProperties.h"
#include "archive/sevenzip/EventChannel.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "archive/sevenzip/ItemGatherer.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "archive/sevenzip/StreamWriter.h"
#include "archive/sevenzip/UpdateCallback.h"
#include "archive/sevenzip/UpdatePlan.h"

#include <algorithm>
#include <utility>
#include <thread>

using namespace SevenZipAbi;

const char* const SevenZipPacker::ErrorMessages[12] = {
    "Success",
    "File not found",
    "Data Error",
    "CRC Error",
    "Unsupported Method",
    "Index out of Range",
    "User canceled operation",
    "File is not an 7z SFX archive",
    "SFXModule error ( Not found )",
    "Could not create SFX",
    "No files to add",
    "Could not create file",
};

namespace {

constexpr int32_t ErrCodeNoFiles = 10;

}  // namespace

SevenZipPacker::SevenZipPacker()
{
    Library = new SevenZipLibrary();
}

SevenZipPacker::~SevenZipPacker()
{
    VolumeNames.clear();
    delete Library;
    Library = nullptr;
    Files.Clear();
}

void SevenZipPacker::AddProblem(int what, const QString& path, int error)
{
    PackProblem problem;
    problem.What = static_cast<PackProblem::Kind>(what);
    problem.Path = path;
    problem.Error = error;
    Problems.push_back(problem);
}

int32_t SevenZipPacker::Add()
{
    CancelRequested = false;
    VolumeNames.clear();
    Problems.clear();
    SkippedSubfolderCount = 0;
    struct ClearCancelOnExit {
        std::atomic<bool>& Flag;
        ~ClearCancelOnExit() { Flag = false; }
    } clearCancel{CancelRequested};

    auto channel = std::make_shared<EventChannel>();
    ComPtr<ArchiveUpdateCallback> callback(new ArchiveUpdateCallback(this, channel, Library));
    AddRootDir = FileSystem::UpperCase(AddRootDir);
    callback->RootDir = AddRootDir;
    if (!callback->RootDir.isEmpty() && !callback->RootDir.endsWith(FileSystem::Separator))
        callback->RootDir += FileSystem::Separator;

    ItemGatherer gatherer(*callback.Get(), AddRootDir, AddOptions, CancelRequested);
    gatherer.Gather(Files);
    SkippedSubfolderCount = gatherer.SkippedSubfolderCount();
    for (const PackProblem& problem : gatherer.Problems()) {
        Problems.push_back(problem);
        if (problem.Fails() && problem.Error != 0)
            LastError = problem.Error;
    }
    if (OnPreProgress)
        OnPreProgress(this, gatherer.Total());

    ComPtr<StreamWriter> writer;
    // What an interrupted add left in this folder goes before this one writes there.
    RemoveStaleTemporaryFiles(FolderOfPath(SZFileName));
    try {
        writer.Set(new StreamWriter(&LastError, SZFileName, FileSystem::Now(), std::exchange(SpoilWrittenByte, -1)));
    } catch (const StreamWriteError&) {
        AddProblem(PackProblem::ArchiveWrite, SZFileName, LastError);
        throw;
    }

    int32_t result = 0;
    LastUpdate = UpdateSummary();
    updatedFrom_.reset();
    const QString updateFrom = std::exchange(UpdateFrom, QString());
    if (callback->ItemCount > 0) {
        UpdateOutcome update = UpdateOutcome::NotTried;
        // An archive that lacks a file it should hold is no base to build on.
        const bool gatheredWhole = std::none_of(Problems.begin(), Problems.end(), [](const PackProblem& p) { return p.Fails(); });
        if (!updateFrom.isEmpty() && gatheredWhole)
            update = UpdateFromEarlier(updateFrom, callback.Get(), writer.Get(), channel, result);
        if (update == UpdateOutcome::Failed) {
            // Packed anew into a new file: nothing of the failed attempt may remain in it.
            writer.Reset();
            callback->EarlierIndex.clear();
            callback->ResetProgress();
            LastUpdate = UpdateSummary();
            updatedFrom_.reset();
            try {
                writer.Set(new StreamWriter(&LastError, SZFileName, FileSystem::Now()));
            } catch (const StreamWriteError&) {
                AddProblem(PackProblem::ArchiveWrite, SZFileName, LastError);
                throw;
            }
        }
        if (update != UpdateOutcome::Finished) {
            // A setting the library refuses would make another archive than the one asked for
            // (no header encryption, another method): none is written then.
            result = ApplyCompressionProperties(Library->OutArchive());
            if (result == 0) {
                callback->Options = AddOptions;
                callback->HasSetAddName = static_cast<bool>(OnSetAddName);
                result = Update(Library->OutArchive(), callback.Get(), writer.Get(), channel);
            }
        }
    } else {
        ErrCode = ErrCodeNoFiles;
        if (OnMessage)
            OnMessage(this, ErrCodeNoFiles, QString::fromLatin1(ErrorMessages[ErrCodeNoFiles]), QString());
        result = -1;
    }

    // Only a complete archive gets its name; anything else is removed with the writer.
    VolumeNames.clear();
    LastVerify = ArchiveTestResult();
    LastVerifyListing = ArchiveListing();
    if (result == 0 && VerifyAfterWrite && writer->Error() == 0) {
        if (writer->Flush())
            result = VerifyWritten(writer.Get());
        else
            result = E_FAIL;
    }
    if (result == 0) {
        if (writer->Error() == 0 && writer->Commit())
            VolumeNames = QStringList{writer->FileName()};
        else
            result = E_FAIL;
    }
    updatedFrom_.reset();
    if (const int error = writer->Error())
        AddProblem(PackProblem::ArchiveWrite, writer->FailedName(), error);
    writer.Reset();
    return result;
}

SevenZipPacker::UpdateOutcome SevenZipPacker::UpdateFromEarlier(const QString& earlierPath, ArchiveUpdateCallback* callback,
                                                                 StreamWriter* writer,
                                                                 const std::shared_ptr<EventChannel>& channel,
                                                                 int32_t& result)
{
    // The earlier archive stays open, unchanged, until the update has read what it copies.
    SevenZipReader earlier(*this);
    earlier.CancelAlso = &CancelRequested;
    const ArchiveListing& listing = earlier.Open(earlierPath);
    if (listing.Status != ArchiveStatus::Ok || listing.ErrorFlags != 0 || !Password.isEmpty())
        return UpdateOutcome::NotTried;
    if (std::any_of(listing.Items.begin(), listing.Items.end(), [](const ArchiveItem& item) { return item.Encrypted; }))
        return UpdateOutcome::NotTried;

    std::vector<ArchiveItem> gathered;
    gathered.reserve(callback->ItemCount);
    callback->Options = AddOptions;
    callback->HasSetAddName = static_cast<bool>(OnSetAddName);
    for (uint32_t i = 0; i < callback->ItemCount; ++i)
        gathered.push_back(callback->GatheredItem(i));
    UpdatePlan plan = PlanUpdate(gathered, listing.Items, UpdateChangedSince);
    // Nothing to take over: packing anew is the same work, and simpler.
    if (plan.Kept == 0)
        return UpdateOutcome::NotTried;

    void* out = nullptr;
    if (ForeignQueryInterface(earlier.archive_, IID_IOutArchive, &out) != S_OK || !out)
        return UpdateOutcome::NotTried;
    auto* outArchive = static_cast<IOutArchive*>(out);
    if (ApplyCompressionProperties(outArchive) != 0) {
        ForeignRelease(outArchive);
        return UpdateOutcome::NotTried;
    }
    callback->EarlierIndex = std::move(plan.EarlierIndex);
    const size_t problemsBefore = Problems.size();
    result = Update(outArchive, callback, writer, channel);
    ForeignRelease(outArchive);
    if (result != 0 && !(result == static_cast<int32_t>(E_ABORT) && CancelRequested)) {
        // What this attempt met is met again, and reported, by the fresh pack.
        Problems.resize(problemsBefore);
        return UpdateOutcome::Failed;
    }
    LastUpdate.Updated = true;
    LastUpdate.From = earlierPath;
    LastUpdate.KeptItems = plan.Kept;
    LastUpdate.ChangedFiles = plan.ChangedFiles;
    LastUpdate.NewFiles = plan.NewFiles;
    LastUpdate.RemovedFiles = plan.RemovedFiles;
    updatedFrom_ = std::make_unique<ArchiveListing>(listing);
    return UpdateOutcome::Finished;
}

int32_t SevenZipPacker::ApplyCompressionProperties(IOutArchive* outArchive)
{
    // Each call starts from the library's defaults, so one object serves every add.
    void* setProperties = nullptr;
    HRESULT result = ForeignQueryInterface(outArchive, IID_ISetProperties, &setProperties);
    if (result != S_OK || !setProperties)
        return result != S_OK ? result : static_cast<int32_t>(E_NOINTERFACE);
    result = SendCompressionProperties(static_cast<ISetProperties*>(setProperties), CompressionProperties(*this), *Library);
    ForeignRelease(static_cast<ISetProperties*>(setProperties));
    // S_FALSE too: anything but S_OK is no setting taken as asked.
    return result == S_OK ? 0 : (result == S_FALSE ? static_cast<int32_t>(E_FAIL) : result);
}

int32_t SevenZipPacker::VerifyWritten(StreamWriter* writer)
{
    const QString temp = writer->TempName();
    if (temp.isEmpty())
        return E_FAIL;
    constexpr int32_t ErrCodeCancelled = 6;
    auto cancelled = [this] {
        ErrCode = ErrCodeCancelled;
        if (OnMessage)
            OnMessage(this, ErrCodeCancelled, QString::fromLatin1(ErrorMessages[ErrCodeCancelled]), SZFileName);
        return static_cast<int32_t>(E_ABORT);
    };
    if (CancelRequested)
        return cancelled();

    // The file as the disk holds it, opened anew: nothing of the writer's is trusted.
    SevenZipReader reader(*this);
    reader.Password = Password;
    reader.CancelAlso = &CancelRequested;
    const ArchiveListing& listing = reader.Open(temp);
    LastVerifyListing = listing;
    if (listing.Status == ArchiveStatus::Ok) {
        // After an update, a block that is byte for byte a block of the earlier archive (known
        // whole) was copied as stored: only what was packed in this add is decoded again.
        bool everything = true;
        std::vector<uint32_t> chosen;
        uint64_t total = listing.UnpackedSize;
        if (updatedFrom_) {
            everything = false;
            total = 0;
            const std::vector<bool> copied = ItemsInCopiedBlocks(listing, *updatedFrom_);
            for (const ArchiveItem& item : listing.Items) {
                if (copied[item.Index]) {
                    LastUpdate.ConfirmedBytes += item.Size;
                } else if (item.Block >= 0) {
                    chosen.push_back(item.Index);
                    total += item.Size;
                }
            }
        }
        if (OnVerifyBegin)
            OnVerifyBegin(this, static_cast<int64_t>(total));
        // The bar starts over: the check is a second pass over the same bytes.
        if (OnProgress)
            OnProgress(this, QString(), 0, 0);
        QString current;
        uint64_t itemStart = 0;
        uint64_t lastDone = 0;
        reader.OnItem = [&](const ArchiveItem& item) {
            current = item.Path;
            itemStart = lastDone;
        };
        reader.OnProgress = [&](uint64_t done, uint64_t) {
            lastDone = done;
            if (OnProgress)
                OnProgress(this, current, static_cast<int64_t>(done), static_cast<int64_t>(done - std::min(done, itemStart)));
        };
        if (everything) {
            LastVerify = reader.Test();
        } else if (!chosen.empty()) {
            LastVerify = reader.Test(chosen);
        } else {
            // Every block confirmed by its bytes; the headers opened with their checksums.
            LastVerify = ArchiveTestResult();
            LastVerify.ErrorFlags = listing.ErrorFlags;
            LastVerify.Status = listing.ErrorFlags == 0 ? ArchiveStatus::Ok : ArchiveStatus::Damaged;
        }
        if (!everything && LastVerify.Ok() && OnProgress)
            OnProgress(this, QString(), static_cast<int64_t>(total), 0);
    } else {
        LastVerify = TestResultOfFailedOpen(listing);
    }
    if (LastVerify.Status == ArchiveStatus::Cancelled || (CancelRequested && !LastVerify.Ok()))
        return cancelled();
    if (LastVerify.Ok())
        return 0;
    AddProblem(PackProblem::VerifyFailed, SZFileName, LastVerify.Status == ArchiveStatus::FileError ? LastVerify.Error : 0);
    return E_FAIL;
}

int32_t SevenZipPacker::Update(IOutArchive* outArchive, ArchiveUpdateCallback* callback, StreamWriter* writer,
                               const std::shared_ptr<EventChannel>& channel)
{
    // The library calls back from its own threads and the events must reach their handlers on
    // this thread while it works, so the update runs on a thread of its own and this one
    // delivers the events until it ends.
    HRESULT result = E_FAIL;
    std::thread worker([&] {
        result = ForeignUpdateItems(outArchive, static_cast<IOutStream*>(writer), callback->ItemCount, callback);
        channel->Finish();
    });
    std::exception_ptr failure;
    try {
        channel->Drain();
    } catch (...) {
        failure = std::current_exception();
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

GatheredItems SevenZipPacker::ItemsToAdd()
{
    // The same gathering and the same naming as Add, on a callback that never reaches the library.
    auto channel = std::make_shared<EventChannel>();
    ComPtr<ArchiveUpdateCallback> callback(new ArchiveUpdateCallback(this, channel, Library));
    const QString rootDir = FileSystem::UpperCase(AddRootDir);
    callback->RootDir = rootDir;
    if (!callback->RootDir.isEmpty() && !callback->RootDir.endsWith(FileSystem::Separator))
        callback->RootDir += FileSystem::Separator;
    callback->Options = AddOptions;
    callback->HasSetAddName = static_cast<bool>(OnSetAddName);

    ItemGatherer gatherer(*callback.Get(), rootDir, AddOptions, CancelRequested);
    gatherer.Gather(Files);

    GatheredItems result;
    result.Problems = gatherer.Problems();
    result.SkippedSubfolderCount = gatherer.SkippedSubfolderCount();
    result.Total = gatherer.Total();
    result.Items.reserve(callback->ItemCount);
    for (uint32_t i = 0; i < callback->ItemCount; ++i)
        result.Items.push_back(callback->GatheredItem(i));
    return result;
}
