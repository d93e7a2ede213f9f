#pragma once
// TMyStreamReader: the input stream of one item's file. A file that cannot be opened or read
// gives no data (the library stores what it got) and keeps the error, which reaches the
// owner's LastError when the library releases the stream.

#include "archive/sevenzip/EventChannel.h"
#include "archive/sevenzip/InterfacedObject.h"
#include "platform/Files.h"

#include <QString>

#include <memory>

class TSevenZip;

class TMyStreamReader final : public SevenZipAbi::IInStream,
                              public SevenZipAbi::IStreamGetSize,
                              public TInterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    TMyStreamReader(TSevenZip* owner, std::shared_ptr<TEventChannel> channel, const QString& fileName);
    ~TMyStreamReader() override;

    SevenZipAbi::HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT GetSize(uint64_t* size) override;

    int Error() const { return FError; }

private:
    TSevenZip* FOwner;
    std::shared_ptr<TEventChannel> FChannel;
    QString FFileName;
    OsFile FFile;
    int64_t FPosition = 0;
    int64_t FSize = 0;  // 0 also when the file could not be opened: no size is known then
    int FError = 0;
};
