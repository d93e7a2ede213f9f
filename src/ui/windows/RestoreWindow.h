#pragma once
// RestoreWindow: the restore window. It lists the archives of one list entry, newest first,
// and brings the chosen one back to the entry's original place (the parent folder of its
// source) or to a folder the user picks. Existing files are replaced only when the user says
// so; Escape asks whether to stop, and what came back so far stays.

#include "archive/run/EntryArchives.h"
#include "ui/skin/TitleDrag.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <vector>

class HotZone;
class QLabel;
class QListWidget;
class QRadioButton;
class SkinImage;
class FolderPicker;
class KeyPreview;
class CylinderBar;
class SevenZipReader;
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
    // True while an archive is being restored.
    bool Restoring() const { return restoring; }

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

    // The archives shown, in the order of the lines.
    std::vector<EntryArchive> Archives;
    // The summary of the last restore (also shown through the dialog).
    QString LastSummary;

protected:
    void reject() override;  // a close request during a restore is refused
    void showEvent(QShowEvent* event) override;

private:
    bool FormKeyDown(QKeyEvent* event);
    void ShowTarget();
    void HandleEvents(bool always);
    void AskToStop(SevenZipReader& reader);
    OverwriteAnswer AskOverwrite(SevenZipReader& reader, const ArchiveItem& item, const ExistingFile& existing);

    SevenZipPacker& packer;
    KeyPreview* preview;
    TitleDrag drag;
    QElapsedTimer lastEventPass;  // HandleEvents' last pass over the events
    QString originalFolder;
    QString chosenFolder;
    bool restoring = false;
    bool stopAsked = false;
};
