#pragma once
// ArchiveInStream: the archive file as the library reads it while opening, testing and
// extracting. Reads are positioned reads of the file on disk. A read the system refuses is
// kept, so the caller can name the reason instead of a damaged archive.

#include "archive/sevenzip/InterfacedObject.h"
#include "platform/Files.h"

#include <QString>

#include <mutex>

class ArchiveInStream final : public SevenZipAbi::IInStream, public SevenZipAbi::IStreamGetSize,
                               public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    ArchiveInStream() = default;

    OsError Open(const QString& path);
    int64_t Size() const { return size_; }
    // The first bytes of the file (fewer when it is shorter).
    QByteArray Head(size_t count);
    // The first system error a read met, 0 when none.
    OsError ReadError() const;

    SevenZipAbi::HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT GetSize(uint64_t* size) override;

private:
    mutable std::mutex mutex_;  // the library may read from more than one thread, one at a time
    OsFile file_;
    int64_t size_ = 0;
    int64_t position_ = 0;
    OsError readError_ = NoError;
};
