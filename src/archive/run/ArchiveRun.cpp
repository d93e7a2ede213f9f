#include "archive/run/ArchiveRun.h"

#include "platform/FileSystem.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "core/Messages.h"
#include "archive/run/Retention.h"
#include "archive/run/RunPorts.h"
#include "archive/run/Unchanged.h"
#include "archive/run/VerifyCommand.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/Settings.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <set>
#include <utility>

QString ArchiveFolderName;
std::unique_ptr<QStringList> LogLines;
bool Archiving = false;
bool StopRequested = false;
bool ErrorsOccurred = false;
bool RunFoundBusy = false;
QStringList EntryReasons;
SevenZipPacker* Zipek = nullptr;

namespace {

// Without a window there is nothing to draw, no input to wait for and nobody to see the
// closing picture, so the headless window does nothing at all, except ending the event loop
// when there is one.
class HeadlessProgress final : public ProgressPort {
public:
    void SetMax(int) override {}
    void SetPosition(int) override {}
    void SetVisible(bool) override {}
    void Refresh() override {}
};

class HeadlessMainWindow final : public MainWindowPort {
public:
    ProgressPort& ProgresEtap() override { return etap; }
    ProgressPort& Progress() override { return progress; }
    bool StatusPanelVisible() const override { return panelVisible; }
    void SetStatusPanelVisible(bool visible) override { panelVisible = visible; }
    void LoadStatusImage(const QString&) override {}
    void RefreshStatusImage() override {}
    void ProcessWaitingInput() override {}
    void Pause(int) override {}
    void RepaintMainWindow() override {}
    void Minimize() override {}
    void Terminate() override { QCoreApplication::exit(0); }

private:
    HeadlessProgress etap;
    HeadlessProgress progress;
    bool panelVisible = true;
};

HeadlessMainWindow headlessWindow;
MainWindowPort* mainWindow = &headlessWindow;

// True from the start of a run until it has finished with LogLines (also after a cancel,
// when Archiving is already clear but the log still has to be written).
bool runInProgress = false;
// The main window closed while a run was using LogLines: free them when the run ends.
bool releaseLogLinesAfterRun = false;

// The progress bars take 32-bit values; an entry of 2 GiB or more is shown in units of
// 2^progressShift bytes so the bar still runs from 0 to full.
int progressShift = 0;
int64_t progressTotal = 0;

void EnsureLogLines()
{
    if (!LogLines)
        LogLines = std::make_unique<QStringList>();
}

// Held from the start of a run until its log is written, so two runs of one program folder
// (a cron "/all" while the window archives) never write the same log and archives.
std::unique_ptr<QLockFile> runLock;
constexpr int UnreadableRunLockAgeSeconds = 60;

// True when this run may work: the lock is taken, or it cannot be made at all (an unwritable
// data folder; the run then reports its own trouble with the log). False, after saying so,
// when another run holds it.
bool TakeRunLock()
{
    RunFoundBusy = false;
    auto lock = std::make_unique<QLockFile>(RunLockPath());
    // Only a lock whose process has ended is stale: a long run must keep it however long it takes.
    lock->setStaleLockTime(0);
    bool taken = lock->tryLock(0);
    if (!taken && lock->error() == QLockFile::LockFailedError) {
        // A lock file that names no process (cut short by a power loss, say) would keep every
        // run out for good: once it is older than a run needs to write it, it is stale.
        qint64 pid = 0;
        QString host, application;
        const QFileInfo file(RunLockPath());
        if (!lock->getLockInfo(&pid, &host, &application) &&
            file.lastModified().secsTo(QDateTime::currentDateTime()) > UnreadableRunLockAgeSeconds) {
            lock->removeStaleLockFile();
            taken = lock->tryLock(0);
        }
    }
    if (taken) {
        runLock = std::move(lock);
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return true;
    RunFoundBusy = true;
    ShowWarning(ButtonsClose, IconInfo, Msg::RunAlreadyInProgress());
    return false;
}

void ReleaseRunLock()
{
    runLock.reset();
}

// The settings of the run under way, read when it starts: a change saved in the window meanwhile
// applies from the next run on.
Settings runSettings;

// The packer set up as the settings ask: checked after writing, whole trees or one level.
void ApplyRunSettings(SevenZipPacker& packer, const Settings& settings)
{
    packer.VerifyAfterWrite = settings.Weryfikacja;
    packer.AddOptions = settings.Podfoldery ? (packer.AddOptions | AddRecurseDirs) : (packer.AddOptions & ~AddRecurseDirs);
}

// The archives this run has written, by file identity, so a later entry that would write the
// same file (same name and folder, however its path is spelt) never replaces one of them.
std::set<std::pair<uint64_t, uint64_t>> writtenArchives;

bool IdentityOf(const QString& path, std::pair<uint64_t, uint64_t>& id)
{
    FileSystem::FileInfo info;
    if (FileSystem::LookupEntry(path, info, false) != NoError)
        return false;
    id = {info.Device, info.Inode};
    return true;
}

void AddReason(const QString& path, const QString& reason)
{
    EntryReasons.append(path.isEmpty() ? reason : Msg::ReasonAt(path, reason));
}

QString WithoutTrailingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Makes the run's dated folder (for its owner only: it holds copies of everything the
// sources hold) or finds it made. Answers the reason when it cannot be used; a link or
// anything else at its name is never followed.
QString PrepareDatedFolder(const QString& dated)
{
    FileSystem::FileInfo info;
    OsError error = FileSystem::LookupEntry(dated, info, false);
    if (error == ENOENT) {
        error = MakeFolder(dated, 0700);
        if (error == NoError)
            return QString();
        // Made by another entry's run meanwhile: look at what is there now.
        if (error == EEXIST)
            error = FileSystem::LookupEntry(dated, info, false);
    }
    if (error != NoError)
        return Msg::ReasonAt(dated, Msg::SystemReason(error));
    if (info.Kind == FileSystem::EntryKind::Link)
        return Msg::ReasonAt(dated, Msg::ReasonDatedFolderIsLink());
    if (info.Kind != FileSystem::EntryKind::Folder)
        return Msg::ReasonAt(dated, Msg::ReasonDatedFolderNotAFolder());
    return QString();
}

// An entry whose items are those of its newest earlier archive gets the new archive as a
// second name of that one instead of being packed. True when the link is in place; anything
// that differs, cannot be read or cannot be linked leaves the entry to be packed as usual.
bool LinkedToUnchanged(const QString& docel, const QString& nazwa, const QString& archive)
{
    GatheredItems items;
    try {
        items = Zipek->ItemsToAdd();
    } catch (...) {
        return false;
    }
    const UnchangedCheck check = CheckUnchanged(*Zipek, items, docel, nazwa, ArchiveFolderName);
    if (!check.Unchanged() || LinkArchive(check.EarlierArchive, archive) != NoError)
        return false;
    // The bars move as for a packed entry.
    ZipekPreProgress(Zipek, items.Total);
    ZipekProgress(Zipek, QString(), items.Total, items.Total);
    if (items.SkippedSubfolderCount > 0)
        EntryReasons.append(Msg::ReasonSkippedSubfolders(items.SkippedSubfolderCount));
    std::pair<uint64_t, uint64_t> id;
    if (IdentityOf(archive, id))
        writtenArchives.insert(id);
    return true;
}

// After an entry archived in this run: only its newest archives stay, as the settings ask.
void KeepNewestArchives(int index)
{
    if (runSettings.Zachowaj <= 0 || index < 0 || index >= static_cast<int>(Wpisy.size()))
        return;
    const Entry& e = Wpisy[static_cast<size_t>(index)];
    const QString docel = WithoutTrailingSeparators(ResolvedEntryPath(e.Docel));
    const RetentionResult removed = RemoveOldArchives(docel, e.Nazwa, runSettings.Zachowaj, ArchiveFolderName);
    for (const QString& line : RetentionLogLines(removed))
        LogLines->append(LogSafeText(line));
}

// Ends a run however it ends: Archiving never stays set after an exception, and LogLines
// that the window gave up during the run are freed once the run is done with them.
class RunScope {
public:
    RunScope() { runInProgress = true; }
    ~RunScope()
    {
        ReleaseRunLock();
        writtenArchives.clear();
        Archiving = false;
        runInProgress = false;
        if (releaseLogLinesAfterRun) {
            releaseLogLinesAfterRun = false;
            LogLines.reset();
        }
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
};

// The loop shared by ArchiveSelected and ArchiveAll, from the log header on.
void RunEntries(bool selectedOnly)
{
    MainWindowPort& window = RunWindowPort();

    LogLines->clear();
    ArchiveFolderName = QStringLiteral("Arch_") + TimeStampText();
    LogLines->append(Msg::LogHeader(ArchiveFolderName));
    LogLines->append(Msg::LogSeparator());

    Archiving = true;
    StopRequested = false;
    ErrorsOccurred = false;
    writtenArchives.clear();
    runSettings = LoadSettings();
    if (Zipek)
        ApplyRunSettings(*Zipek, runSettings);

    ProgressPort& etap = window.ProgresEtap();
    etap.SetMax(static_cast<int>(std::min<size_t>(Wpisy.size(), INT_MAX)));
    etap.SetPosition(0);
    etap.SetVisible(true);
    ShowWorkStatus(1);

    // The list size is read again on every pass, and each line's selection as the loop
    // reaches it: the user may change the selection while the run works.
    for (int i = 0; i < static_cast<int>(Wpisy.size()); ++i) {
        if (selectedOnly && !Lista().IsSelected(i))
            continue;
        const int result = ArchiveEntry(i);
        LogEntryResult(result, i);
        if (result == ResultArchived || result == ResultArchivedUnchanged)
            KeepNewestArchives(i);
        etap.SetPosition(i);
        etap.Refresh();
        window.ProcessWaitingInput();
        if (StopRequested) {
            const int answer = ShowWarning(ButtonsYesNoCancel, IconInfo, Msg::ConfirmStop());
            window.RepaintMainWindow();
            if (answer == AnswerYes) {
                LogEntryResult(ResultCancelled, i);
                Archiving = false;
                break;
            }
            StopRequested = false;
        }
    }

    etap.SetVisible(false);
    etap.Refresh();
    ShowWorkStatus(0);
    Archiving = false;

    SaveLog();
    // Archives and log are written: the closing message may wait for the user without
    // keeping another run out.
    ReleaseRunLock();

    if (ErrorsOccurred)
        ShowWarning(ButtonsClose, IconInfo, Msg::RunHadErrors());
}

} // namespace

void SetMainWindowPort(MainWindowPort* window)
{
    mainWindow = window ? window : &headlessWindow;
}

MainWindowPort& RunWindowPort()
{
    return *mainWindow;
}

void ApplyZipekSettings(SevenZipPacker& packer)
{
    packer.AddOptions = AddSolid;
    packer.LZMACompressType = LZMA;
    packer.LZMACompressStrength = FAST;
    packer.LZMAStrength = 0;
    packer.Password.clear();
    packer.OnPreProgress = ZipekPreProgress;
    packer.OnProgress = ZipekProgress;
    // Nothing is reported archived that was not read back whole from the disk.
    ApplyRunSettings(packer, Settings{});
}

void InstallZipek(SevenZipPacker* packer)
{
    if (packer)
        ApplyZipekSettings(*packer);
    Zipek = packer;
}

void ArchiveSelected()
{
    // The main window ignores its commands during a run; this keeps a run from ever starting
    // inside another one, which would empty the log the first one is writing.
    if (runInProgress)
        return;
    if (Wpisy.empty()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::NothingToArchive());
        return;
    }
    bool anySelected = false;
    for (int i = 0, n = Lista().Count(); i < n && !anySelected; ++i)
        anySelected = Lista().IsSelected(i);
    if (!anySelected) {
        ShowWarning(ButtonsClose, IconInfo, Msg::NothingSelected());
        return;
    }
    EnsureLogLines();
    RunScope scope;
    if (!TakeRunLock())
        return;
    RunEntries(true);
}

void ArchiveAll()
{
    if (runInProgress)
        return;
    EnsureLogLines();
    RunScope scope;
    // Before the log is touched: it belongs to the run that holds the lock.
    if (!TakeRunLock())
        return;
    LogLines->clear();
    if (Wpisy.empty()) {
        LogEntryResult(ResultListEmpty, 0);
        SaveLog();
        return;
    }
    RunEntries(false);
}

int ArchiveEntry(int index)
{
    EntryReasons.clear();
    if (index < 0 || index >= static_cast<int>(Wpisy.size()))
        return ResultPackFailed;
    const Entry e = Wpisy[static_cast<size_t>(index)];

    // Without a name the archive would be a hidden ".7z" that nobody can tell apart.
    if (e.Nazwa.isEmpty())
        return ResultNoName;

    const QString docel = WithoutTrailingSeparators(ResolvedEntryPath(e.Docel));
    FileSystem::FileInfo info;
    if (const OsError error = FileSystem::LookupEntry(docel, info, true)) {
        AddReason(docel, Msg::SystemReason(error));
        return ResultDestinationMissing;
    }
    if (info.Kind != FileSystem::EntryKind::Folder) {
        AddReason(docel, Msg::SystemReason(ENOTDIR));
        return ResultDestinationMissing;
    }

    // One level only: the destination itself must exist. A dated folder that cannot be used
    // fails the entry below, once the source is known to be there.
    const QString dated = (docel == QLatin1String("/") ? QString() : docel) + QLatin1Char('/') + ArchiveFolderName;
    const QString datedProblem = PrepareDatedFolder(dated);

    if (!Zipek)
        return ResultPackFailed;

    const bool isFileEntry = e.Typ == QLatin1String("Plik");
    const bool isFolderEntry = e.Typ == QLatin1String("Folder");
    // A folder named with a trailing "/" is the same folder: its items must not be stored as
    // "Folder//name".
    const QString source =
        isFolderEntry ? WithoutTrailingSeparators(ResolvedEntryPath(e.Source)) : ResolvedEntryPath(e.Source);
    const QString archive = dated + QLatin1Char('/') + e.Nazwa + QStringLiteral(".7z");
    Zipek->SZFileName = archive;
    Zipek->AddRootDir = isFileEntry ? FolderOfFile(source) : ParentFolderOf(source);

    if (!isFileEntry && !isFolderEntry) {
        AddReason(QString(), Msg::ReasonUnknownType(LogSafeText(e.Typ)));
        return ResultSourceMissing;
    }
    // The user chose this path: a link is followed to what it names.
    if (const OsError error = FileSystem::LookupEntry(source, info, true)) {
        AddReason(source, Msg::SystemReason(error));
        return ResultSourceMissing;
    }
    if (isFileEntry && info.Kind != FileSystem::EntryKind::File) {
        AddReason(source, info.Kind == FileSystem::EntryKind::Folder ? Msg::SystemReason(EISDIR) : Msg::ReasonNotAFile());
        return ResultSourceMissing;
    }
    if (isFolderEntry && info.Kind != FileSystem::EntryKind::Folder) {
        AddReason(source, Msg::SystemReason(ENOTDIR));
        return ResultSourceMissing;
    }

    // A name read from a list file could hold a path or control characters: it must not place
    // the archive anywhere but in the run's dated folder, nor make a name nobody can type.
    if (!IsSafeArchiveName(e.Nazwa)) {
        AddReason(QString(), Msg::ReasonBadArchiveName());
        return ResultPackFailed;
    }
    if (!datedProblem.isEmpty()) {
        EntryReasons.append(datedProblem);
        return ResultPackFailed;
    }
    std::pair<uint64_t, uint64_t> id;
    if (IdentityOf(archive, id) && writtenArchives.count(id))
        return ResultNameUsedInRun;

    Zipek->Files.Clear();
    // What an earlier entry's add met is not this entry's, even if this one fails early.
    Zipek->Problems.clear();
    Zipek->SkippedSubfolderCount = 0;
    // A file entry's path is the file it names, "*" and all; only a folder's own mask is one.
    if (isFileEntry)
        Zipek->Files.AddLiteral(source);
    else
        Zipek->Files.Add((source == QLatin1String("/") ? QString() : source) + QStringLiteral("/*.*"));

    if (runSettings.Dowiazania && LinkedToUnchanged(docel, e.Nazwa, archive))
        return ResultArchivedUnchanged;

    int32_t result = -1;
    bool failed = true;
    try {
        // Anything but 0 means the archive was not written: nothing gathered (-1) or the
        // library's own failure code. A problem that makes the add a failure (a file left out
        // or cut short, a folder that could not be listed) leaves an archive that is no whole
        // backup: that is no success either.
        Zipek->LastError = 0;
        result = Zipek->Add();
        failed = result != 0 || Zipek->LastError != 0;
    } catch (...) {
        failed = true;
    }
    for (const PackProblem& problem : Zipek->Problems) {
        // What the read-back found says more than the bare fact that it failed.
        if (problem.What == PackProblem::VerifyFailed && !Zipek->LastVerify.Ok())
            AddReason(problem.Path, ArchiveFaultReason(ArchiveListing(), Zipek->LastVerify));
        else
            EntryReasons.append(AddProblemReason(problem));
        failed = failed || problem.Fails();
    }
    if (Zipek->SkippedSubfolderCount > 0)
        EntryReasons.append(Msg::ReasonSkippedSubfolders(Zipek->SkippedSubfolderCount));
    if (failed && EntryReasons.isEmpty()) {
        if (Zipek->LastError > 0)
            AddReason(archive, Msg::ReasonArchiveWrite(Msg::SystemReason(Zipek->LastError)));
        else if (result == -1)
            AddReason(source, Msg::ReasonNothingGathered());
    }
    // Whatever its result, an archive that got its name belongs to this run now.
    if (result == 0 && IdentityOf(archive, id))
        writtenArchives.insert(id);
    if (failed && Zipek->VerifyFailed())
        return ResultVerifyFailed;
    return failed ? ResultPackFailed : ResultArchived;
}

void LogEntryResult(int code, int index)
{
    EnsureLogLines();
    QString nazwa;
    if (index >= 0 && index < static_cast<int>(Wpisy.size()))
        nazwa = LogSafeText(Wpisy[static_cast<size_t>(index)].Nazwa);

    QString line;
    switch (code) {
    case ResultArchived:
        line = Msg::LogArchived(nazwa);
        break;
    case ResultDestinationMissing:
        line = Msg::LogDestinationMissing(nazwa);
        ErrorsOccurred = true;
        break;
    case ResultSourceMissing:
        line = Msg::LogSourceMissing(nazwa);
        ErrorsOccurred = true;
        break;
    case ResultArchivedUnchanged:
        line = Msg::LogArchivedUnchanged(nazwa);
        break;
    case ResultVerifyFailed:
        line = Msg::LogVerifyFailed(nazwa);
        ErrorsOccurred = true;
        break;
    case ResultCancelled:
        line = Msg::LogCancelled();
        break;
    case ResultListEmpty:
        line = Msg::LogListEmpty();
        break;
    case ResultNameUsedInRun:
        line = Msg::LogNameUsedInRun(nazwa);
        ErrorsOccurred = true;
        break;
    case ResultNoName:
        line = Msg::LogNoName();
        ErrorsOccurred = true;
        break;
    default:
        // -3, and any other code: the archive was not written.
        line = Msg::LogPackFailed(nazwa);
        ErrorsOccurred = true;
        break;
    }
    LogLines->append(line);
    LogReasonLines(code, std::exchange(EntryReasons, QStringList()));
}

void LogReasonLines(int code, const QStringList& reasons)
{
    if (code == ResultCancelled || code == ResultListEmpty)
        return;
    EnsureLogLines();
    for (const QString& reason : reasons)
        LogLines->append(QLatin1Char('\t') + LogSafeText(reason));
}

QString LogSafeText(const QString& text)
{
    QString safe = text;
    for (QChar& c : safe) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return safe;
}

QString AddProblemReason(const PackProblem& problem)
{
    // A problem met without an error code of the system has no reason of its own to give.
    const QString why = problem.Error != 0 ? Msg::SystemReason(problem.Error) : Msg::ReasonUnknown();
    QString reason = why;
    switch (problem.What) {
    case PackProblem::Unreadable:
        reason = Msg::ReasonFileUnreadable(why);
        break;
    case PackProblem::ChangedWhileRead:
        reason = Msg::ReasonChangedWhileRead();
        break;
    case PackProblem::FolderUnlistable:
        reason = Msg::ReasonFolderUnlistable(why);
        break;
    case PackProblem::SpecialFileLeftOut:
        reason = Msg::ReasonSpecialFileLeftOut();
        break;
    case PackProblem::ArchiveWrite:
        reason = Msg::ReasonArchiveWrite(why);
        break;
    case PackProblem::VerifyFailed:
        reason = problem.Error != 0 ? Msg::FaultUnreadable(why) : Msg::FaultDamaged();
        break;
    }
    return problem.Path.isEmpty() ? reason : Msg::ReasonAt(problem.Path, reason);
}

QString ResolvedEntryPath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    return DataDirectory() + path;
}

QString RunLockPath()
{
    return DataDirectory() + QStringLiteral("Skrytkar.lock");
}

QString TimeStampText()
{
    return TimeStampText(QDateTime::currentDateTime());
}

QString TimeStampText(const QDateTime& moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    return QString::asprintf("%d%02d%02d_%02d%02d", date.year(), date.month(), date.day(), time.hour(),
                             time.minute());
}

QString ParentFolderOf(const QString& path)
{
    // The final character is not looked at, so a trailing "/" does not count.
    for (qsizetype k = path.size() - 2; k >= 0; --k) {
        if (path.at(k) == QLatin1Char('/'))
            return path.left(k + 1);
    }
    return QString();
}

QString FolderOfFile(const QString& path)
{
    const qsizetype k = path.lastIndexOf(QLatin1Char('/'));
    if (k < 0)
        return QString();
    if (k > 0 && path.at(k - 1) != QLatin1Char('/'))
        return path.left(k);
    return path.left(k + 1);
}

bool IsSafeArchiveName(const QString& Nazwa)
{
    for (const QChar c : Nazwa) {
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return Nazwa != QLatin1String(".") && Nazwa != QLatin1String("..");
}

void ShowWorkStatus(int state)
{
    MainWindowPort& window = RunWindowPort();
    if (!window.StatusPanelVisible())
        window.SetStatusPanelVisible(true);
    if (state == 0) {
        window.Progress().SetVisible(false);
        window.Progress().Refresh();
        window.LoadStatusImage(QString::fromLatin1(StatusDoneImage));
    } else {
        window.LoadStatusImage(QString::fromLatin1(StatusWorkingImage));
    }
    window.RefreshStatusImage();
    if (state == 0) {
        window.Pause(StatusDonePauseMs);
        window.SetStatusPanelVisible(false);
    }
}

void ZipekPreProgress(SevenZipPacker* /*Sender*/, int64_t MaxProgress)
{
    progressTotal = std::max<int64_t>(MaxProgress, 0);
    progressShift = 0;
    while ((progressTotal >> progressShift) > INT_MAX)
        ++progressShift;
    ProgressPort& bar = RunWindowPort().Progress();
    bar.SetPosition(0);
    bar.SetMax(static_cast<int>(progressTotal >> progressShift));
    bar.SetVisible(true);
    bar.Refresh();
}

void ZipekProgress(SevenZipPacker* /*Sender*/, const QString& /*Filename*/, int64_t FilePosArc, int64_t /*FilePosFile*/)
{
    const int64_t done = std::clamp<int64_t>(FilePosArc, 0, progressTotal);
    ProgressPort& bar = RunWindowPort().Progress();
    bar.SetPosition(static_cast<int>(done >> progressShift));
    bar.Refresh();
}

QString LogFilePath()
{
    return DataDirectory() + QStringLiteral("Log.txt");
}

void SaveLog()
{
    EnsureLogLines();
    QByteArray text;
    for (const QString& line : *LogLines) {
        text += line.toUtf8();
        text += "\r\n";
    }
    // Through a temporary file: a failed write keeps the previous log whole.
    const QString path = LogFilePath();
    if (const OsError error = WriteFileAtomically(path, text))
        throw LogWriteError(Msg::LogWriteFailed(path, Msg::SystemReason(error)).toStdString());
}

void ReleaseLogLines()
{
    if (runInProgress)
        releaseLogLinesAfterRun = true;
    else
        LogLines.reset();
}
