#pragma once
// The archive run: one object made for one run of the selected entries, or of all of them,
// each packed by the packer into Docel/Arch_<time stamp>/Nazwa.7z, with the run's log "Log.txt"
// in the data folder. Its parameters go in when it is made; its result comes out of
// ArchiveSelected or ArchiveAll; progress goes to the window port, and a stop request may come
// from any thread.

#include "archive/run/RunLog.h"
#include "archive/run/RunResult.h"
#include "core/EntryList.h"
#include "core/Settings.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>
#include <cstdint>
#include <optional>

class ListBoxPort;
class MainWindowPort;
class MessagePort;
class ProgressPort;
class RunLock;
class SevenZipPacker;

// Names of the status pictures among the program's resources.
inline constexpr char StatusWorkingImage[] = "but_przetwarzam";
inline constexpr char StatusDoneImage[] = "but_wykonano";
// How long the "done" picture stays before the status panel is hidden.
inline constexpr int StatusDonePauseMs = 800;

struct RunParameters {
    EntryVector Entries;                 // the list as the run starts
    SevenZipPacker* Packer = nullptr;    // set up with ConfigurePacker; nullptr fails every entry
    MainWindowPort* Window = nullptr;    // nullptr: nothing is drawn (no display)
    MessagePort* Messages = nullptr;     // nullptr: the program's message port
    ListBoxPort* Selection = nullptr;    // the chosen lines, asked as the loop reaches each
    std::optional<Settings> Options;     // read from "Ustawienia.ini" at the start when unset
    // When the run begins (its dated folder's name, and the moment from which a source's change
    // counts as one after this run). Invalid: now. Tests place it after changes of their own.
    QDateTime Started;
    bool Unattended = false;             // started by "/all" (the history says "automatycznie")
    bool SummaryInWindow = false;        // the window sums the run up itself: no closing message
};

// The byte bar of the entry at work: 32-bit values, so an entry of 2 GiB or more is shown in
// units of 2^shift bytes and the bar still runs from 0 to full.
class ByteProgress {
public:
    void Start(ProgressPort& bar, int64_t total);
    void Advance(ProgressPort& bar, int64_t done) const;

private:
    int shift = 0;
    int64_t total = 0;
};

class ArchiveRun {
public:
    explicit ArchiveRun(RunParameters parameters);
    ~ArchiveRun();
    ArchiveRun(const ArchiveRun&) = delete;
    ArchiveRun& operator=(const ArchiveRun&) = delete;

    // Archives the selected lines; an empty list or an empty selection is only said. Raises
    // LogWriteError when the log cannot be written (the result is complete by then).
    const RunResult& ArchiveSelected();
    // Archives every entry; an empty list writes the one-line log.
    const RunResult& ArchiveAll();

    // Asks the run to stop after the entry at work (the user is asked first); any thread.
    void RequestStop() { stopRequested = true; }
    bool StopRequested() const { return stopRequested; }
    // From the start of the loop until it has gone over the entries (or been stopped).
    bool Archiving() const { return archiving; }
    // True from the start of ArchiveSelected or ArchiveAll until it returns.
    bool Running() const { return running; }
    const RunResult& Result() const { return result; }

private:
    class Scope;
    void RunEntries(bool selectedOnly);
    bool TakeLock();
    void ShowWorkStatus(bool working);
    // The log made from the result; a failure is kept in the result, then raised.
    void WriteLog();
    int Ask(int buttons, int icon, const QString& text);
    void KeepNewestArchives(EntryOutcome& outcome, const Entry& entry) const;

    RunParameters parameters;
    std::unique_ptr<MainWindowPort> headlessWindow;  // when no window was given
    MainWindowPort& window;
    std::unique_ptr<RunLock> lock;
    Settings settings;
    QStringList settingsNotices;  // what reading "Ustawienia.ini" had to say
    RunResult result;
    ByteProgress byteProgress;
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> archiving{false};
    bool running = false;
};
