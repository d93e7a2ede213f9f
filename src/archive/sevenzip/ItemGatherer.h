#pragma once
// Builds the item list of one add from the entries of SevenZipPacker::Files: plain entries as one
// item each, folder masks as the folder's own item and what a walk of the folder admits.
// Inside a walk nothing is followed: a symbolic link is an item of its own. What cannot be
// listed or looked up, and what cannot be archived at all, is noted as a problem.

#include "platform/FileSystem.h"
#include "archive/sevenzip/SevenZip.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <utility>
#include <vector>

class ArchiveUpdateCallback;

class ItemGatherer {
public:
    // addRootDir is the already upper-cased AddRootDir of the owner.
    ItemGatherer(ArchiveUpdateCallback& items, const QString& addRootDir, AddOpts options,
                  const std::atomic<bool>& cancel);

    void Gather(const SourceMasks& files);
    // Every entry as added with SourceMasks::Add.
    void Gather(const QStringList& files);
    int64_t Total() const { return total_; }
    // What the gathering met, in the order it happened.
    const std::vector<PackProblem>& Problems() const { return problems_; }
    // Direct subfolders with content that the walk did not enter (no AddRecurseDirs).
    int64_t SkippedSubfolderCount() const { return skippedSubfolders_; }

    // Extension of a name: from its last "." to the end, empty when it has none.
    static QString Extension(const QString& name);

private:
    void GatherEntry(const QString& entry, bool literal);
    void AddPlainEntry(const QString& entry);
    void AddDirEntry(const QString& folder);
    void WalkFolder(const QString& folder, const QString& mask);
    void LookIntoSubfolder(const QString& folder);
    void AddItem(const QString& name, const FileSystem::FileInfo& info, uint8_t kind);
    void AddProblem(PackProblem::Kind what, const QString& path, int error);

    ArchiveUpdateCallback& items_;
    QString addRootDir_;
    AddOpts options_;
    const std::atomic<bool>& cancel_;
    int64_t total_ = 0;
    size_t capacity_ = 0;
    std::vector<PackProblem> problems_;
    int64_t skippedSubfolders_ = 0;
    // Folders the walk is inside, so a folder reached twice (a bind mount) cannot make it endless.
    std::vector<std::pair<uint64_t, uint64_t>> walkStack_;
};
