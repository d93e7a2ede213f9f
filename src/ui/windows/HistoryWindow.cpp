#include "ui/windows/HistoryWindow.h"

#include "archive/run/RunResult.h"
#include "core/Messages.h"
#include "core/UiPorts.h"
#include "platform/FileSystem.h"
#include "ui/skin/HotZone.h"
#include "ui/skin/ImageResource.h"
#include "ui/skin/SkinImage.h"
#include "ui/windows/WindowParts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>

#include <utility>

namespace {

constexpr uint32_t TextColour = 1914912;
// Lines of a failed entry: dark red on a pale rose band.
const QColor FailureText(150, 24, 16);
const QColor FailureBand(250, 226, 222);

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

QListWidget* AddList(QWidget* window, const QString& name, const QRect& geometry, const QString& accessible)
{
    auto* list = new QListWidget(window);
    list->setObjectName(name);
    list->setGeometry(geometry);
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAccessibleName(accessible);
    StyleText(list, true);
    return list;
}

// The entry of the list a log line (or the line its reasons follow) is about.
const Entry* EntryOfLine(const EntryVector& entries, const QString& line)
{
    static const int codes[] = {ResultArchived,     ResultArchivedUnchanged, ResultDestinationMissing,
                                ResultSourceMissing, ResultPackFailed,       ResultVerifyFailed,
                                ResultNameUsedInRun};
    for (const Entry& entry : entries) {
        const QString safe = LogSafeText(entry.Nazwa);
        for (int code : codes)
            if (EntryLogLine(code, safe) == line)
                return &entry;
    }
    return nullptr;
}

} // namespace

HistoryWindow::HistoryWindow(std::function<void(const QUrl&)> open, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), open(std::move(open))
{
    setObjectName(QStringLiteral("FHistoria"));
    setWindowTitle(QStringLiteral("Historia"));
    setFixedSize(560, 380);
    setModal(true);
    setFont(DesignFont(11));

    Image1 = new SkinImage(this);
    Image1->setGeometry(0, 0, 560, 380);
    LoadImageResource(QStringLiteral("tlo_historia"), Image1);

    LListwa = new HotZone(this, QRect(6, 5, 512, 32), QStringLiteral("LListwa"), windowTitle(), QAccessible::TitleBar);
    LClose = new HotZone(this, QRect(525, 10, 22, 22), QStringLiteral("LClose"), QStringLiteral("Zamknij"));

    // Under the fields of the picture (18, 64, 206 x 262 and 234, 64, 308 x 262).
    LPrzebiegi = AddList(this, QStringLiteral("LPrzebiegi"), QRect(21, 67, 200, 256), QStringLiteral("Archiwizacje"));
    LWiersze = AddList(this, QStringLiteral("LWiersze"), QRect(237, 67, 302, 256), QStringLiteral("Log archiwizacji"));
    LWiersze->setSelectionMode(QAbstractItemView::SingleSelection);

    LOpis = new QLabel(this);
    LOpis->setObjectName(QStringLiteral("LOpis"));
    LOpis->setGeometry(22, 338, 200, 30);
    LOpis->setTextFormat(Qt::PlainText);
    LOpis->setWordWrap(true);
    StyleText(LOpis, false);

    LOtworz = new HotZone(this, QRect(326, 342, 120, 24), QStringLiteral("LOtworz"), QStringLiteral("Otwórz folder"));
    LZamknij = new HotZone(this, QRect(454, 342, 86, 24), QStringLiteral("LZamknij"), QStringLiteral("Zamknij"));

    connect(LListwa, &HotZone::mousePressed, this,
            Guarded([this](QMouseEvent* event) { drag.Press(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseMoved, this,
            Guarded([this](QMouseEvent* event) { drag.Move(this, event->globalPosition().toPoint()); }));
    connect(LListwa, &HotZone::mouseReleased, this, Guarded([this](QMouseEvent*) { drag.Release(); }));
    connect(LClose, &HotZone::clicked, this, Guarded(this, &HistoryWindow::LZamknijClick));
    connect(LZamknij, &HotZone::clicked, this, Guarded(this, &HistoryWindow::LZamknijClick));
    connect(LOtworz, &HotZone::clicked, this, Guarded(this, &HistoryWindow::LOtworzClick));
    connect(LPrzebiegi, &QListWidget::currentRowChanged, this, Guarded([this](int) { LPrzebiegiChanged(); }));

    preview = new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

HistoryWindow::~HistoryWindow() = default;

QString HistoryWindow::RunLine(const HistoryRun& run)
{
    QString line = run.Time.toString(QStringLiteral("yyyy-MM-dd  HH:mm"));
    if (run.StartKnown)
        line += QStringLiteral("   ") + (run.Unattended ? Msg::HistoryStartedUnattended() : Msg::HistoryStartedByHand());
    line += QStringLiteral("   ");
    line += run.Failures > 0 ? Msg::HistoryFailures(run.Failures) : Msg::HistoryAllArchived();
    return line;
}

void HistoryWindow::Fill(const EntryVector& list, const QString& folderName, const QString& folder)
{
    entries = list;
    Runs = ReadHistory(folder);
    LPrzebiegi->blockSignals(true);
    LPrzebiegi->clear();
    int chosen = Runs.empty() ? -1 : 0;
    for (size_t i = 0; i < Runs.size(); ++i) {
        auto* item = new QListWidgetItem(RunLine(Runs[i]), LPrzebiegi);
        if (Runs[i].Failures > 0)
            item->setForeground(FailureText);
        if (!folderName.isEmpty() && Runs[i].FolderName == folderName)
            chosen = static_cast<int>(i);
    }
    LPrzebiegi->blockSignals(false);
    LPrzebiegi->setCurrentRow(chosen);
    LPrzebiegiChanged();
}

void HistoryWindow::ShowHistory(const EntryVector& list, const QString& folderName, const QString& folder)
{
    if (isVisible())
        return;
    Fill(list, folderName, folder);
    const QPoint main = parentWidget() ? parentWidget()->pos() : QPoint();
    move(main + QPoint(30, 50));
    drag.Release();
    show();
    raise();
    activateWindow();
    LPrzebiegi->setFocus();
    exec();
}

void HistoryWindow::LPrzebiegiChanged()
{
    LWiersze->clear();
    const int row = LPrzebiegi->currentRow();
    if (row < 0 || row >= static_cast<int>(Runs.size())) {
        LOpis->setText(Runs.empty() ? Msg::HistoryEmpty() : QString());
        return;
    }
    const HistoryRun& run = Runs[static_cast<size_t>(row)];
    for (qsizetype i = 0; i < run.Lines.size(); ++i) {
        QString text = run.Lines[i];
        if (text.startsWith(QLatin1Char('\t')))
            text = QStringLiteral("      ") + text.mid(1);
        auto* item = new QListWidgetItem(text, LWiersze);
        if (static_cast<size_t>(i) < run.FailureLines.size() && run.FailureLines[static_cast<size_t>(i)]) {
            item->setForeground(FailureText);
            item->setBackground(FailureBand);
            item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("błąd"));
        }
    }
    LOpis->setText(RunLine(run));
}

QString HistoryWindow::FolderToOpen() const
{
    const int row = LPrzebiegi->currentRow();
    if (row < 0 || row >= static_cast<int>(Runs.size()))
        return QString();
    const HistoryRun& run = Runs[static_cast<size_t>(row)];
    // The chosen line, or the one its reasons follow; without a choice, the first entry line.
    const Entry* entry = nullptr;
    int line = LWiersze->currentRow();
    while (line >= 0 && run.Lines.value(line).startsWith(QLatin1Char('\t')))
        --line;
    if (line >= 0)
        entry = EntryOfLine(entries, run.Lines.value(line));
    for (qsizetype i = 0; !entry && i < run.Lines.size(); ++i)
        entry = EntryOfLine(entries, run.Lines[i]);
    if (!entry || entry->Docel.isEmpty())
        return QString();
    QString docel = entry->Docel;
    while (docel.size() > 1 && docel.endsWith(QLatin1Char('/')))
        docel.chop(1);
    const QString dated = docel + QLatin1Char('/') + run.FolderName;
    if (!run.FolderName.isEmpty() && FileSystem::FolderExists(dated))
        return dated;
    return docel;
}

void HistoryWindow::LOtworzClick()
{
    const QString folder = FolderToOpen();
    if (folder.isEmpty()) {
        ShowWarning(ButtonsClose, IconInfo, Msg::HistoryNothingToOpen());
        return;
    }
    if (open)
        open(QUrl::fromLocalFile(folder));
}

void HistoryWindow::LZamknijClick()
{
    done(QDialog::Accepted);
}

bool HistoryWindow::FormKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        LZamknijClick();
        return true;
    }
    return false;
}
