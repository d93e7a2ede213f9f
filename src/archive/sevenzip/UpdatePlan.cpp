#include "archive/sevenzip/UpdatePlan.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cstring>

bool SameStoredItem(const ArchiveItem& a, const ArchiveItem& b)
{
    return a.Path == b.Path && a.IsFolder == b.IsFolder && a.Size == b.Size && a.HasTime == b.HasTime &&
           (!a.HasTime || a.Time == b.Time) && a.HasAttributes == b.HasAttributes &&
           (!a.HasAttributes || a.Attributes == b.Attributes);
}

UpdatePlan PlanUpdate(const std::vector<ArchiveItem>& gathered, const std::vector<ArchiveItem>& earlier,
                      uint64_t changedSince)
{
    QHash<QString, uint32_t> byPath;
    byPath.reserve(static_cast<qsizetype>(earlier.size()));
    for (uint32_t i = 0; i < earlier.size(); ++i)
        byPath.insert(earlier[i].Path, i);  // a name stored twice: the last one, as extraction leaves it

    UpdatePlan plan;
    plan.EarlierCount = earlier.size();
    plan.EarlierIndex.assign(gathered.size(), NoEarlierItem);
    std::vector<bool> used(earlier.size(), false);
    for (size_t g = 0; g < gathered.size(); ++g) {
        const ArchiveItem& item = gathered[g];
        const auto found = byPath.constFind(item.Path);
        if (found == byPath.cend()) {
            if (!item.IsFolder)
                ++plan.NewFiles;
            continue;
        }
        const ArchiveItem& stored = earlier[*found];
        // Encrypted data could only be taken over with the password it was made with.
        const bool untouched = item.ChangeTime != 0 && item.ChangeTime < changedSince;
        if (!used[*found] && untouched && !stored.Encrypted && SameStoredItem(item, stored)) {
            plan.EarlierIndex[g] = *found;
            used[*found] = true;
            ++plan.Kept;
        } else if (!item.IsFolder) {
            ++plan.ChangedFiles;
        }
    }
    QHash<QString, bool> gatheredPaths;
    gatheredPaths.reserve(static_cast<qsizetype>(gathered.size()));
    for (const ArchiveItem& item : gathered)
        gatheredPaths.insert(item.Path, true);
    for (const ArchiveItem& stored : earlier)
        if (!stored.IsFolder && !gatheredPaths.contains(stored.Path))
            ++plan.RemovedFiles;
    return plan;
}

std::vector<ArchiveBlock> ArchiveBlocks(const ArchiveListing& listing)
{
    constexpr uint64_t StartHeaderSize = 32;
    std::vector<ArchiveBlock> blocks;
    for (const ArchiveItem& item : listing.Items) {
        if (item.Block < 0)
            continue;
        const auto block = static_cast<size_t>(item.Block);
        if (block == blocks.size()) {
            ArchiveBlock next;
            next.Size = item.BlockPackedSize;
            blocks.push_back(next);
        } else if (block + 1 != blocks.size()) {
            return {};  // items of a block not side by side: not the layout this follows
        }
        blocks.back().Items.push_back(item.Index);
    }
    uint64_t offset = StartHeaderSize;
    for (ArchiveBlock& block : blocks) {
        if (block.Size == 0)
            return {};
        block.Offset = offset;
        offset += block.Size;
    }
    if (offset > listing.PackedSize)
        return {};
    return blocks;
}

namespace {

bool SameBytes(QFile& a, uint64_t offsetA, QFile& b, uint64_t offsetB, uint64_t size)
{
    constexpr qint64 Chunk = 1 << 20;
    if (!a.seek(static_cast<qint64>(offsetA)) || !b.seek(static_cast<qint64>(offsetB)))
        return false;
    QByteArray bufferA(Chunk, Qt::Uninitialized);
    QByteArray bufferB(Chunk, Qt::Uninitialized);
    for (uint64_t left = size; left > 0;) {
        const qint64 want = static_cast<qint64>(std::min<uint64_t>(left, Chunk));
        if (a.read(bufferA.data(), want) != want || b.read(bufferB.data(), want) != want)
            return false;
        if (std::memcmp(bufferA.constData(), bufferB.constData(), static_cast<size_t>(want)) != 0)
            return false;
        left -= static_cast<uint64_t>(want);
    }
    return true;
}

}  // namespace

std::vector<bool> ItemsInCopiedBlocks(const ArchiveListing& written, const ArchiveListing& earlier)
{
    std::vector<bool> copied(written.Items.size(), false);
    const std::vector<ArchiveBlock> newBlocks = ArchiveBlocks(written);
    const std::vector<ArchiveBlock> oldBlocks = ArchiveBlocks(earlier);
    if (newBlocks.empty() || oldBlocks.empty())
        return copied;
    QHash<QString, uint32_t> byPath;
    for (const ArchiveItem& item : earlier.Items)
        byPath.insert(item.Path, item.Index);

    QFile newFile(written.Path);
    QFile oldFile(earlier.Path);
    if (!newFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !oldFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return copied;
    for (const ArchiveBlock& block : newBlocks) {
        const auto found = byPath.constFind(written.Items[block.Items.front()].Path);
        if (found == byPath.cend())
            continue;
        const int64_t oldIndex = earlier.Items[*found].Block;
        if (oldIndex < 0 || static_cast<size_t>(oldIndex) >= oldBlocks.size())
            continue;
        const ArchiveBlock& old = oldBlocks[static_cast<size_t>(oldIndex)];
        if (old.Size != block.Size || old.Items.size() != block.Items.size())
            continue;
        const bool sameItems = std::equal(block.Items.begin(), block.Items.end(), old.Items.begin(), [&](uint32_t n, uint32_t o) {
            const ArchiveItem& a = written.Items[n];
            const ArchiveItem& b = earlier.Items[o];
            return a.Path == b.Path && a.Size == b.Size && a.HasCrc && b.HasCrc && a.Crc == b.Crc && !a.Encrypted &&
                   !b.Encrypted;
        });
        if (!sameItems || !SameBytes(newFile, block.Offset, oldFile, old.Offset, block.Size))
            continue;
        for (const uint32_t index : block.Items)
            copied[index] = true;
    }
    return copied;
}
