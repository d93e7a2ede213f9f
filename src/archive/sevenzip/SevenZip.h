#pragma once
// SevenZipPacker: writes one 7z archive from a list of paths and folder masks by driving the real
// 7-Zip library. This header is the contract the archive run and the main window rely on;
// the component's internals (library link, callback, streams) live in their own files.

#include "archive/sevenzip/SevenZipErrors.h"
#include "archive/sevenzip/SevenZipReader.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace SevenZipAbi {
struct IOutArchive;
}

// The list of entries of SevenZipPacker::Files. An entry added with Add is a path or a folder mask
// (a "*" in its last component); one added with AddLiteral is always the path it says, since
// "*" is an ordinary character in names here.
class SourceMasks {
public:
    QStringList Items;
    int32_t Count() const { return static_cast<int32_t>(Items.size()); }
    void Add(const QString& text) { Items.append(text); }
    void AddLiteral(const QString& text)
    {
        literal_.resize(static_cast<size_t>(Items.size()), false);
        literal_.push_back(true);
        Items.append(text);
    }
    bool IsLiteral(qsizetype index) const
    {
        return index >= 0 && static_cast<size_t>(index) < literal_.size() && literal_[static_cast<size_t>(index)];
    }
    void Clear()
    {
        Items.clear();
        literal_.clear();
    }

private:
    std::vector<bool> literal_;
};

enum AddOptsEnum : uint32_t {
    AddRecurseDirs = 1u << 0,
    AddSolid = 1u << 1,
    AddStoreOnlyFilename = 1u << 2,
    AddIncludeDriveLetter = 1u << 3,
    AddEncryptFilename = 1u << 4,
};
using AddOpts = uint32_t;  // a set of AddOptsEnum bits

enum ExtractOptsEnum : uint32_t {
    ExtractNoPath = 1u << 0,
    ExtractOverwrite = 1u << 1,
};
using ExtractOpts = uint32_t;

enum CompressType { LZMA, PPMD };
enum CompressStrength { SAVE, FAST, NORMAL, MAXIMUM, ULTRA };

class SevenZipPacker;
using T7zListfileEvent = std::function<void(SevenZipPacker* Sender, const QString& Filename, int64_t Fileindex,
                                            int64_t FileSizeU, int64_t FileSizeP, int64_t Fileattr,
                                            int64_t Filecrc, const QString& Filemethod, double FileTime)>;
using T7zAddFileEvent = std::function<void(SevenZipPacker* Sender, const QString& Filename, int64_t Filesize)>;
using T7zExtractfileEvent = std::function<void(SevenZipPacker* Sender, const QString& Filename, int64_t Filesize)>;
using T7zProgressEvent = std::function<void(SevenZipPacker* Sender, const QString& Filename, int64_t FilePosArc,
                                            int64_t FilePosFile)>;
using T7zPreProgressEvent = std::function<void(SevenZipPacker* Sender, int64_t MaxProgress)>;
using T7zMessageEvent = std::function<void(SevenZipPacker* Sender, int32_t ErrCode, const QString& Message,
                                           const QString& Filename)>;
using T7zSetNewNameEvent = std::function<void(SevenZipPacker* Sender, uint32_t FileIndex, QString& OldFileName)>;
using T7zExtractOverwrite = std::function<void(SevenZipPacker* Sender, const QString& FileName, bool& DoOverwrite)>;

// Something an add met that the user must hear of: an item left out of the archive or not
// archived whole. `Path` is the item's path on disk (empty when the problem is the archive
// file itself), `Error` the system's error code (0 when there is none).
struct PackProblem {
    enum Kind {
        Unreadable,        // a file that could not be opened (left out of the archive) or read
                           // (its item ends where reading failed); the add fails
        ChangedWhileRead,  // a file that ended before the size listed for it; the add fails
        FolderUnlistable,  // a folder whose entries could not be read; the add fails
        SpecialFileLeftOut,  // a socket, FIFO or device: left out; the add does not fail
        ArchiveWrite,      // the archive file could not be created, written, flushed or given
                           // its name (Path is that file); the add fails
        VerifyFailed,      // the archive read back from the disk did not test whole (Path is its
                           // final name, Error the system's code when reading failed); it was
                           // removed and never got its name; the add fails
    };
    Kind What = Unreadable;
    QString Path;
    int Error = 0;
    // True for the kinds that make the add a failure.
    bool Fails() const { return What != SpecialFileLeftOut; }
};

// What the next Add would gather, without packing anything: the items as the archive would
// store them (names, folder flag, size, time, attributes; in gathering order, Index counting
// from 0), so they compare directly with what SevenZipReader lists of an archive.
struct GatheredItems {
    std::vector<ArchiveItem> Items;
    std::vector<PackProblem> Problems;  // what the gathering met, as Add would report it
    int64_t SkippedSubfolderCount = 0;
    int64_t Total = 0;                  // bytes of the gathered items
};

// What the last add took over from an earlier archive (Updated false: it packed everything).
struct UpdateSummary {
    bool Updated = false;
    QString From;               // the earlier archive
    uint32_t KeptItems = 0;     // items taken over as stored
    uint32_t ChangedFiles = 0;
    uint32_t NewFiles = 0;
    uint32_t RemovedFiles = 0;
    uint64_t ConfirmedBytes = 0;  // item bytes the check after writing confirmed as copied
};

class SevenZipLibrary;  // the loaded library and its objects (internal)
class ArchiveUpdateCallback;
class StreamWriter;
class EventChannel;

class SevenZipPacker {
    friend class SevenZipReader;  // reads archives through the same library link

public:
    // Loads the library; throws SevenZipLibraryError with the user-facing text when it cannot.
    SevenZipPacker();
    ~SevenZipPacker();
    SevenZipPacker(const SevenZipPacker&) = delete;
    SevenZipPacker& operator=(const SevenZipPacker&) = delete;

    // Published properties (defaults after construction as the comments say).
    QString AddRootDir;                                // empty; upper-cased in place by Add
    AddOpts AddOptions = 0;
    ExtractOpts ExtractOptions = 0;
    QString ExtrBaseDir;
    CompressType LZMACompressType = LZMA;
    CompressStrength LZMACompressStrength = SAVE;
    uint8_t LZMAStrength = 0;                          // 0..27; 0 = library default
    uint8_t LPPMDmem = 30;                             // 0 = not sent
    uint8_t LPPMDsize = 10;                            // 0 = not sent
    // Largest solid block in MiB with AddSolid; 0 puts every item into one block.
    uint32_t SolidBlockMegabytes = 0;
    QString SZFileName;
    int32_t NumberOfFiles = -1;
    QString Password;

    // Published events; an unassigned event is skipped.
    T7zListfileEvent OnListfile;
    T7zAddFileEvent OnAddfile;
    T7zExtractfileEvent OnExtractfile;
    T7zProgressEvent OnProgress;
    T7zPreProgressEvent OnPreProgress;
    T7zMessageEvent OnMessage;
    T7zSetNewNameEvent OnSetAddName;
    T7zSetNewNameEvent OnSetExtractName;
    T7zExtractOverwrite OnExtractOverwrite;

    // Public, not published.
    SourceMasks Files;
    int32_t ErrCode = 0;
    int32_t LastError = 0;
    // The archive written by the last add, once it has its name (empty when it has none).
    QStringList VolumeNames;
    // What the last add met (empty when nothing); filled by Add, in the order it happened.
    std::vector<PackProblem> Problems;
    // Direct subfolders of a folder mask that hold something the add did not descend into
    // (without AddRecurseDirs); set by Add.
    int64_t SkippedSubfolderCount = 0;
    // May be set from any thread (or a handler) while Add runs; atomic for that reason.
    std::atomic<bool> CancelRequested{false};

    // Reads the written archive back from the disk and tests every item before it gets its
    // name; one that does not test whole is removed, an older archive of that name stays, and
    // Add fails with a VerifyFailed problem. The test is a second pass of OnProgress over the
    // same total (from 0 again), announced by OnVerifyBegin; CancelRequested stops it as it
    // stops packing.
    bool VerifyAfterWrite = false;
    // Test seam: the next archive written has the byte at this offset inverted on its way to the
    // file, the way a failing disk or cable would; used once, then -1 (none) again. The program
    // never sets it.
    int64_t SpoilWrittenByte = -1;
    // The check after writing begins; its progress follows on OnProgress. Optional.
    T7zPreProgressEvent OnVerifyBegin;
    // How the last check after writing went (Status NotOpen when there was none), and the items
    // it listed, so that a failure can name the item's path.
    ArchiveTestResult LastVerify;
    ArchiveListing LastVerifyListing;
    // The next add makes its archive from this earlier one (empty: packs anew): an item whose
    // header data match and whose inode has not changed since UpdateChangedSince (FILETIME) is
    // taken over as stored, the rest is packed, items gone from the source are left out; the
    // library copies every solid block whose items are all kept. The earlier archive must be
    // known to be whole. When it cannot be opened, is encrypted, leaves nothing to take over or
    // the update fails, the add packs anew. Used by one add, then cleared.
    QString UpdateFrom;
    uint64_t UpdateChangedSince = 0;
    // How the last add used its earlier archive.
    UpdateSummary LastUpdate;
    // The last add failed because its archive did not test whole.
    bool VerifyFailed() const
    {
        for (const PackProblem& problem : Problems)
            if (problem.What == PackProblem::VerifyFailed)
                return true;
        return false;
    }

    // 0 when the library wrote the archive; -1 when nothing was gathered; E_ABORT (negative)
    // when CancelRequested stopped it; otherwise the library's result, or its refusal of a
    // compression setting. Throws StreamWriteError when the output file cannot be created.
    // Every event is delivered on the calling thread before Add returns.
    int32_t Add();

    static const char* const ErrorMessages[12];

    // The item list Add would gather now from Files, AddRootDir and AddOptions, with the names
    // as stored; nothing is written and no event is raised, and AddRootDir is left as it is.
    GatheredItems ItemsToAdd();

private:
    void AddProblem(int what, const QString& path, int error);
    int32_t Update(SevenZipAbi::IOutArchive* outArchive, ArchiveUpdateCallback* callback, StreamWriter* writer,
                   const std::shared_ptr<EventChannel>& channel);
    enum class UpdateOutcome { NotTried, Finished, Failed };
    UpdateOutcome UpdateFromEarlier(const QString& earlierPath, ArchiveUpdateCallback* callback, StreamWriter* writer,
                                    const std::shared_ptr<EventChannel>& channel, int32_t& result);
    int32_t VerifyWritten(StreamWriter* writer);
    int32_t ApplyCompressionProperties(SevenZipAbi::IOutArchive* outArchive);

    SevenZipLibrary* Library = nullptr;
    // The earlier archive the add being made updates from, while it checks what it wrote.
    std::unique_ptr<ArchiveListing> updatedFrom_;
};
