#pragma once
// TMyStreamWriter: the output stream of one add, writing one archive file or a series of
// numbered volume files. Every file is written under a temporary name beside its final name;
// Commit gives the files their final names once the archive is complete, and a writer that
// was never committed removes what it wrote, so a failed add leaves neither a broken archive
// nor a damaged older one.

#include "archive/sevenzip/InterfacedObject.h"
#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

class TMyStreamWriter final : public SevenZipAbi::IOutStream, public TInterfacedObject {
    SEVENZIP_INTERFACED_OBJECT
public:
    // Opens the first file at once; throws EStreamWriteError (after storing the system's error
    // code in *errorTarget) when it cannot. With append, appendTemp is an existing temporary
    // file (the self-extractor stub) that becomes the first file; the writer owns it from here.
    TMyStreamWriter(int32_t* errorTarget, const QString& baseName, uint64_t fileDate, uint32_t attributes,
                    int32_t volumeSize, bool append, const QString& appendTemp = QString());
    ~TMyStreamWriter() override;

    SevenZipAbi::HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) override;
    SevenZipAbi::HRESULT Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override;
    SevenZipAbi::HRESULT SetSize(uint64_t newSize) override;

    // Names of the files opened so far, in volume order (final names).
    QStringList FileNames() const;
    int Error() const;
    // Gives every file its final name. False (and Error set) when that fails; the files are
    // then removed. Called once, on a writer without error.
    bool Commit();
    // Removes the files written so far.
    void Discard();

private:
    struct TFiles {
        QString Name;      // final name
        QString TempName;  // name while written
        OsFile File;
        int64_t Size = 0;
    };

    bool OpenFile(size_t k, const QString& appendTemp = QString());
    bool WriteAt(TFiles& file, const char* data, size_t count, int64_t offset);
    bool SetDate(OsFile& file);
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
    bool FCommitted = false;
    mutable std::mutex FMutex;
    std::vector<TFiles> FFiles;
};

// Creates a new empty file beside finalName under a unique temporary name; answers the open
// file and the name in tempName.
OsError CreateTemporaryFile(const QString& finalName, QString& tempName, OsFile& file, unsigned mode = 0666);
