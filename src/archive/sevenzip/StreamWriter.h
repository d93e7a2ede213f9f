#pragma once
// StreamWriter: the output stream of one add, writing one archive file. The file is written
// under a short temporary name in the folder of its final name, readable by its owner only and
// locked while it is open; Commit flushes the file, gives it its final name once the archive is
// complete and flushes the folder. A writer that was never committed removes what it wrote, so
// a failed add leaves neither a broken archive nor a damaged older one.

#include "archive/sevenzip/InterfacedObject.h"
#include "platform/Files.h"

#include <QString>
#include <mutex>

class StreamWriter final : public SevenZipAbi::IOutStream, public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    // Opens the file at once; throws StreamWriteError (after storing the system's error code in
    // *errorTarget) when it cannot. spoilAt: see SevenZipPacker::SpoilWrittenByte.
    StreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate, int64_t spoilAt = -1);
    ~StreamWriter() override;

    SevenZipAbi::HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT SetSize(uint64_t newSize) override;

    // The final name of the file.
    QString FileName() const { return baseName_; }
    int Error() const;
    // Final name of the file (as the name an error belongs to).
    QString FailedName() const { return baseName_; }
    // Brings every byte to the disk under the temporary names and lets go of the cached copy,
    // so that a read from here on comes from the disk. False (and Error set) when that fails.
    bool Flush();
    // The name the file carries while written (empty once committed or discarded).
    QString TempName() const;
    // Gives the file its final name (flushing first when Flush was not called). False (and
    // Error set) when that fails; the file is then removed. Called once, on a writer without
    // error.
    bool Commit();
    // Removes the file written so far.
    void Discard();

private:
    void Fail(OsError error);
    bool SetDate();
    bool FlushLocked();

    int32_t* errorTarget_;
    QString baseName_;
    QString tempName_;  // empty once the file is committed or removed
    OsFile file_;
    uint64_t fileDate_;
    int64_t position_ = 0;
    int64_t size_ = 0;
    int error_ = 0;
    bool committed_ = false;
    bool flushed_ = false;
    int64_t spoilAt_ = -1;  // test seam: archive offset of the byte to spoil, -1 for none
    mutable std::mutex mutex_;
};

// Creates a new empty file in the folder of finalName under a short temporary name of this
// program (whatever the length of finalName), readable by its owner only (a backup holds
// whatever its sources hold), and locks it for as long as it stays open; answers the open file
// and the name in tempName.
OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file);
// True for the names CreateTemporaryFile gives, and for those that earlier versions of the
// program gave ("NAME.7z.XXXXXX.tmp").
bool IsTemporaryFileName(const QString& name);
// Removes from the folder the temporary files of this program that no process holds a lock on:
// what interrupted adds left behind. Nothing else is ever touched.
void RemoveStaleTemporaryFiles(const QString& folder);

