#include "ui/windows/RestoreWindow.h"

#include "archive/run/ArchiveRun.h"
#include "archive/run/RestoreEntry.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "core/Messages.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/CylinderBar.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/FolderPicker.h"
#include "ui/windows/RestoreDialogs.h"
#include "ui/windows/WindowParts.h"
#include "ui/windows/WorkerCalls.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTreeWidgetItemIterator>
#include <QDir>
#include <QEventLoop>
#include <QThread>
#include <QFileInfo>
#include <QKeyEvent>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <QMouseEvent>
#include <QRadioButton>

#include <atomic>
#include <exception>
#include <utility>

namespace {

constexpr uint32_t TextColour = 1914912;

void StyleText(QWidget* widget, bool white)
{
    widget->setFont(DesignFont(11));
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, ColourFromBgr(TextColour));
        palette.setColor(group, QPalette::Text, ColourFromBgr(TextColour));
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Highlight, QColor(76, 138, 70));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(white);
}

int Percent(uint64_t done, uint64_t total)
{
    if (total == 0)
        return 0;
    return int(std::min<uint64_t>(100, done * 100 / total));
}

// The line of the archive list: when, how big, how many items.
QString ArchiveLine(const EntryArchive& archive, const ArchiveListing& listing)
{
    QString line = archive.Time.toString(QStringLiteral("yyyy-MM-dd  HH:mm"));
    if (listing.Status != ArchiveStatus::Ok)
        return line + QStringLiteral("    ") + Msg::ArchiveLineDamaged();
    return line + QStringLiteral("    ") + Msg::ByteSize(listing.FileSize) + QStringLiteral("    ") +
           Msg::ItemCount(qint64(listing.Items.size()));
}

constexpr int PathRole = Qt::UserRole;       // the stored path of a tree line
constexpr int IndexRole = Qt::UserRole + 1;  // the item's index in the archive, -1 for none
constexpr int FolderRole = Qt::UserRole + 2;

QString LocalTime(uint64_t fileTime)
{
    const qint64 ms = qint64(fileTime / 10000) - 11644473600000ll;
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

RestoreWindow::RestoreWindow(SevenZipPacker& packer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), packer(packer)
{
    setObjectName(QStringLiteral("FPrzywracanie"));
    setWindowTitle(QStringLiteral("Przywracanie"));
    setFixedSize(800, 340);
    setModal(true);
    setFont(DesignFont(11));

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 440, 340);
    LoadImageResource(QStringLiteral("tlo_przywracanie"), Image1);

    LListwa = new HotZone(this, QRect(6, 5, 392, 32), QStringLiteral("LListwa"), windowTitle(), QAccessible::TitleBar);
    LClose = new HotZone(this, QRect(405, 10, 22, 22), QStringLiteral("LClose"), QStringLiteral("Zamknij"));

    LWpis = new QLabel(this);
    LWpis->setObjectName(QStringLiteral("LWpis"));
    LWpis->setGeometry(64, 44, 356, 16);
    LWpis->setTextFormat(Qt::PlainText);
    StyleText(LWpis, false);

    LArchiwa = new QListWidget(this);
    LArchiwa->setObjectName(QStringLiteral("LArchiwa"));
    LArchiwa->setGeometry(21, 85, 398, 116);
    LArchiwa->setFrameShape(QFrame::NoFrame);
    LArchiwa->setSelectionMode(QAbstractItemView::SingleSelection);
    LArchiwa->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LArchiwa->setAccessibleName(QStringLiteral("Archiwa wpisu"));
    StyleText(LArchiwa, true);

    RMiejsce = new QRadioButton(QStringLiteral("pierwotnego miejsca"), this);
    RMiejsce->setObjectName(QStringLiteral("RMiejsce"));
    RMiejsce->setGeometry(28, 228, 180, 18);
    RFolder = new QRadioButton(QStringLiteral("wskazanego folderu…"), this);
    RFolder->setObjectName(QStringLiteral("RFolder"));
    RFolder->setGeometry(214, 228, 200, 18);
    for (QRadioButton* choice : {RMiejsce, RFolder}) {
        StyleText(choice, false);
        choice->setCursor(Qt::PointingHandCursor);
    }
    RMiejsce->setChecked(true);

    LCel = new QLabel(this);
    LCel->setObjectName(QStringLiteral("LCel"));
    LCel->setGeometry(30, 252, 390, 26);
    LCel->setTextFormat(Qt::PlainText);
    LCel->setAccessibleName(QStringLiteral("Folder docelowy"));
    StyleText(LCel, false);

    Progress = new CylinderBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setGeometry(22, 296, 200, 15);
    ApplyBarDesign(Progress, 10795436);
    ProgresEtap = new CylinderBar(this);
    ProgresEtap->setObjectName(QStringLiteral("ProgresEtap"));
    ProgresEtap->setGeometry(22, 311, 200, 14);
    ApplyBarDesign(ProgresEtap, 9281173);
    for (CylinderBar* bar : {Progress, ProgresEtap})
        bar->SetPosition(0);
    // The library reports far more often than a screen can show: the latest position is drawn.
    const auto drawOn = [](CylinderBar* bar) {
        return [bar](int value) {
            bar->SetPosition(value);
            bar->repaint();
        };
    };
    progressShown = std::make_unique<LatestValue>(this, drawOn(Progress));
    etapShown = std::make_unique<LatestValue>(this, drawOn(ProgresEtap));

    // The contents panel, beside the picture.
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("PZawartosc"));
    panel->setGeometry(440, 0, 360, 340);
    StyleText(panel, true);
    ESzukaj = new QLineEdit(panel);
    ESzukaj->setObjectName(QStringLiteral("ESzukaj"));
    ESzukaj->setGeometry(12, 14, 336, 24);
    ESzukaj->setPlaceholderText(QStringLiteral("Szukaj w archiwum"));
    ESzukaj->setAccessibleName(QStringLiteral("Szukaj w archiwum"));
    ESzukaj->setClearButtonEnabled(true);
    TElementy = new QTreeWidget(panel);
    TElementy->setObjectName(QStringLiteral("TElementy"));
    TElementy->setGeometry(12, 44, 336, 196);
    TElementy->setHeaderHidden(true);
    TElementy->setColumnCount(1);
    TElementy->setAccessibleName(QStringLiteral("Zawartość archiwum"));
    StyleText(TElementy, true);
    LWersjeOpis = new QLabel(QStringLiteral("Wersje pliku w archiwach wpisu:"), panel);
    LWersjeOpis->setGeometry(12, 246, 336, 16);
    StyleText(LWersjeOpis, false);
    LWersje = new QListWidget(panel);
    LWersje->setObjectName(QStringLiteral("LWersje"));
    LWersje->setGeometry(12, 264, 336, 64);
    LWersje->setAccessibleName(LWersjeOpis->text());
    LWersjeOpis->setBuddy(LWersje);
    StyleText(LWersje, true);
    connect(ESzukaj, &QLineEdit::textChanged, this, Guarded(this, &RestoreWindow::FilterContents));
    connect(TElementy, &QTreeWidget::currentItemChanged, this, Guarded(this, &RestoreWindow::ShowVersions));
    connect(LArchiwa, &QListWidget::currentRowChanged, this, Guarded(this, &RestoreWindow::ShowContents));
    // A version chosen brings its archive up, to be restored from.
    connect(LWersje, &QListWidget::itemActivated, this, Guarded(this, &RestoreWindow::ChooseVersion));

    LPrzywroc = new HotZone(this, QRect(244, 298, 86, 24), QStringLiteral("LPrzywroc"), QStringLiteral("Przywróć"));
    LZamknij = new HotZone(this, QRect(338, 298, 86, 24), QStringLiteral("LZamknij"), QStringLiteral("Zamknij"));

    connect(LListwa, &HotZone::mousePressed, this,
            Guarded([this](QMouseEvent* event) { drag.Press(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseMoved, this,
            Guarded([this](QMouseEvent* event) { drag.Move(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseReleased, this, Guarded([this](QMouseEvent*) { drag.Release(); }));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &RestoreWindow::LZamknijClick));
    connect(LZamknij, &HotZone::clicked, this, Guarded(this, &RestoreWindow::LZamknijClick));
    connect(LPrzywroc, &HotZone::clicked, this, Guarded(this, &RestoreWindow::LPrzywrocClick));
    connect(RFolder, &QRadioButton::clicked, this, Guarded(this, &RestoreWindow::RFolderClick));
    connect(RMiejsce, &QRadioButton::clicked, this, Guarded(this, &RestoreWindow::ShowTarget));
    connect(LArchiwa, &QListWidget::itemDoubleClicked, this, Guarded([this] { LPrzywrocClick(); }));

    DlFolder = new FolderPicker(this);
    DlFolder->Caption = QStringLiteral("Wskaż folder, do którego przywrócić pliki");
    DlFolder->StatusText = QStringLiteral("Wskaż folder");
    DlFolder->SetFlags(0);
    DlFolder->Root = bl_CUSTOM;

    Pytanie = new ReplaceQuestion(this);
    Podsumowanie = new RestoreSummaryDialog(this);

    preview = new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

RestoreWindow::~RestoreWindow()
{
    // A restore still at work ends first; its questions are answered.
    WaitForRestore();
    delete DlFolder;
}

void RestoreWindow::ShowRestore(const Entry& entry)
{
    if (isVisible())
        return;
    Archives = ArchivesIn(entry.Docel, entry.Nazwa);
    if (Archives.empty()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::RestoreNoArchives(entry.Nazwa));
        return;
    }
    LWpis->setText(entry.Nazwa);
    // The items were stored under the source's own name: its parent folder is where they were.
    originalFolder = QFileInfo(entry.Source).absolutePath();
    chosenFolder.clear();
    DlFolder->FolderName = originalFolder;
    RMiejsce->setChecked(true);
    ShowTarget();

    LArchiwa->clear();
    listings.clear();
    ESzukaj->clear();
    SevenZipReader reader(packer);
    for (const EntryArchive& archive : Archives) {
        listings.push_back(reader.Open(archive.Path));
        reader.Close();
        auto* line = new QListWidgetItem(ArchiveLine(archive, listings.back()), LArchiwa);
        line->setToolTip(archive.Path);
    }
    LArchiwa->setCurrentRow(0);
    ShowContents();
    Progress->SetPosition(0);
    ProgresEtap->SetPosition(0);
    LastSummary.clear();

    const QPoint main = parentWidget() ? parentWidget()->pos() : QPoint();
    move(main + QPoint(30, 55));
    show();
    raise();
    activateWindow();
    LArchiwa->setFocus();
    exec();
}

void RestoreWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    drag.Release();
}

QString RestoreWindow::TargetFolder() const
{
    return RFolder->isChecked() && !chosenFolder.isEmpty() ? chosenFolder : originalFolder;
}

void RestoreWindow::ShowTarget()
{
    const QString target = TargetFolder();
    LCel->setText(ElidePath(target, LCel->fontMetrics(), LCel->contentsRect().width()));
    LCel->setToolTip(target);
}

void RestoreWindow::RFolderClick()
{
    if (restoring)
        return;
    if (DlFolder->Execute())
        chosenFolder = DlFolder->FolderName;
    // Without a chosen folder the original place stays the target.
    if (chosenFolder.isEmpty())
        RMiejsce->setChecked(true);
    ShowTarget();
}

void RestoreWindow::LZamknijClick()
{
    if (!restoring) {
        Podsumowanie->hide();
        done(0);
    }
}

void RestoreWindow::reject()
{
    LZamknijClick();
}

bool RestoreWindow::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        // During a restore the question comes at the next item or progress step.
        if (restoring)
            stopAsked = true;
        else
            LZamknijClick();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter in the search field only ends the typing; in the versions it chooses one.
        if (restoring || focusWidget() == ESzukaj)
            return true;
        if (focusWidget() == LWersje)
            ChooseVersion(LWersje->currentItem());
        else
            LPrzywrocClick();
        return true;
    default:
        return false;
    }
}

void RestoreWindow::AskToStop()
{
    if (!stopAsked || reader->CancelRequested)
        return;
    stopAsked = false;
    // The message dialog runs its own modal loop on the user-interface thread: the one nested
    // loop left, as a modal dialog needs one.
    if (AskOn(this, [] { return ShowWarning(ButtonsYesNoCancel, IconInfo, Msg::RestoreConfirmStop()); }) == AnswerYes)
        reader->CancelRequested = true;
}

OverwriteAnswer RestoreWindow::AskOverwrite(const ArchiveItem& item, const ExistingFile& existing)
{
    if (answerForAll == ReplaceQuestion::YesToAll)
        return OverwriteAnswer::Replace;
    if (answerForAll == ReplaceQuestion::NoToAll)
        return OverwriteAnswer::Skip;
    const bool newer = item.HasTime && existing.Time > item.Time;
    const QString question = Msg::RestoreReplace(item.Path, newer);
    const int answer = AskOn(this, [&] { return Pytanie->Ask(question); });
    // The library waits for this answer: the window first handles what came meanwhile, so an
    // Escape heard during the question stops it before this item.
    AskOn(this, [] { return 0; });
    AskToStop();
    switch (answer) {
    case ReplaceQuestion::YesToAll:
    case ReplaceQuestion::NoToAll:
        answerForAll = answer;
        return answer == ReplaceQuestion::YesToAll ? OverwriteAnswer::Replace : OverwriteAnswer::Skip;
    case ReplaceQuestion::Yes:
        return OverwriteAnswer::Replace;
    case ReplaceQuestion::Cancel:
        return OverwriteAnswer::Cancel;
    default:
        return OverwriteAnswer::Skip;
    }
}

void RestoreWindow::LPrzywrocClick()
{
    if (restoring)
        return;
    const int row = LArchiwa->currentRow();
    if (row < 0 || size_t(row) >= Archives.size()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::RestoreChooseArchive());
        return;
    }
    restoringArchive = Archives[size_t(row)].Path;
    restoringTarget = TargetFolder();

    reader = std::make_unique<SevenZipReader>(packer);
    const ArchiveListing& listing = reader->Open(restoringArchive);
    if (listing.Status != ArchiveStatus::Ok) {
        reader.reset();
        ShowWarning(ButtonsClose, IconWarning, Msg::RestoreUnreadable(restoringArchive));
        return;
    }
    // What is checked in the tree; everything when all is.
    std::vector<uint32_t> chosen;
    bool everything = true;
    for (QTreeWidgetItemIterator it(TElementy); *it; ++it) {
        const int index = (*it)->data(0, IndexRole).toInt();
        if ((*it)->checkState(0) == Qt::Unchecked) {
            everything = false;
            continue;
        }
        if (index >= 0 && size_t(index) < listing.Items.size())
            chosen.push_back(uint32_t(index));
    }
    if (!everything && chosen.empty()) {
        reader.reset();
        ShowWarning(ButtonsClose, IconInfo, QStringLiteral("Zaznacz w archiwum to, co przywrócić."));
        return;
    }
    if (everything)
        chosen.clear();
    restoringTotal = everything ? int(listing.Items.size()) : int(chosen.size());

    restoring = true;
    stopAsked = false;
    answerForAll = 0;
    Podsumowanie->hide();
    restoreError = nullptr;
    for (QWidget* control : std::initializer_list<QWidget*>{LArchiwa, RMiejsce, RFolder, ESzukaj, TElementy, LWersje})
        control->setEnabled(false);
    Progress->SetPosition(0);
    ProgresEtap->SetPosition(0);

    // The library works on the worker thread; everything below is called there.
    reader->OnOverwrite = [this](const ArchiveItem& item, const ExistingFile& existing) {
        return AskOverwrite(item, existing);
    };
    reader->OnItem = [this, started = 0](const ArchiveItem&) mutable {
        ++started;
        etapShown->Set(restoringTotal > 0 ? started * 100 / restoringTotal : 0);
        AskToStop();
    };
    reader->OnProgress = [this](uint64_t done, uint64_t all) {
        progressShown->Set(Percent(done, all));
        AskToStop();
    };
    worker.reset(QThread::create([this, target = restoringTarget, chosen] {
        try {
            extracted = reader->Extract(target, chosen);
        } catch (...) {
            restoreError = std::current_exception();
        }
    }));
    // The restore's end reaches the window through the queue, after everything it drew.
    connect(worker.get(), &QThread::finished, this, Guarded(this, &RestoreWindow::FinishRestore), Qt::QueuedConnection);
    worker->start();
}

void RestoreWindow::FinishRestore()
{
    if (!worker)
        return;
    worker->wait();
    worker.reset();
    archiveFault = restoreError ? QString() : RestoreFault(reader->Listing(), extracted);
    reader->Close();
    reader.reset();
    restoring = false;
    for (QWidget* control : std::initializer_list<QWidget*>{LArchiwa, RMiejsce, RFolder, ESzukaj, TElementy, LWersje})
        control->setEnabled(true);
    Q_EMIT RestoreEnded();
    if (restoreError)
        std::rethrow_exception(std::exchange(restoreError, nullptr));
    const ExtractResult& result = extracted;
    if (result.Status == ArchiveStatus::Ok) {
        Progress->SetPosition(100);
        ProgresEtap->SetPosition(100);
    }

    int skipped = 0;
    int failed = 0;
    LastNotRestored.clear();
    for (const ExtractProblem& problem : result.Problems) {
        (problem.What == ExtractProblem::Skipped ? skipped : failed)++;
        LastNotRestored << RestoreProblemLine(problem);
    }
    QStringList lines{Msg::RestoreSummary(int(result.Extracted), restoringTotal, restoringTarget)};
    if (skipped > 0)
        lines << Msg::RestoreSkipped(skipped);
    if (failed > 0)
        lines << Msg::RestoreFailed(failed);
    if (result.Cancelled())
        lines << Msg::RestoreStopped();
    else if (!archiveFault.isEmpty())
        lines << Msg::RestoreCommandArchiveFault(restoringArchive, archiveFault);
    else if (result.Status != ArchiveStatus::Ok)
        lines << Msg::RestoreUnreadable(restoringArchive);
    LastSummary = lines.join(QLatin1Char('\r'));
    // Files the user chose to keep are no fault; anything else not restored is.
    const bool sound = result.Status == ArchiveStatus::Ok && failed == 0 && archiveFault.isEmpty();
    // What was not restored can be many lines: they go to a window that scrolls.
    if (LastNotRestored.isEmpty())
        ShowWarning(ButtonsClose, sound ? IconInfo : IconWarning, LastSummary);
    else
        Podsumowanie->ShowSummary(LastSummary, LastNotRestored);
}

void RestoreWindow::ShowContents()
{
    TElementy->clear();
    LWersje->clear();
    const int row = LArchiwa->currentRow();
    if (row < 0 || size_t(row) >= listings.size())
        return;
    // A line for every name on the way to each item, whether the archive holds the folder
    // itself or only what is in it.
    QHash<QString, QTreeWidgetItem*> lines;
    const auto lineFor = [&](const QString& path, auto& self) -> QTreeWidgetItem* {
        if (QTreeWidgetItem* known = lines.value(path))
            return known;
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QTreeWidgetItem* parent = slash < 0 ? nullptr : self(path.left(slash), self);
        auto* line = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TElementy);
        line->setText(0, path.mid(slash + 1));
        line->setData(0, PathRole, path);
        line->setData(0, IndexRole, -1);
        line->setData(0, FolderRole, true);
        line->setFlags(line->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        line->setCheckState(0, Qt::Checked);
        lines.insert(path, line);
        return line;
    };
    for (const ArchiveItem& item : listings[size_t(row)].Items) {
        if (item.Path.isEmpty())
            continue;
        QTreeWidgetItem* line = lineFor(item.Path, lineFor);
        line->setData(0, IndexRole, int(item.Index));
        line->setData(0, FolderRole, item.IsFolder);
        if (!item.IsFolder)
            line->setToolTip(0, Msg::ByteSize(item.Size));
    }
    TElementy->sortItems(0, Qt::AscendingOrder);
    if (TElementy->topLevelItemCount() == 1)
        TElementy->topLevelItem(0)->setExpanded(true);
    FilterContents();
}

void RestoreWindow::FilterContents()
{
    const QString text = ESzukaj->text().trimmed();
    // A line shows when its name matches or something under it does.
    const auto filter = [&](QTreeWidgetItem* line, auto& self) -> bool {
        bool shown = text.isEmpty() || line->text(0).contains(text, Qt::CaseInsensitive);
        for (int i = 0; i < line->childCount(); ++i)
            shown = self(line->child(i), self) || shown;
        line->setHidden(!shown);
        if (!text.isEmpty() && shown && line->childCount() > 0)
            line->setExpanded(true);
        return shown;
    };
    for (int i = 0; i < TElementy->topLevelItemCount(); ++i)
        filter(TElementy->topLevelItem(i), filter);
}

void RestoreWindow::ShowVersions()
{
    LWersje->clear();
    QTreeWidgetItem* current = TElementy->currentItem();
    if (!current || current->data(0, FolderRole).toBool())
        return;
    const QString path = current->data(0, PathRole).toString();
    for (size_t i = 0; i < listings.size() && i < Archives.size(); ++i) {
        for (const ArchiveItem& item : listings[i].Items) {
            if (item.Path != path || item.IsFolder)
                continue;
            QString text = Archives[i].Time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral("    ") +
                           Msg::ByteSize(item.Size);
            if (item.HasTime)
                text += QStringLiteral("    ") + LocalTime(item.Time);
            auto* line = new QListWidgetItem(text, LWersje);
            line->setData(Qt::UserRole, int(i));
            line->setData(Qt::UserRole + 1, path);
            line->setToolTip(Archives[i].Path);
            break;
        }
    }
}

void RestoreWindow::ChooseVersion(QListWidgetItem* line)
{
    if (!line || restoring)
        return;
    const int row = line->data(Qt::UserRole).toInt();
    const QString path = line->data(Qt::UserRole + 1).toString();
    if (row == LArchiwa->currentRow())
        return;
    LArchiwa->setCurrentRow(row);
    if (QTreeWidgetItem* item = TreeItem(path))
        TElementy->setCurrentItem(item);
}

QTreeWidgetItem* RestoreWindow::TreeItem(const QString& path) const
{
    for (QTreeWidgetItemIterator it(TElementy); *it; ++it)
        if ((*it)->data(0, PathRole).toString() == path)
            return *it;
    return nullptr;
}

QStringList RestoreWindow::CheckedPaths() const
{
    QStringList paths;
    for (QTreeWidgetItemIterator it(TElementy); *it; ++it)
        if ((*it)->checkState(0) == Qt::Checked)
            paths << (*it)->data(0, PathRole).toString();
    return paths;
}

void RestoreWindow::WaitForRestore()
{
    // A local loop serves the window until the worker is done.
    QEventLoop loop;
    connect(this, &RestoreWindow::RestoreEnded, &loop, &QEventLoop::quit);
    while (restoring)
        loop.exec();
}
