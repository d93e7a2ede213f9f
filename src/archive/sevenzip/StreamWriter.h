#pragma once
// StreamWriter: the output stream of one add, writing one archive file or a series of
// numbered volume files. Every file is written under a short temporary name in the folder of
// its final name, readable by its owner only and locked while it is open; Commit flushes the
// files, gives them their final names once the archive is complete and flushes the folder. A
// writer that was never committed removes what it wrote, so a failed add leaves neither a
// broken archive nor a damaged older one.

#include "archive/sevenzip/InterfacedObject.h"
#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

class StreamWriter final : public SevenZipAbi::IOutStream, public InterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    // Opens the first file at once; throws StreamWriteError (after storing the system's error
    // code in *errorTarget) when it cannot. With append, appendFile is the open temporary file
    // appendTemp (the self-extractor stub, made by CreateTemporaryFile) that becomes the first
    // file; the writer owns both from here.
    StreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate, uint32_t attributes,
                    int32_t volumeSize, bool append, const QString& appendTemp = QString(),
                    OsFile* appendFile = nullptr);
    ~StreamWriter() override;

    SevenZipAbi::HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT SetSize(uint64_t newSize) override;

    // Names of the files opened so far, in volume order (final names).
    QStringList FileNames() const;
    int Error() const;
    // Final name of the file whose operation failed first (the base name while none has).
    QString FailedName() const;
    // Brings every byte to the disk under the temporary names and lets go of the cached copy,
    // so that a read from here on comes from the disk. False (and Error set) when that fails.
    bool Flush();
    // Names the files carry while written, in volume order (empty once committed).
    QStringList TempNames() const;
    // Gives every file its final name (flushing first when Flush was not called). False (and
    // Error set) when that fails; the files are then removed. Called once, on a writer without
    // error.
    bool Commit();
    // Removes the files written so far.
    void Discard();

private:
    struct FileList {
        QString Name;      // final name
        QString TempName;  // name while written
        OsFile File;
        int64_t Size = 0;
    };

    bool OpenFile(size_t k, const QString& appendTemp = QString(), OsFile* appendFile = nullptr);
    void Fail(OsError error, const QString& name);
    bool WriteAt(FileList& file, const char* data, size_t count, int64_t offset);
    bool SetDate(FileList& file);
    bool FlushLocked();
    void CloseAll();

    int32_t* FErrorTarget;
    QString FBaseName;
    uint64_t FFileDate;
    uint32_t FAttributes;
    bool FAppend;
    uint32_t FVolumeSize;
    int64_t FPosition = 0;
    int64_t FSize = 0;
    int FError = 0;
    QString FFailedName;
    bool FCommitted = false;
    bool FFlushed = false;
    int64_t FSpoilAt = -1;  // test seam: archive offset of the byte to spoil, -1 for none
    mutable std::mutex FMutex;
    std::vector<FileList> FFiles;
};

// Creates a new empty file in the folder of finalName under a short temporary name of this
// program (whatever the length of finalName), with the permission bits given, and locks it for
// as long as it stays open; answers the open file and the name in tempName.
OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file, unsigned mode = 0600);
// True for the names CreateTemporaryFile gives, and for those that earlier versions of the
// program gave ("NAME.7z.XXXXXX.tmp").
bool IsTemporaryFileName(const QString& name);
// Removes from the folder the temporary files of this program that no process holds a lock on:
// what interrupted adds left behind. Nothing else is ever touched.
void RemoveStaleTemporaryFiles(const QString& folder);

// Test seam: the next writer made spoils (inverts) the byte at this archive offset on its way to
// the file, the way a failing disk or cable would; -1 disarms the seam. The program never arms it.
void InjectSpoiledByte(int64_t offset);
