#pragma once
// ArchiveUpdateCallback: answers the library's questions about the gathered items during
// UpdateItems, hands out one input stream per file, relays progress and cancellation, and
// supplies the password. The library calls it from its worker threads; everything the
// component's handlers see goes through the event channel to the thread that called Add.

#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZip.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class SevenZipLibrary;

// Where an item's data comes from.
enum ItemKind : uint8_t {
    ItemFollowedFile = 0,  // a file the user named: a link there is followed
    ItemFile,              // a file found by a walk: never through a link
    ItemFolder,            // no data
    ItemLink,              // a symbolic link found by a walk: its data is its target text
};

class ArchiveUpdateCallback final : public SevenZipAbi::IArchiveUpdateCallback,
                                       public SevenZipAbi::ICryptoGetTextPassword2,
                                       public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    // owner may be null; library allocates the strings the library frees.
    ArchiveUpdateCallback(SevenZipPacker* owner, std::shared_ptr<EventChannel> channel,
                             const SevenZipLibrary* library);

    // IProgress
    SevenZipAbi::HRESULT SetTotal(uint64_t total) override;
    SevenZipAbi::HRESULT SetCompleted(const uint64_t* completeValue) override;
    // IArchiveUpdateCallback
    SevenZipAbi::HRESULT GetUpdateItemInfo(uint32_t index, int32_t* newData, int32_t* newProps,
                                           uint32_t* indexInArchive) override;
    SevenZipAbi::HRESULT GetProperty(uint32_t index, SevenZipAbi::PROPID propID,
                                     SevenZipAbi::PROPVARIANT* value) override;
    SevenZipAbi::HRESULT GetStream(uint32_t index, SevenZipAbi::ISequentialInStream** inStream) override;
    SevenZipAbi::HRESULT SetOperationResult(int32_t operationResult) override;
    // ICryptoGetTextPassword2
    SevenZipAbi::HRESULT CryptoGetTextPassword2(int32_t* passwordIsDefined, SevenZipAbi::BSTR* password) override;

    // The gathered items: parallel arrays indexed by the library's item index. Filled by Add
    // before the update starts and only read afterwards.
    std::vector<QString> ItemNames;
    std::vector<int64_t> ItemSizes;
    std::vector<uint64_t> ItemTimes;
    std::vector<uint64_t> ItemChangeTimes;  // FILETIME of the inode's last change
    std::vector<uint32_t> ItemAttributes;
    std::vector<uint8_t> ItemKinds;  // ItemKind; an item without one is a followed file
    uint32_t ItemCount = 0;
    // Upper-cased AddRootDir with a trailing separator; cut from stored paths.
    QString RootDir;
    // Taken from the owner when the update starts, so worker threads never read its fields.
    AddOpts Options = 0;
    bool HasSetAddName = false;

    // For an update from an earlier archive: per item, the index of the earlier item taken over
    // as stored, or NoEarlierItem for one to pack. Empty when the archive is packed anew.
    std::vector<uint32_t> EarlierIndex;

    // The stored path of an item (rules of the update callback, before it becomes a BSTR).
    QString StoredPath(uint32_t index);
    // An item as the archive would store it, with its change time (Index is its number here).
    ArchiveItem GatheredItem(uint32_t index);
    // Forgets the progress of an update that was given up, before the archive is packed anew.
    void ResetProgress();

private:
    bool StopRequested() const;
    ItemKind KindOf(uint32_t index) const;

    SevenZipPacker* owner_;
    std::shared_ptr<EventChannel> channel_;
    const SevenZipLibrary* library_;
    QString password_;

    std::mutex mutex_;  // guards the progress state below
    QString CurrentName;
    int64_t FileProgress = 0;
    int64_t CurrentSize = 0;
    uint64_t LastCompleted = 0;
    bool cancelReported_ = false;
    bool streamGiven_ = false;
};
