#pragma once
// ArchiveExtractCallback: what the library asks while it tests or extracts: where each item's
// data goes (nowhere when testing), the result of each item, progress, leave to go on, and the
// password. Extracting, it makes the items in the target by the rules of SevenZipReader: every
// folder reached through the target's open descriptors and never through a link, refused
// paths, existing files kept unless the caller's decision says otherwise, files written under a
// temporary name in their open folder, links made last and only as links.
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

    // Into a new temporary file in the open folder folderHandle, which must stay open until the
    // file is committed or dropped (Error tells when it could not be made). stop is asked before
    // every write, so a cancel takes effect inside a large file too.
    ItemOutStream(int folderHandle, std::function<bool()> stop);
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
    // Extracting into target (opened by the caller, and outliving the callback), or testing
    // when target is null; reader gives the items, the handlers, the cancel flag and the
    // password.
    ArchiveExtractCallback(const SevenZipLibrary* library, std::shared_ptr<EventChannel> channel,
                            SevenZipReader& reader, RestoreTarget* target);
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

    // After the library has finished (on the calling thread): drops an item left half done,
    // makes the links, gives the folders made their times and permission bits, and makes
    // everything written durable.
    void Finish();
    void Report(ExtractProblem::Kind what, const ArchiveItem* item, const QString& target, int error = 0,
                int32_t itemResult = 0);

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
    // The open folder at relative under the target, made where missing; false (and a problem
    // reported for item) when it cannot be had.
    bool OpenFolder(const QString& relative, const ArchiveItem& item, int& handle);
    QString TargetOf(const QString& relative) const { return target_->Path() + relative; }

    const SevenZipLibrary* library_;
    std::shared_ptr<EventChannel> channel_;
    SevenZipReader& reader_;
    const std::vector<ArchiveItem>& items_;
    RestoreTarget* target_;  // null when testing
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

    std::vector<uint32_t> folderItems_;  // folder items made by this extraction
    std::vector<PendingLink> links_;      // made at the end, once no more data is written
};

// The path under the target folder an item's stored path stands for; false when it has an
// empty, "." or ".." component or is absolute.
bool SafeRelativePath(const QString& stored, QString& relative);