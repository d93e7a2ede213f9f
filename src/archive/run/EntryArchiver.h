#pragma once
// One entry of a run: its destination and source checked, its dated folder made, then linked
// to an unchanged earlier archive when the settings allow, or packed by the packer (checked
// after writing when the settings ask). Each entry's outcome comes back with its reasons.

#include "archive/run/RunResult.h"
#include "core/EntryList.h"
#include "core/Settings.h"

#include <QString>

#include <cstdint>
#include <set>
#include <utility>

class SevenZipPacker;
struct PackProblem;

// Gives the packer the program's settings: plain solid LZMA 7z, fast, no recursion into
// subfolders, no password, checked after writing.
void ConfigurePacker(SevenZipPacker& packer);
// The packer set up as the settings ask: checked after writing, whole trees or one level.
void ApplyRunSettings(SevenZipPacker& packer, const Settings& settings);
// The reason line (without its TAB) for something an add met.
QString AddProblemReason(const PackProblem& problem);

class EntryArchiver {
public:
    // folderName is the run's dated folder, "Arch_" + time stamp.
    EntryArchiver(SevenZipPacker* packer, const Settings& settings, QString folderName);

    EntryOutcome Archive(int index, const Entry& entry);

private:
    int ArchiveInto(const Entry& entry, EntryOutcome& outcome);
    bool LinkedToUnchanged(const QString& docel, const QString& nazwa, const QString& archive, EntryOutcome& outcome);
    void Remember(const QString& archive);
    bool WrittenBefore(const QString& archive) const;

    SevenZipPacker* packer;
    Settings settings;
    QString folderName;
    // The archives this run has written, by file identity, so a later entry that would write
    // the same file (same name and folder, however its path is spelt) never replaces one.
    std::set<std::pair<uint64_t, uint64_t>> written;
};
