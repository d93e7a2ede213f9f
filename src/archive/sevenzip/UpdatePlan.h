#pragma once
// Which items of a new archive can be taken over from an earlier archive of the same entry as
// they are stored there, and which must be packed. An item is taken over only when its stored
// path, folder flag, size, time and attributes are those of the earlier item and its inode has
// not changed since the earlier archive's run began: a time put back by the user or a copy that
// keeps times still changes the inode, so neither is mistaken for an unchanged file.

#include "archive/sevenzip/SevenZipReader.h"

#include <cstdint>
#include <vector>

inline constexpr uint32_t NoEarlierItem = 0xFFFFFFFFu;

struct UpdatePlan {
    // For each gathered item, the index of the earlier item it is taken over from, or
    // NoEarlierItem when it is packed.
    std::vector<uint32_t> EarlierIndex;
    uint32_t Kept = 0;          // items taken over
    uint32_t ChangedFiles = 0;  // files (not folders) present before but changed
    uint32_t NewFiles = 0;      // files not in the earlier archive
    uint32_t RemovedFiles = 0;  // files of the earlier archive gone from the source
    size_t EarlierCount = 0;    // items of the earlier archive

    // The new archive would hold exactly the earlier archive's items, all as stored.
    bool KeepsAll() const { return Kept == EarlierIndex.size() && Kept == EarlierCount; }
};

// The header data of a gathered item and of a stored one are the same.
bool SameStoredItem(const ArchiveItem& gathered, const ArchiveItem& stored);

// Plans a new archive of `gathered` from `earlier`. changedSince is the FILETIME from which an
// inode change makes an item changed (the start of the earlier archive's run); a gathered item
// without a change time counts as changed.
UpdatePlan PlanUpdate(const std::vector<ArchiveItem>& gathered, const std::vector<ArchiveItem>& earlier,
                      uint64_t changedSince);

// One solid block of an archive: where its packed data lies and which items it holds, in order.
struct ArchiveBlock {
    uint64_t Offset = 0;  // in the archive file
    uint64_t Size = 0;    // packed bytes
    std::vector<uint32_t> Items;
};

// The blocks of a listed 7z archive, in block order. A block's packed data follows the one
// before it, from the end of the 32-byte start header on. Empty when the listing does not
// describe its blocks in a way this can follow (then nothing may be confirmed by its bytes).
std::vector<ArchiveBlock> ArchiveBlocks(const ArchiveListing& listing);

// Marks the items of `written` whose solid block is, item for item and byte for byte, a block of
// `earlier` (an archive known to be whole): such a block was copied as stored and needs no
// decoding. Reads the packed bytes of both files; anything it cannot read or match stays unmarked.
std::vector<bool> ItemsInCopiedBlocks(const ArchiveListing& written, const ArchiveListing& earlier);
