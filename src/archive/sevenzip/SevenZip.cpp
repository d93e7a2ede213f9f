#include "archive/sevenzip/SevenZip.h"

#include "archive/sevenzip/CompressionProperties.h"
#include "archive/sevenzip/EventChannel.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "archive/sevenzip/ItemGatherer.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "archive/sevenzip/StreamWriter.h"
#include "archive/sevenzip/UpdateCallback.h"

#include <algorithm>
#include <cerrno>
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

constexpr int32_t ErrCodeSfx = 9;
constexpr int32_t ErrCodeNoFiles = 10;
constexpr uint32_t CreationAttributes = FileSystem::AttrArchive;

int64_t FileSize(const QString& path)
{
    FileSystem::FileInfo info;
    if (!FileSystem::Lookup(path, info) || info.IsDirectory())
        return 0;
    return info.Size;
}

QString WithExtension(const QString& name, const QString& extension)
{
    const QString old = ItemGatherer::Extension(name);
    return name.left(name.size() - old.size()) + extension;
}

// Copies the self-extractor stub to a new temporary file beside target, keeping the stub's
// execute bits for the owner only, so the result can be run but not read by others. Answers 0
// or the system's error code; on success out is the open (and locked) copy.
OsError CopyStub(const QString& stub, const QString& target, QString& tempName, OsFile& out)
{
    if (FileSystem::FileExists(target))
        return EEXIST;
    OsFile in;
    unsigned mode = 0;
    if (const OsError error = OsFile::OpenFileForReading(stub, in))
        return error;
    if (const OsError error = in.Mode(mode))
        return error;
    mode &= 0700;
    if (const OsError error = CreateTemporaryFile(target, tempName, out, mode))
        return error;
    OsError error = NoError;
    char buffer[64 * 1024];
    for (int64_t offset = 0; error == NoError;) {
        size_t n = 0;
        error = in.ReadAt(buffer, sizeof buffer, offset, n);
        if (error || n == 0)
            break;
        error = out.WriteAt(buffer, n, offset);
        offset += static_cast<int64_t>(n);
    }
    // The umask must not take the execute bits the stub came with.
    if (error == NoError)
        error = out.SetMode(mode);
    if (error != NoError) {
        out.Close();
        RemoveFile(tempName);
    }
    return error;
}

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

void SevenZipPacker::SetSFXCreate(bool value)
{
    FSFXCreate = false;
    if (!value)
        return;
    const int64_t n = FileSize(SFXModule);
    if (n <= 0)
        return;
    if (FVolumeSize > 0 && FVolumeSize < n + 7)
        FVolumeSize = static_cast<int32_t>(n + 7);
    SFXModuleSize = n;
    FSFXCreate = true;
}

void SevenZipPacker::SetVolumeSize(int32_t value)
{
    if (FSFXCreate && value > 0 && value < SFXModuleSize)
        FVolumeSize = static_cast<int32_t>(SFXModuleSize + 7);
    else
        FVolumeSize = value;
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
    const uint64_t fileDate = FileSystem::Now();
    const bool sfx = FSFXCreate && FileSystem::FileExists(SFXModule);
    if (sfx)
        SZFileName = WithExtension(SZFileName, QStringLiteral(".exe"));
    // What an interrupted add left in this folder goes before this one writes there.
    RemoveStaleTemporaryFiles(FolderOfPath(SZFileName));
    try {
        if (sfx) {
            QString temp;
            OsFile copy;
            const int error = CopyStub(SFXModule, SZFileName, temp, copy);
            if (error != 0) {
                LastError = error;
                ErrCode = ErrCodeSfx;
                AddProblem(PackProblem::ArchiveWrite, SZFileName, error);
                if (OnMessage)
                    OnMessage(this, ErrCodeSfx, QString::fromLatin1(ErrorMessages[ErrCodeSfx]), SZFileName);
                // No output exists, so nothing can be written.
                VolumeNames.clear();
                return E_FAIL;
            }
            writer.Set(new StreamWriter(&LastError, SZFileName, fileDate, CreationAttributes, FVolumeSize, true,
                                           temp, &copy));
        } else {
            writer.Set(new StreamWriter(&LastError, SZFileName, fileDate, CreationAttributes, FVolumeSize, false));
        }
    } catch (const StreamWriteError&) {
        AddProblem(PackProblem::ArchiveWrite, SZFileName, LastError);
        throw;
    }

    // Each call starts from the library's defaults, so one object serves every add.
    void* setProperties = nullptr;
    if (ForeignQueryInterface(Library->OutArchive(), IID_ISetProperties, &setProperties) == S_OK && setProperties) {
        SendCompressionProperties(static_cast<ISetProperties*>(setProperties), CompressionProperties(*this), *Library);
        ForeignRelease(static_cast<ISetProperties*>(setProperties));
    }

    int32_t result;
    if (callback->ItemCount > 0) {
        callback->Options = AddOptions;
        callback->HasSetAddName = static_cast<bool>(OnSetAddName);
        result = Update(callback.Get(), writer.Get(), channel);
    } else {
        ErrCode = ErrCodeNoFiles;
        if (OnMessage)
            OnMessage(this, ErrCodeNoFiles, QString::fromLatin1(ErrorMessages[ErrCodeNoFiles]), QString());
        result = -1;
    }

    // Only a complete archive gets its name; anything else is removed with the writer.
    VolumeNames.clear();
    LastVerify = ArchiveTestResult();
    if (result == 0 && VerifyAfterWrite && writer->Error() == 0) {
        if (writer->Flush())
            result = VerifyWritten(writer.Get(), sfx);
        else
            result = E_FAIL;
    }
    if (result == 0) {
        if (writer->Error() == 0 && writer->Commit())
            VolumeNames = writer->FileNames();
        else
            result = E_FAIL;
    }
    if (const int error = writer->Error())
        AddProblem(PackProblem::ArchiveWrite, writer->FailedName(), error);
    writer.Reset();
    return result;
}

int32_t SevenZipPacker::VerifyWritten(StreamWriter* writer, bool sfx)
{
    const QStringList temps = writer->TempNames();
    if (temps.size() != 1)
        return 0;
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
    // A self-extracting archive starts after the stub that was just copied.
    if (sfx)
        reader.MaxStartOffset = static_cast<uint64_t>(FileSize(SFXModule));
    const ArchiveListing& listing = reader.Open(temps.front());
    if (listing.Status == ArchiveStatus::Ok) {
        if (OnVerifyBegin)
            OnVerifyBegin(this, static_cast<int64_t>(listing.UnpackedSize));
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
        LastVerify = reader.Test();
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

int32_t SevenZipPacker::Update(ArchiveUpdateCallback* callback, StreamWriter* writer,
                          const std::shared_ptr<EventChannel>& channel)
{
    // The library calls back from its own threads and the events must reach their handlers on
    // this thread while it works, so the update runs on a thread of its own and this one
    // delivers the events until it ends.
    HRESULT result = E_FAIL;
    IOutArchive* outArchive = Library->OutArchive();
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
    for (uint32_t i = 0; i < callback->ItemCount; ++i) {
        ArchiveItem item;
        item.Index = i;
        item.Path = callback->StoredPath(i);
        item.Attributes = callback->ItemAttributes[i];
        item.HasAttributes = true;
        item.IsFolder = (item.Attributes & FileSystem::AttrDirectory) != 0;
        item.Size = item.IsFolder ? 0 : static_cast<uint64_t>(callback->ItemSizes[i]);
        item.Time = callback->ItemTimes[i];
        item.HasTime = true;
        result.Items.push_back(item);
    }
    return result;
}
