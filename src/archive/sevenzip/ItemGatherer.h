#pragma once
// Builds the item list of one add from the entries of TSevenZip::Files: plain entries as one
// item each, folder masks as the folder's own item and what a walk of the folder admits.

#include "platform/FileSystem.h"
#include "archive/sevenzip/SevenZip.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <utility>
#include <vector>

class TMyArchiveUpdateCallback;

class TItemGatherer {
public:
    // addRootDir is the already upper-cased AddRootDir of the owner.
    TItemGatherer(TMyArchiveUpdateCallback& items, const QString& addRootDir, AddOpts options,
                  const std::atomic<bool>& cancel);

    void Gather(const QStringList& files);
    int64_t Total() const { return FTotal; }

    // Extension of a name: from its last "." to the end, empty when it has none.
    static QString Extension(const QString& name);

private:
    void GatherEntry(const QString& entry);
    void AddDirEntry(const QString& folder);
    void WalkFolder(const QString& folder, const QString& mask);
    void AddItem(const QString& name, int64_t size, uint64_t time, uint32_t attributes);

    TMyArchiveUpdateCallback& FItems;
    QString FAddRootDir;
    AddOpts FOptions;
    const std::atomic<bool>& FCancel;
    int64_t FTotal = 0;
    size_t FCapacity = 0;
    // Folders the walk is inside, so a link back to one of them cannot make it endless.
    std::vector<std::pair<uint64_t, uint64_t>> FWalkStack;
};
