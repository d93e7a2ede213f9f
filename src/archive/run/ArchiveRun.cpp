#include "archive/run/ArchiveRun.h"

#include "archive/run/EntryArchiver.h"
#include "archive/run/RunLock.h"
#include "archive/run/RunPaths.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/Messages.h"
#include "core/UiPorts.h"

#include <algorithm>
#include <climits>
#include <utility>

void ByteProgress::Start(ProgressPort& bar, int64_t max)
{
    total = std::max<int64_t>(max, 0);
    shift = 0;
    while ((total >> shift) > INT_MAX)
        ++shift;
    bar.SetPosition(0);
    bar.SetMax(static_cast<int>(total >> shift));
    bar.SetVisible(true);
    bar.Refresh();
}

void ByteProgress::Advance(ProgressPort& bar, int64_t done) const
{
    bar.SetPosition(static_cast<int>(std::clamp<int64_t>(done, 0, total) >> shift));
    bar.Refresh();
}

// Whatever way a run ends (an exception too): the lock goes, the flags clear and the packer
// gets back the handlers it had.
class ArchiveRun::Scope {
public:
    explicit Scope(ArchiveRun& run) : run(run)
    {
        run.running = true;
        SevenZipPacker* packer = run.parameters.Packer;
        if (!packer)
            return;
        savedPre = packer->OnPreProgress;
        savedProgress = packer->OnProgress;
        // The bars move first; a handler the packer had (a test's, say) still hears every event.
        packer->OnPreProgress = [this](SevenZipPacker* sender, int64_t total) {
            this->run.byteProgress.Start(this->run.window.Progress(), total);
            if (savedPre)
                savedPre(sender, total);
        };
        packer->OnProgress = [this](SevenZipPacker* sender, const QString& name, int64_t done, int64_t file) {
            this->run.byteProgress.Advance(this->run.window.Progress(), done);
            if (savedProgress)
                savedProgress(sender, name, done, file);
        };
    }
    ~Scope()
    {
        run.lock->Release();
        run.archiving = false;
        run.running = false;
        if (SevenZipPacker* packer = run.parameters.Packer) {
            packer->OnPreProgress = std::move(savedPre);
            packer->OnProgress = std::move(savedProgress);
        }
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    ArchiveRun& run;
    T7zPreProgressEvent savedPre;
    T7zProgressEvent savedProgress;
};

namespace {

MainWindowPort& WindowOf(const RunParameters& parameters, std::unique_ptr<MainWindowPort>& headless)
{
    if (parameters.Window)
        return *parameters.Window;
    headless = std::make_unique<HeadlessMainWindow>();
    return *headless;
}

const RunResult& AlreadyRunning()
{
    static const RunResult refused = [] {
        RunResult r;
        r.Start = RunStart::AlreadyRunning;
        return r;
    }();
    return refused;
}

} // namespace

ArchiveRun::ArchiveRun(RunParameters p)
    : parameters(std::move(p)), window(WindowOf(parameters, headlessWindow)), lock(std::make_unique<RunLock>())
{
}

ArchiveRun::~ArchiveRun() = default;

int ArchiveRun::Ask(int buttons, int icon, const QString& text)
{
    return parameters.Messages ? parameters.Messages->Show(buttons, icon, text) : ShowWarning(buttons, icon, text);
}

const RunResult& ArchiveRun::ArchiveSelected()
{
    // The window ignores its commands during a run; this keeps a run from ever starting inside
    // another one, which would empty the result the first one is making.
    if (running)
        return AlreadyRunning();
    result = RunResult{};
    if (parameters.Entries.empty()) {
        result.Start = RunStart::NothingToArchive;
        Ask(ButtonsClose, IconInfo, Msg::NothingToArchive());
        return result;
    }
    bool anySelected = false;
    if (ListBoxPort* box = parameters.Selection) {
        for (int i = 0, n = box->Count(); i < n && !anySelected; ++i)
            anySelected = box->IsSelected(i);
    }
    if (!anySelected) {
        result.Start = RunStart::NothingSelected;
        Ask(ButtonsClose, IconInfo, Msg::NothingSelected());
        return result;
    }
    Scope scope(*this);
    if (!lock->Take()) {
        result.Start = RunStart::FoundBusy;
        Ask(ButtonsClose, IconInfo, Msg::RunAlreadyInProgress());
        return result;
    }
    RunEntries(true);
    return result;
}

const RunResult& ArchiveRun::ArchiveAll()
{
    if (running)
        return AlreadyRunning();
    result = RunResult{};
    Scope scope(*this);
    // Before the log is touched: it belongs to the run that holds the lock.
    if (!lock->Take()) {
        result.Start = RunStart::FoundBusy;
        Ask(ButtonsClose, IconInfo, Msg::RunAlreadyInProgress());
        return result;
    }
    if (parameters.Entries.empty()) {
        result.ListEmpty = true;
        WriteLog();
        return result;
    }
    RunEntries(false);
    return result;
}

void ArchiveRun::RunEntries(bool selectedOnly)
{
    // Whole seconds, rounded down: an inode changed in the second the run began counts as
    // changed since then.
    QDateTime started = parameters.Started.isValid() ? parameters.Started.toUTC() : QDateTime::currentDateTimeUtc();
    started.setTime(QTime(started.time().hour(), started.time().minute(), started.time().second()));
    result.FolderName = QStringLiteral("Arch_") + TimeStampText(started.toLocalTime());
    archiving = true;
    stopRequested = false;
    settings = parameters.Options ? *parameters.Options : LoadSettings(QString(), &settingsNotices);
    ReportSettingsNotices(settingsNotices);
    if (parameters.Packer)
        ApplyRunSettings(*parameters.Packer, settings);
    EntryArchiver archiver(parameters.Packer, settings, result.FolderName, started);

    const EntryVector& entries = parameters.Entries;
    ProgressPort& etap = window.ProgresEtap();
    etap.SetMax(static_cast<int>(std::min<size_t>(entries.size(), INT_MAX)));
    etap.SetPosition(0);
    etap.SetVisible(true);
    ShowWorkStatus(true);

    // Each line's selection is read as the loop reaches it: the user may change the selection
    // while the run works.
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (selectedOnly && !(parameters.Selection && parameters.Selection->IsSelected(i)))
            continue;
        const Entry& entry = entries[static_cast<size_t>(i)];
        EntryOutcome outcome = archiver.Archive(i, entry);
        if (outcome.Code == ResultArchived || outcome.Code == ResultArchivedUnchanged)
            KeepNewestArchives(outcome, entry);
        result.Entries.push_back(std::move(outcome));
        etap.SetPosition(i);
        etap.Refresh();
        window.ProcessWaitingInput();
        if (stopRequested) {
            const int answer = Ask(ButtonsYesNoCancel, IconInfo, Msg::ConfirmStop());
            window.RepaintMainWindow();
            if (answer == AnswerYes) {
                result.Cancelled = true;
                archiving = false;
                break;
            }
            stopRequested = false;
        }
    }

    etap.SetVisible(false);
    etap.Refresh();
    ShowWorkStatus(false);
    archiving = false;

    WriteLog();
    // Archives and log are written: the closing message may wait for the user without keeping
    // another run out.
    lock->Release();

    if (result.ErrorsOccurred() && !parameters.SummaryInWindow)
        Ask(ButtonsClose, IconInfo, Msg::RunHadErrors());
}

void ArchiveRun::WriteLog()
{
    try {
        SaveRunLog(result.LogLines(), settingsNotices, result.FolderName, parameters.Unattended);
    } catch (const LogWriteError& e) {
        result.LogFailure = QString::fromUtf8(e.what());
        throw;
    }
}

// After an entry archived in this run: only its newest archives stay, as the settings ask.
void ArchiveRun::KeepNewestArchives(EntryOutcome& outcome, const Entry& entry) const
{
    if (settings.Zachowaj <= 0)
        return;
    const QString docel = WithoutTrailingSeparators(ResolvedEntryPath(entry.Docel));
    outcome.Retention = RemoveOldArchives(docel, entry.Nazwa, settings.Zachowaj, result.FolderName);
}

void ArchiveRun::ShowWorkStatus(bool working)
{
    if (!window.StatusPanelVisible())
        window.SetStatusPanelVisible(true);
    if (!working) {
        window.Progress().SetVisible(false);
        window.Progress().Refresh();
        window.LoadStatusImage(QString::fromLatin1(StatusDoneImage));
    } else {
        window.LoadStatusImage(QString::fromLatin1(StatusWorkingImage));
    }
    window.RefreshStatusImage();
    if (!working) {
        window.Pause(StatusDonePauseMs);
        window.SetStatusPanelVisible(false);
    }
}
