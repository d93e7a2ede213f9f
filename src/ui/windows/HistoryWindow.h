#pragma once
// HistoryWindow: the history of runs ("Historia"). It lists the kept logs newest first (date,
// how the run started, its result); choosing one shows its lines with the failures marked, and
// a button opens the chosen entry's folder of that run with the desktop's file manager.

#include "archive/run/RunHistory.h"
#include "core/EntryList.h"
#include "ui/skin/TitleDrag.h"

#include <QDialog>
#include <QUrl>

#include <functional>
#include <vector>

class HotZone;
class KeyPreview;
class QLabel;
class QListWidget;
class SkinImage;

class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    // open: the desktop's "open" of a folder (the main window's, with its test seam).
    explicit HistoryWindow(std::function<void(const QUrl&)> open, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the history from folder (the data folder's "Logi/" when empty), chooses the run of
    // the dated folder folderName (the newest when empty or not kept) and shows the window
    // modally. entries: the list, to find the folder of an entry named in a line.
    void ShowHistory(const EntryVector& entries, const QString& folderName = QString(),
                     const QString& folder = QString());
    // Fills the window without showing it.
    void Fill(const EntryVector& entries, const QString& folderName = QString(), const QString& folder = QString());

    // The line of a run in the list: "2026-03-01  19:30   automatycznie   błędy: 2".
    static QString RunLine(const HistoryRun& run);
    // The folder the button opens for the chosen run and line: the entry's dated folder of that
    // run when it exists, else its destination; empty when no entry of the list fits.
    QString FolderToOpen() const;

    // Event handlers.
    void LPrzebiegiChanged();
    void LOtworzClick();
    void LZamknijClick();

    SkinImage* Image1;
    HotZone* LListwa;
    HotZone* LClose;
    QListWidget* LPrzebiegi;
    QListWidget* LWiersze;
    QLabel* LOpis;
    HotZone* LOtworz;
    HotZone* LZamknij;

    std::vector<HistoryRun> Runs;

private:
    bool FormKeyDown(QKeyEvent* event);

    std::function<void(const QUrl&)> open;
    EntryVector entries;
    KeyPreview* preview;
    TitleDrag drag;
};
