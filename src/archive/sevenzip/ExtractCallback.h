#pragma once
// ArchiveExtractCallback: what the library asks while it tests or extracts: where each item's
// data goes (nowhere when testing), the result of each item, progress, leave to go on, and the
// password. Extracting, it makes the items in the target folder by the rules of
// SevenZipReader: refused paths, no writing through links that lead out, existing files kept
// unless the caller's decision says otherwise, files written under a temporary name.
//
// The library calls the item methods (GetStream, PrepareOperation, SetOperationResult) from
// the one thread that runs Extract, and the progress methods from any of its threads, also at
// the same time as the item methods. Everything the caller's handlers see goes through the
// event channel to the thread that called Test or Extract.

#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "platform/Restore.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class SevenZipLibrary;

// The data of one item on its way out: into a file (all-zero blocks left as holes) or, for a
// link, into memory. A write the system refuses is kept and the rest of the item's data is
// taken and dropped, so the library goes on with the next item and the failure is reported
// for this one. (The counted base comes first: the object is freed through it, and at offset 0
// the compiler can see that delete matches new.)
class ItemOutStream final : public InterfacedObject, public SevenZipAbi::ISequentialOutStream {
    SEVENZIP_INTERFACED_OBJECT
public:
    // Blocks of this size, at offsets that are multiples of it, that hold only zeros are not
    // written: the file gets a hole there.
    static constexpr size_t HoleBlock = 64 * 1024;
    // A link's target is a path; anything longer is not one.
    static constexpr qsizetype LinkLimit = 64 * 1024;

    // Into a new temporary file in folder (Error tells when it could not be made). stop is
    // asked before every write, so a cancel takes effect inside a large file too.
    ItemOutStream(const QString& folder, std::function<bool()> stop);
    // Into memory.
    ItemOutStream();

    SevenZipAbi::HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) override;

    OsError Error() const { return error_; }
    // A cancel refused a write: the item is not whole.
    bool Stopped() const { return stopped_; }
    int64_t Written() const { return position_; }
    RestoredFile& File() { return file_; }
    const QByteArray& Data() const { return data_; }
    // Gives the file its whole length when it ends in a hole.
    OsError FinishLength();

private:
    OsError WriteRun(const char* data, size_t size, int64_t offset);

    bool toMemory_;
    std::function<bool()> stop_;
    RestoredFile file_;
    QByteArray data_;
    int64_t position_ = 0;
    int64_t writtenEnd_ = 0;  // end of the last bytes written to the file
    OsError error_ = NoError;
    bool stopped_ = false;
};

class ArchiveExtractCallback final : public SevenZipAbi::IArchiveExtractCallback,
                                      public SevenZipAbi::ICryptoGetTextPassword,
                                      public SevenZipAbi::IArchiveExtractCallbackMessage2,
                                      public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    // Extracting into the folder root, or testing (root unused); reader gives the items, the
    // handlers, the cancel flag and the password.
    ArchiveExtractCallback(const SevenZipLibrary* library, std::shared_ptr<EventChannel> channel,
                            SevenZipReader& reader, bool extracting, const QString& root);
    ~ArchiveExtractCallback() override;

    // IProgress
    SevenZipAbi::HRESULT SetTotal(uint64_t total) override;
    SevenZipAbi::HRESULT SetCompleted(const uint64_t* completeValue) override;
    // IArchiveExtractCallback
    SevenZipAbi::HRESULT GetStream(uint32_t index, SevenZipAbi::ISequentialOutStream** outStream,
                                   int32_t askExtractMode) override;
    SevenZipAbi::HRESULT PrepareOperation(int32_t askExtractMode) override;
    SevenZipAbi::HRESULT SetOperationResult(int32_t opRes) override;
    // ICryptoGetTextPassword
    SevenZipAbi::HRESULT CryptoGetTextPassword(SevenZipAbi::BSTR* password) override;
    // IArchiveExtractCallbackMessage2
    SevenZipAbi::HRESULT ReportExtractResult(uint32_t indexType, uint32_t index, int32_t opRes) override;

    // Makes the target folder and every folder above it that is missing; false (and a
    // problem reported) when it cannot.
    bool PrepareRoot();
    // After the library has finished (on the calling thread): drops an item left half done,
    // makes the links and gives the folders made their times and permission bits.
    void Finish();

    std::vector<int32_t> ItemResults;
    std::vector<ExtractProblem> Problems;
    uint32_t Extracted = 0;
    // The first failure the library reported for no item in hand (a block damaged past its
    // last item); 0 when none.
    int32_t BlockResult() const { return blockResult_.load(); }
    bool PasswordAsked() const { return passwordAsked_; }
    bool PasswordMissing() const { return passwordMissing_; }

private:
    enum class ItemAction { None, File, Link };
    struct PendingLink {
        uint32_t Index;
        QString Relative;
        QString Target;
        bool Replace;
    };

    bool StopRequested() const;
    void PostProgress(uint64_t done, uint64_t total);
    SevenZipAbi::HRESULT PrepareItem(const ArchiveItem& item, SevenZipAbi::ISequentialOutStream** outStream);
    void FinishFile(const ArchiveItem& item);
    void FinishLink(const ArchiveItem& item);
    void MakeLink(const PendingLink& link);
    // Makes sure relative (under the root) is a folder, making what is missing. False (and a
    // problem reported for item) when it cannot be.
    bool EnsureFolder(const QString& relative, const ArchiveItem* item);
    void Report(ExtractProblem::Kind what, const ArchiveItem* item, const QString& target, int error = 0,
                int32_t itemResult = 0);
    QString TargetOf(const QString& relative) const { return root_ + relative; }

    const SevenZipLibrary* library_;
    std::shared_ptr<EventChannel> channel_;
    SevenZipReader& reader_;
    const std::vector<ArchiveItem>& items_;
    bool extracting_;
    QString root_;  // with a trailing "/"
    unsigned umask_;
    std::atomic<uint64_t> total_{0};
    // Progress goes to the caller at most once in this many nanoseconds, and at the end.
    static constexpr int64_t ProgressInterval = 20'000'000;
    std::atomic<int64_t> lastPosted_{0};
    std::atomic<uint64_t> latestDone_{0};
    std::atomic<uint64_t> postedDone_{0};
    std::atomic<bool> passwordAsked_{false};
    std::atomic<bool> passwordMissing_{false};
    std::atomic<int32_t> blockResult_{0};

    // The item in hand (touched by the item methods only).
    uint32_t index_ = 0;
    bool inItem_ = false;
    ItemAction action_ = ItemAction::None;
    QString relative_;
    bool replace_ = false;
    ComPtr<ItemOutStream> stream_;

    QSet<QString> knownFolders_;    // relative paths checked to be folders inside the root
    QSet<QString> createdFolders_;  // made by this extraction
    std::vector<uint32_t> folderItems_;  // folder items made by this extraction
    std::vector<PendingLink> links_;      // made at the end, once no more data is written
};

// The path under the target folder an item's stored path stands for; false when it has an
// empty, "." or ".." component or is absolute.
bool SafeRelativePath(const QString& stored, QString& relative);
// Whether a link at relative with the given target stays inside the folder by its text alone
// (links on the way are looked at later).
bool LinkTextStaysInside(const QString& relative, const QString& target);
