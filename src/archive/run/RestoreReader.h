#pragma once
// RestoreReader: brings an archive's items back into a folder so that nothing is ever written
// outside it, whatever the archive holds and whatever is swapped into the folder meanwhile.
// Every folder is reached from the target through open descriptors, one name at a time and
// never through a link; files are written under a temporary name in their open folder and given
// their name there; symbolic links come back as links, whatever their target, made after every
// file and folder. Permission bits are limited by the user's umask, times before 1970 stay as
// stored, and everything written is made durable before Extract answers.
//
// Listing and the events work as for SevenZipReader, whose types it answers with.

#include "archive/sevenzip/SevenZipReader.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class SevenZipPacker;
class SevenZipLibrary;

class RestoreReader {
public:
    // Reads through the same library as zip; zip must outlive the reader.
    explicit RestoreReader(const SevenZipPacker& zip);
    ~RestoreReader();
    RestoreReader(const RestoreReader&) = delete;
    RestoreReader& operator=(const RestoreReader&) = delete;

    // Opens an archive and lists its items (see SevenZipReader::Open).
    const ArchiveListing& Open(const QString& archivePath);
    void Close();
    const ArchiveListing& Listing() const { return reader_.Listing(); }

    // Extracts into folder every item, or the items of the given indices. An archive without
    // items (or no index chosen among none) creates nothing, not even the folder.
    ExtractResult Extract(const QString& folder, std::vector<uint32_t> indices = {});

    // As for SevenZipReader; the handlers run on the thread that called Extract.
    std::function<OverwriteAnswer(const ArchiveItem& item, const ExistingFile& existing)> OnOverwrite;
    std::function<void(uint64_t done, uint64_t total)> OnProgress;
    std::function<void(const ArchiveItem& item)> OnItem;
    std::function<void(const ExtractProblem& problem)> OnProblem;
    // Test seam: runs on the library's own thread after each item is done and before the next
    // one is begun, while the library waits.
    std::function<void(const ArchiveItem& item)> BetweenItems;

    std::atomic<bool> CancelRequested{false};
    const std::atomic<bool>* CancelAlso = nullptr;
    QString Password;

    bool Cancelled() const { return CancelRequested.load() || (CancelAlso && CancelAlso->load()); }

private:
    SevenZipReader reader_;
    std::unique_ptr<SevenZipLibrary> library_;  // a link of its own, made at the first Extract
};
