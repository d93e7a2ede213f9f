#pragma once
// One entry of a run: its destination and source checked, its dated folder made, then linked
// to an unchanged earlier archive when the settings allow, or packed by the packer (checked
// after writing when the settings ask). Each entry's outcome comes back with its reasons.

#include "archive/run/RunResult.h"
#include "core/EntryList.h"
#include "core/Settings.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <set>
#include <utility>

class SevenZipPacker;
struct PackProblem;

// Gives the packer the program's settings: plain solid LZMA 7z in blocks of at most
// SolidBlockMegabytes, fast, no recursion into subfolders, no password, checked after writing.
void ConfigurePacker(SevenZipPacker& packer);
// The packer set up as the settings ask: checked after writing, whole trees or one level.
void ApplyRunSettings(SevenZipPacker& packer, const Settings& settings);
// The reason line (without its TAB) for something an add met.
QString AddProblemReason(const PackProblem& problem);
// How the packer packs now, as archive records keep it: only an archive packed the same way is
// updated from.
QString PackingText(const SevenZipPacker& packer);
// The largest solid block of the program's archives, in MiB (chosen by measurement: a first
// pack costs about what one block would, and a small change repacks one block, not all).
inline constexpr uint32_t SolidBlockMegabytes = 64;

class EntryArchiver {
public:
    // folderName is the run's dated folder, "Arch_" + time stamp; runStart the moment the run
    // began (UTC), from which a change of a source file counts as a change after this run.
    EntryArchiver(SevenZipPacker* packer, const Settings& settings, QString folderName, QDateTime runStart);

    EntryOutcome Archive(int index, const Entry& entry);

private:
    int ArchiveInto(const Entry& entry, EntryOutcome& outcome);
    bool BuiltOnEarlier(const QString& docel, const QString& nazwa, const QString& archive, EntryOutcome& outcome);
    void RecordWritten(const QString& archive);
    void Remember(const QString& archive);
    bool WrittenBefore(const QString& archive) const;

    SevenZipPacker* packer;
    Settings settings;
    QString folderName;
    QDateTime runStart;
    // The archives this run has written, by file identity, so a later entry that would write
    // the same file (same name and folder, however its path is spelt) never replaces one.
    std::set<std::pair<uint64_t, uint64_t>> written;
};
