#pragma once
// RestoreWindow: the restore window. It lists the archives of one list entry, newest first,
// and brings the chosen one back to the entry's original place (the parent folder of its
// source) or to a folder the user picks. Existing files are replaced only when the user says
// so; Escape asks whether to stop, and what came back so far stays.

#include "archive/run/EntryArchives.h"
#include "archive/sevenzip/SevenZipReader.h"
#include "ui/skin/TitleDrag.h"

#include <QDialog>

#include <atomic>
#include <exception>
#include <memory>

#include <functional>
#include <vector>

class HotZone;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class QRadioButton;
class QThread;
class SkinImage;
class FolderPicker;
class KeyPreview;
class LatestValue;
class CylinderBar;
class SevenZipReader;
class ReplaceQuestion;
class RestoreSummaryDialog;
class SevenZipPacker;
struct ArchiveItem;
struct Entry;
struct ExistingFile;
enum class OverwriteAnswer;

class RestoreWindow : public QDialog {
    Q_OBJECT
public:
    // Reads the archives with the packer's library; placed relative to its parent.
    explicit RestoreWindow(SevenZipPacker& packer, QWidget* parent = nullptr);
    ~RestoreWindow() override;

    // Fills the window for the entry and shows it modally.
    void ShowRestore(const Entry& entry);

    // Event handlers.
    void LPrzywrocClick();
    void LZamknijClick();
    void RFolderClick();

    // The folder the items go to: the original place or the chosen folder.
    QString TargetFolder() const;
    // The stored paths of the items checked in the tree (folders checked whole included).
    QStringList CheckedPaths() const;
    // The tree's line for a stored path; null when there is none.
    QTreeWidgetItem* TreeItem(const QString& path) const;
    // True while an archive is being restored (on the worker thread).
    bool Restoring() const { return restoring; }
    // Serves the window's events until the restore at work (if any) has ended.
    void WaitForRestore();

    SkinImage* Image1;
    HotZone* LListwa;
    HotZone* LClose;
    QLabel* LWpis;
    QListWidget* LArchiwa;
    QRadioButton* RMiejsce;
    QRadioButton* RFolder;
    QLabel* LCel;
    CylinderBar* Progress;
    CylinderBar* ProgresEtap;
    HotZone* LPrzywroc;
    HotZone* LZamknij;
    FolderPicker* DlFolder;
    // The chosen archive's contents: a search field filtering by name, the items as a tree
    // with check boxes (a folder checks its subtree), and the versions of the file chosen in
    // it: each archive of the entry that holds it, with its size and time there.
    QLineEdit* ESzukaj;
    QTreeWidget* TElementy;
    QLabel* LWersjeOpis;
    QListWidget* LWersje;
    // The question before an existing file is replaced, and the summary with what was not
    // restored (shown beside the window when anything was not).
    ReplaceQuestion* Pytanie;
    RestoreSummaryDialog* Podsumowanie;

    // The archives shown, in the order of the lines.
    std::vector<EntryArchive> Archives;
    // The summary of the last restore (also shown through the dialog), and a line for each
    // item it did not restore, with the reason.
    QString LastSummary;
    QStringList LastNotRestored;

Q_SIGNALS:
    // The restore at work has ended; its summary is shown next.
    void RestoreEnded();

protected:
    void reject() override;  // a close request during a restore is refused
    void showEvent(QShowEvent* event) override;

private:
    bool FormKeyDown(QKeyEvent* event);
    void ShowContents();
    void FilterContents();
    void ShowVersions();
    // The archive of a version line comes up, with the file chosen in its tree.
    void ChooseVersion(QListWidgetItem* line);
    void ShowTarget();
    // Called on the worker thread.
    void AskToStop();
    OverwriteAnswer AskOverwrite(const ArchiveItem& item, const ExistingFile& existing);
    // The worker is done: the controls come back and the summary is shown.
    void FinishRestore();

    SevenZipPacker& packer;
    KeyPreview* preview;
    TitleDrag drag;
    QString originalFolder;
    QString chosenFolder;
    bool restoring = false;
    // An answer given for every file that follows in this restore (ReplaceQuestion's), 0 for none.
    int answerForAll = 0;
    std::atomic<bool> stopAsked{false};
    // The restore at work.
    std::unique_ptr<SevenZipReader> reader;
    // The listing of each archive shown (empty items when it could not be read).
    std::vector<ArchiveListing> listings;
    std::unique_ptr<QThread> worker;
    std::unique_ptr<LatestValue> progressShown;
    std::unique_ptr<LatestValue> etapShown;
    QString restoringArchive;
    QString restoringTarget;
    int restoringTotal = 0;
    ExtractResult extracted;
    QString archiveFault;  // why the archive restored from is not whole, as "/verify" says
    std::exception_ptr restoreError;
};
