#pragma once
// SevenZipReader: reads 7z archives back through the same 7-Zip library that SevenZipPacker writes
// them with. It lists an archive's items from its headers, tests every item (decoded and
// checked by the library, nothing written) and extracts items into a folder. Callers need no
// knowledge of the library's objects: they get plain values and events, delivered on the
// thread that called, in the order things happened.
//
// Extraction never writes outside its folder, whatever the archive holds and whatever is
// swapped into the folder meanwhile, and never loses a file that was there: item paths with
// "..", "." or empty components and absolute ones are refused; every folder is reached from the
// target through open descriptors, one name at a time and never through a link; an existing
// file is replaced only when the caller's decision says so; every file is written under a
// temporary name in its open folder and given its real name only once it is whole; symbolic
// links come back as links, whatever their target, made after every file and folder. Every
// refusal, skip and failure is reported.

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class SevenZipPacker;
class SevenZipLibrary;
class ArchiveInStream;
namespace SevenZipAbi {
struct IInArchive;
}

// One item as the archive's headers describe it.
struct ArchiveItem {
    uint32_t Index = 0;
    // As stored: "/" between names, never a trailing one. A byte of a stored name that is not
    // UTF-8 is kept as U+DC80..U+DCFF, the way the program keeps such names everywhere.
    QString Path;
    bool IsFolder = false;
    uint64_t Size = 0;
    bool HasAttributes = false;
    // Windows bits; with 0x8000 the POSIX mode (type and permission bits) in the high 16 bits.
    uint32_t Attributes = 0;
    bool HasTime = false;
    uint64_t Time = 0;  // last write, FILETIME (100 ns units since 1601-01-01 UTC)
    bool HasCrc = false;
    uint32_t Crc = 0;
    // The solid block holding the item's data (-1 for none: a folder or an empty file), and the
    // bytes that block takes in the archive, given on the first item of each block only.
    int64_t Block = -1;
    uint64_t BlockPackedSize = 0;
    bool Encrypted = false;
    // Only for items gathered from the disk: the inode's last change (FILETIME; 0 when unknown).
    uint64_t ChangeTime = 0;

    bool HasPosixMode() const { return HasAttributes && (Attributes & 0x8000u); }
    // The POSIX mode, 0 when the archive holds none.
    uint32_t PosixMode() const { return HasPosixMode() ? Attributes >> 16 : 0; }
    // The item is a symbolic link; its data is the link's target.
    bool IsSymbolicLink() const { return !IsFolder && (PosixMode() & 0170000u) == 0120000u; }
    // Read, write and execute bits for owner, group and others (0 when the archive has none).
    uint32_t Permissions() const { return PosixMode() & 0777u; }
};

// How reading an archive went, as a whole.
enum class ArchiveStatus {
    Ok,
    NotOpen,        // Test or Extract without an archive opened
    FileError,      // the archive file could not be opened or read: Error holds the system's code
    NotArchive,     // the file holds no 7z archive
    Damaged,        // headers or data that fail their checks, an archive cut short, data after its end
    Unsupported,    // a compression method this library cannot decode
    WrongPassword,  // encrypted, and the password is missing or wrong (or the encrypted data damaged)
    Cancelled,
    Failed,         // any other failure of the library: LibraryResult holds its code
};

// The library's result for one item (SetOperationResult), and "not reached".
enum ItemOutcome : int32_t {
    ItemNotReached = -1,
    ItemOk = 0,
    ItemUnsupportedMethod = 1,
    ItemDataError = 2,
    ItemCrcError = 3,
    ItemUnavailable = 4,
    ItemUnexpectedEnd = 5,
    ItemDataAfterEnd = 6,
    ItemIsNotArchive = 7,
    ItemHeadersError = 8,
    ItemWrongPassword = 9,
};

// The library's error flags (archive level), and the one the reader adds itself.
enum ArchiveFlags : uint32_t {
    ArchiveHeadersError = 1u << 1,
    ArchiveUnexpectedEnd = 1u << 5,
    ArchiveDataAfterEnd = 1u << 6,
};

struct ArchiveListing {
    ArchiveStatus Status = ArchiveStatus::NotOpen;
    int Error = 0;              // the system's code for FileError
    int32_t LibraryResult = 0;  // the library's code for Failed
    uint32_t ErrorFlags = 0;    // the library's error flags, with ArchiveDataAfterEnd added
    QString Path;               // the archive file
    uint64_t FileSize = 0;      // bytes of the archive file
    uint64_t PackedSize = 0;    // bytes the archive takes, as its headers say
    uint64_t UnpackedSize = 0;  // the items' sizes added up
    std::vector<ArchiveItem> Items;  // in archive order; Items[i].Index == i
};

struct ArchiveTestResult {
    ArchiveStatus Status = ArchiveStatus::NotOpen;
    int Error = 0;
    int32_t LibraryResult = 0;
    uint32_t ErrorFlags = 0;
    // One result per item of the archive (ItemNotReached for those never decoded).
    std::vector<int32_t> ItemResults;
    uint32_t BadItems = 0;
    bool Ok() const { return Status == ArchiveStatus::Ok; }
};

// The test's result for an archive that did not even open: how the opening failed.
inline ArchiveTestResult TestResultOfFailedOpen(const ArchiveListing& listing)
{
    ArchiveTestResult result;
    result.Status = listing.Status;
    result.Error = listing.Error;
    result.LibraryResult = listing.LibraryResult;
    result.ErrorFlags = listing.ErrorFlags;
    return result;
}

// Something an extraction did not do as asked; every one is reported.
struct ExtractProblem {
    enum Kind {
        UnsafePath,   // "..", "." or empty components, or absolute: refused
        LinkOutside,  // not given by extraction any more: links come back as links
        ThroughLink,  // a folder on the way is a link: refused, a link is never followed
        Skipped,      // something lies under the name already and was kept
        WriteFailed,  // the system refused (Error): no permission, disk full, a file in the way...
        Damaged,      // the item's data failed the library's check (ItemResult): nothing written
    };
    static constexpr uint32_t NoItem = 0xFFFFFFFFu;

    Kind What = WriteFailed;
    uint32_t Index = NoItem;  // the item, NoItem for the folder itself
    QString Path;             // the item's stored path
    QString Target;           // where it was to go
    int Error = 0;            // the system's code for WriteFailed
    int32_t ItemResult = 0;   // the library's result for Damaged
};

struct ExtractResult {
    ArchiveStatus Status = ArchiveStatus::NotOpen;  // reading the archive, as for Test
    int Error = 0;
    int32_t LibraryResult = 0;
    std::vector<int32_t> ItemResults;
    uint32_t Extracted = 0;  // items that now lie in the folder as stored
    std::vector<ExtractProblem> Problems;  // in the order they happened
    bool Cancelled() const { return Status == ArchiveStatus::Cancelled; }
    // Every chosen item restored.
    bool Complete() const { return Status == ArchiveStatus::Ok && Problems.empty(); }
};

// What already lies under an item's name.
struct ExistingFile {
    QString Path;
    bool IsLink = false;
    int64_t Size = 0;
    uint64_t Time = 0;  // last write, FILETIME
};

enum class OverwriteAnswer { Replace, Skip, Cancel };

class SevenZipReader {
    friend class ArchiveExtractCallback;  // asks Cancelled()
    friend class SevenZipPacker;          // updates from the archive this reader holds open
public:
    // Reads through zip's library link; zip must outlive the reader.
    explicit SevenZipReader(const SevenZipPacker& zip);
    ~SevenZipReader();
    SevenZipReader(const SevenZipReader&) = delete;
    SevenZipReader& operator=(const SevenZipReader&) = delete;

    // Opens an archive (closing any other) and lists its items from the headers, whose
    // checksums the library checks; no item data is decoded. The archive stays open until
    // Close or the next Open; Status tells whether it could be opened.
    const ArchiveListing& Open(const QString& archivePath);
    void Close();
    bool IsOpen() const { return archive_ != nullptr; }
    const ArchiveListing& Listing() const { return listing_; }

    // Decodes every item and checks it, writing nothing. Ok only when the archive opened
    // without a flaw and every item came out whole.
    ArchiveTestResult Test();
    // Decodes and checks only the items of the given indices (and the blocks holding them);
    // Ok when the archive opened without a flaw and each of these came out whole.
    ArchiveTestResult Test(std::vector<uint32_t> indices);

    // Extracts into folder (made when missing) every item, or the items of the given indices.
    // Items land under the folder as stored, with their times and permission bits (limited by
    // the user's umask; times before 1970 stay as stored); links are made as links; folders get
    // theirs after their content; everything written is made durable before Extract answers.
    // What was extracted before a cancel stays. An archive without items creates nothing, not
    // even the folder.
    ExtractResult Extract(const QString& folder, std::vector<uint32_t> indices = {});

    // Decides about a file or link that lies under an item's name already; without an answer
    // such items are skipped. Called on the calling thread while Extract runs.
    std::function<OverwriteAnswer(const ArchiveItem& item, const ExistingFile& existing)> OnOverwrite;
    // Bytes done of the total the library names, while Test or Extract runs.
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    // An item is about to be decoded.
    std::function<void(const ArchiveItem& item)> OnItem;
    // A problem of Extract, as it happens (all of them are in the result too).
    std::function<void(const ExtractProblem& problem)> OnProblem;
    // Test seam: runs on the library's own thread after each item is done and before the next
    // one is begun, while the library waits.
    std::function<void(const ArchiveItem& item)> BetweenItems;

    // May be set from any thread or a handler; Test and Extract stop soon after. Cleared when
    // an operation starts.
    std::atomic<bool> CancelRequested{false};
    // A flag of someone else's (the packer's, when it checks what it wrote) that stops Test and
    // Extract as CancelRequested does; never cleared here. Null for none.
    const std::atomic<bool>* CancelAlso = nullptr;
    // For encrypted archives; empty when there is none.
    QString Password;

private:
    bool Cancelled() const { return CancelRequested.load() || (CancelAlso && CancelAlso->load()); }

    const SevenZipLibrary* library_;
    SevenZipAbi::IInArchive* archive_ = nullptr;
    ArchiveInStream* stream_ = nullptr;
    ArchiveListing listing_;
};
