#pragma once
// The entry editor: the window EntryEditor that asks for an entry's name and destination folder,
// and the list commands that open it or ask before changing the list.

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

// The entry being added or edited; kept between uses of the editor.
extern QString EditTyp;     // "Plik" or "Folder"
extern QString EditSource;  // the file or folder to archive (read-only in the editor)
extern QString EditDocel;   // destination folder offered in the editor
extern int32_t EditMode;    // 1 adds a new entry, 2 changes the current entry

// Texts of the two choosers.
inline constexpr const char* OpenFileTitle = "Wskaż plik do archiwizacji";
inline constexpr const char* OpenFileFilter = "Wszystkie pliki [*.*]";
inline constexpr const char* OpenFolderCaption = "Wskaż folder do archiwizacji";

// Commands called from the menu panels and the main window.
void AddFileEntry();
void AddFolderEntry();
void EditEntry();
void DeleteEntry();
void NewList();
// The editor's own operations.
void ShowEditor();
void ConfirmEditor();
void CancelEditor();

// Characters the name field refuses when typed.
bool IsRejectedNameCharacter(QChar c);

class EntryEditor : public QDialog {
    Q_OBJECT
public:
    explicit EntryEditor(QWidget* parent = nullptr);
    ~EntryEditor() override;

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
    FolderPicker* DlOpenFolder;

    // Runs the file dialog; the chosen file's full path, or nothing when cancelled.
    std::optional<QString> RunOpenFileDialog();
    // Test seam: when set, answers instead of the file dialog (title, filter caption).
    static std::function<std::optional<QString>(const QString&, const QString&)> OpenFileHook;

protected:
    void reject() override;  // closing the window any other way cancels, as Escape does
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FormKeyDown(QKeyEvent* event);
    KeyPreview* preview;
};

extern EntryEditor* FEdycja;
