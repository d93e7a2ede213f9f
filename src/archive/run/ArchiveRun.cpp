#include "archive/run/ArchiveRun.h"

#include "platform/Files.h"
#include "platform/Platform.h"
#include "core/Messages.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/UProcki.h"
#include "core/UiPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

QString ArchiveFolderName;
std::unique_ptr<QStringList> LogLines;
bool Archiving = false;
bool StopRequested = false;
bool ErrorsOccurred = false;
TSevenZip* Zipek = nullptr;

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

// Ends a run however it ends: Archiving never stays set after an exception, and LogLines
// that the window gave up during the run are freed once the run is done with them.
class RunScope {
public:
    RunScope() { runInProgress = true; }
    ~RunScope()
    {
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
    MainWindowPort& window = MainWindow();

    LogLines->clear();
    ArchiveFolderName = QStringLiteral("Arch_") + TimeStampText();
    LogLines->append(Msg::LogHeader(ArchiveFolderName));
    LogLines->append(Msg::LogSeparator());

    Archiving = true;
    StopRequested = false;
    ErrorsOccurred = false;

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
        LogEntryResult(ArchiveEntry(i), i);
        etap.SetPosition(i);
        etap.Refresh();
        window.ProcessWaitingInput();
        if (StopRequested) {
            ShowWarning(ButtonsYesNoCancel, IconInfo, Msg::ConfirmStop());
            window.RepaintMainWindow();
            if (WarningResult == AnswerYes) {
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

    if (ErrorsOccurred)
        ShowWarning(ButtonsClose, IconInfo, Msg::RunHadErrors());
}

} // namespace

void SetMainWindowPort(MainWindowPort* window)
{
    mainWindow = window ? window : &headlessWindow;
}

MainWindowPort& MainWindow()
{
    return *mainWindow;
}

void ApplyZipekSettings(TSevenZip& packer)
{
    packer.SetSFXCreate(false);
    packer.AddOptions = AddSolid;
    packer.LZMACompressType = LZMA;
    packer.LZMACompressStrength = FAST;
    packer.LZMAStrength = 0;
    packer.SetVolumeSize(0);
    packer.Password.clear();
    packer.OnPreProgress = ZipekPreProgress;
    packer.OnProgress = ZipekProgress;
    // Nothing is reported archived that was not read back whole from the disk.
    packer.VerifyAfterWrite = true;
}

void InstallZipek(TSevenZip* packer)
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
    RunEntries(true);
}

void ArchiveAll()
{
    if (runInProgress)
        return;
    EnsureLogLines();
    RunScope scope;
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
    if (index < 0 || index >= static_cast<int>(Wpisy.size()))
        return ResultPackFailed;
    const _Wpis e = Wpisy[static_cast<size_t>(index)];

    if (!QFileInfo(e.Docel).isDir())
        return ResultDestinationMissing;

    // One level only: the destination itself must exist. A failed creation shows later,
    // when the packer cannot create the archive file.
    const QString dated = e.Docel + QLatin1Char('/') + ArchiveFolderName;
    if (!QFileInfo(dated).isDir())
        QDir().mkdir(dated);

    if (!Zipek)
        return ResultPackFailed;

    const bool isFileEntry = e.Typ == QLatin1String("Plik");
    const bool isFolderEntry = e.Typ == QLatin1String("Folder");
    Zipek->SZFileName = dated + QLatin1Char('/') + e.Nazwa + QStringLiteral(".7z");
    Zipek->AddRootDir = isFileEntry ? FolderOfFile(e.Source) : ParentFolderOf(e.Source);

    const QFileInfo source(e.Source);
    if (!((isFileEntry && source.isFile()) || (isFolderEntry && source.isDir())))
        return ResultSourceMissing;

    Zipek->Files.Clear();
    try {
        // A name read from a list file could hold a path: it must not place the archive
        // anywhere but in the run's dated folder.
        if (!IsSafeArchiveName(e.Nazwa))
            return ResultPackFailed;
        Zipek->Files.Add(isFileEntry ? e.Source : e.Source + QStringLiteral("/*.*"));
        // Anything but 0 means the archive was not written: nothing gathered (-1) or the
        // library's own failure code. A file that could not be read while packing leaves an
        // archive without its data: that is no backup to report as done.
        Zipek->LastError = 0;
        const int32_t added = Zipek->Add();
        if (added != 0 && Zipek->VerifyFailed())
            return ResultVerifyFailed;
        if (added != 0 || Zipek->LastError != 0)
            return ResultPackFailed;
        return ResultArchived;
    } catch (...) {
        return ResultPackFailed;
    }
}

void LogEntryResult(int code, int index)
{
    EnsureLogLines();
    QString nazwa;
    if (index >= 0 && index < static_cast<int>(Wpisy.size()))
        nazwa = Wpisy[static_cast<size_t>(index)].Nazwa;

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
    default:
        // -3, and any other code: the archive was not written.
        line = Msg::LogPackFailed(nazwa);
        ErrorsOccurred = true;
        break;
    }
    LogLines->append(line);
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
    return !Nazwa.contains(QLatin1Char('/')) && !Nazwa.contains(QChar(u'\0')) && Nazwa != QLatin1String(".")
           && Nazwa != QLatin1String("..");
}

void ShowWorkStatus(int state)
{
    MainWindowPort& window = MainWindow();
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

void ZipekPreProgress(TSevenZip* /*Sender*/, int64_t MaxProgress)
{
    progressTotal = std::max<int64_t>(MaxProgress, 0);
    progressShift = 0;
    while ((progressTotal >> progressShift) > INT_MAX)
        ++progressShift;
    ProgressPort& bar = MainWindow().Progress();
    bar.SetPosition(0);
    bar.SetMax(static_cast<int>(progressTotal >> progressShift));
    bar.SetVisible(true);
    bar.Refresh();
}

void ZipekProgress(TSevenZip* /*Sender*/, const QString& /*Filename*/, int64_t FilePosArc, int64_t /*FilePosFile*/)
{
    const int64_t done = std::clamp<int64_t>(FilePosArc, 0, progressTotal);
    ProgressPort& bar = MainWindow().Progress();
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
        throw ELogWriteError(Msg::LogWriteFailed(path, Msg::SystemReason(error)).toStdString());
}

void ReleaseLogLines()
{
    if (runInProgress)
        releaseLogLinesAfterRun = true;
    else
        LogLines.reset();
}
