#pragma once
// The entry editor: the window EntryEditor that asks for an entry's name and destination folder.
// It takes what it shows as arguments and returns what the user chose; the main window's list
// commands open it and change the list.

#include "core/EntryList.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class HotZone;
class QLabel;
class QLineEdit;
class SkinImage;
class FolderPicker;
class KeyPreview;

// What the editor is opened with.
struct EditorRequest {
    QString Typ;     // "Plik" or "Folder"
    QString Source;  // the file or folder to archive (shown, not edited)
    QString Nazwa;   // the name offered; empty for a new entry
    QString Docel;   // the destination folder offered
    // True when another entry has this name and destination: the editor refuses them.
    std::function<bool(const QString& nazwa, const QString& docel)> RepeatsAnotherEntry;
};

// What the user entered.
struct EditorChoice {
    QString Nazwa;
    QString Docel;
};

// Texts of the two choosers.
inline constexpr const char* OpenFileTitle = "Wskaż plik do archiwizacji";
inline constexpr const char* OpenFileFilter = "Wszystkie pliki [*.*]";
inline constexpr const char* OpenFolderCaption = "Wskaż folder do archiwizacji";

// Characters the name field refuses when typed.
bool IsRejectedNameCharacter(QChar c);

// The longest name of an entry.
inline constexpr int EntryNameLimit = 20;

// The name offered for a new entry: the chosen file's name without its last extension, or the
// folder's name, without the characters the name field refuses, cut to the limit.
QString SuggestedEntryName(const QString& typ, const QString& source);

// True when a folder has a subfolder that holds a file at any depth: what a folder entry leaves
// out while whole subfolders are off. Links are not followed.
bool HasSubfoldersWithFiles(const QString& folder);

// The editor's own texts.
namespace EditorText {
// A missing field, named: the name, the destination, or both.
QString MissingData(bool nameMissing, bool destinationMissing);
QString DestinationMissing(const QString& path);      // "Folder PATH nie istnieje. Utworzyć?"
QString DestinationNotCreated(const QString& path, const QString& reason);
QString SubfoldersLeftOut(const QString& folderName);  // the question about whole subfolders
// The setting's name, as the settings window shows it, and the editor's note about it.
QString WholeSubfoldersSetting();
QString ShallowFolderNote();
// The count under the name field, and what it says once the limit refused something.
QString NameLength(int length);
QString NameLimitReached();
} // namespace EditorText

// True when an entry of `entries` other than the one at editedIndex (-1: a new entry) has this
// name and destination: both would write the same archive, and the later one would replace the
// earlier one's. An edited entry whose name and destination stay as they were is never refused.
bool RepeatsAnotherEntry(const EntryVector& entries, int editedIndex, const QString& name, const QString& destination);

class EntryEditor : public QDialog {
    Q_OBJECT
public:
    explicit EntryEditor(QWidget* parent = nullptr);
    ~EntryEditor() override;

    // Shows the editor modally, placed at `at`, for the request; the user's choice, or nothing
    // when cancelled (or when the editor is open already).
    std::optional<EditorChoice> Edit(const EditorRequest& request, const QPoint& at);
    // Enter and the Wprowadź zone: checks the fields and closes with the choice.
    void Confirm();
    // Escape and the Anuluj zone.
    void Cancel();

    void LNowyFolderClick();

    QWidget* PNazwa;
    SkinImage* ImNazwa;
    QLabel* LPolozenie;
    QLineEdit* ENazwa;
    QLineEdit* ESciezka;
    HotZone* LNowyFolder;
    HotZone* LAnuluj;
    HotZone* LWprowadzDoListy;
    // For folder entries while "Podfoldery" is off: only the folder's own level is taken.
    QLabel* LPodfoldery;
    // The name's length against its limit, kept up while typing.
    QLabel* LLimit;
    FolderPicker* DlOpenFolder;

    // Runs the file dialog; the chosen file's full path, or nothing when cancelled. It starts
    // in the last folder used, else in the user's home.
    std::optional<QString> RunOpenFileDialog();
    // Runs the folder picker from the last folder used, else from the user's home; the chosen
    // folder, or nothing when cancelled.
    std::optional<QString> RunFolderPicker();
    // Where both choosers start now.
    QString StartFolder() const;
    // Test seam: when set, answers instead of the file dialog (title, filter caption).
    using OpenFileSeam = std::function<std::optional<QString>(const QString&, const QString&)>;
    void SetOpenFileSeam(OpenFileSeam seam) { openFileSeam = std::move(seam); }

protected:
    void reject() override;  // closing the window any other way cancels, as Escape does
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FormKeyDown(QKeyEvent* event);
    void ShowLocation(const QString& source);
    void ShowNameLength(bool limitRefused);
    // The checks of Confirm after the fields are filled; false keeps the editor open.
    bool DestinationReady(const QString& destination);
    bool SubfoldersSettled();

    KeyPreview* preview;
    OpenFileSeam openFileSeam;
    // The request of the editor while it is open.
    EditorRequest request;
};
