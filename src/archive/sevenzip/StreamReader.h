#pragma once
// StreamReader: the input stream of one item. A file that cannot be opened gives no stream
// at all (the update callback leaves its item out); one that fails to read, or ends before the
// size it was listed with, ends its item there and is reported as a problem of the add. The
// error reaches the owner's LastError when the library releases the stream.

#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "archive/sevenzip/SevenZip.h"
#include "platform/Files.h"

#include <QByteArray>
#include <QString>

#include <memory>

class StreamReader final : public SevenZipAbi::IInStream,
                              public SevenZipAbi::IStreamGetSize,
                              public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    enum SourceItem {
        FollowLinks,  // the file, through a link if the name is one
        NoLinks,      // the file itself; a link in its place is refused
        LinkText,     // the target text of the symbolic link
    };

    // listedSize is the size the item was gathered with (-1: unknown); ending before it is a
    // problem of the add.
    StreamReader(SevenZipPacker* owner, std::shared_ptr<EventChannel> channel, const QString& fileName,
                    SourceItem source = FollowLinks, int64_t listedSize = -1);
    ~StreamReader() override;

    SevenZipAbi::HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT GetSize(uint64_t* size) override;

    int Error() const { return error_; }

private:
    void EndOfData();

    SevenZipPacker* owner_;
    std::shared_ptr<EventChannel> channel_;
    QString fileName_;
    OsFile file_;
    bool inMemory_ = false;
    QByteArray data_;  // a link's target text
    int64_t position_ = 0;
    int64_t size_ = 0;  // 0 also when the file could not be opened: no size is known then
    int64_t listedSize_;
    int error_ = 0;
    bool ended_ = false;
};

// Hands a problem to the owner's Problems on the thread that called Add (nothing without owner).
void PostAddProblem(SevenZipPacker* owner, EventChannel& channel, PackProblem::Kind what, const QString& path, int error);
