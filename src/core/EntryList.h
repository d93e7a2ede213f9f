#pragma once
// The entry list in memory and its list file "Dane.dat": the list operations.
// Everything here runs on the user-interface thread.

#include "core/FieldCipher.h"
#include "core/UserError.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

class ListBoxPort;
class XmlDocument;

// One entry of the list.
struct Entry {
    QString Typ;     // "Plik" or "Folder"
    QString Nazwa;   // display name
    QString Source;  // file or folder to archive
    QString Docel;   // destination folder
};
using EntryVector = std::vector<Entry>;

// Raised by LoadList when "Dane.dat" exists but cannot be opened or read.
class ListFileError : public UserError {
public:
    using UserError::UserError;
};

// The list of entries in memory with its list file: loads it, saves it after every change,
// keeps the line the user works on and the list box that shows it filled.
class EntryList {
public:
    explicit EntryList(QString filePath = QString(), const FieldCipher& cipher = ListFieldCipher());

    const QString& FilePath() const { return filePath; }
    void SetFilePath(const QString& path) { filePath = path; }

    const EntryVector& Entries() const { return entries; }
    int Size() const { return static_cast<int>(entries.size()); }
    bool IsEmpty() const { return entries.empty(); }
    // The count as the list file gave it, and as the next save writes it.
    int32_t Count() const { return count; }
    // Replaces every entry (the count follows); for tools and tests that make a list in memory.
    void SetEntries(EntryVector replacement);
    // Sets the count alone, as a damaged file may give one that its entries do not match.
    void SetCount(int32_t value) { count = value; }

    // The line the user works on (-1 none).
    int32_t CurrentIndex() const { return currentIndex; }
    void SetCurrentIndex(int32_t index) { currentIndex = index; }
    bool HasCurrentEntry() const { return currentIndex >= 0 && static_cast<size_t>(currentIndex) < entries.size(); }
    const Entry& CurrentEntry() const { return entries.at(static_cast<size_t>(currentIndex)); }

    // True after Load reported a damaged list file (the unattended run's exit status uses it).
    bool LoadDamaged() const { return loadDamaged; }
    // Where Load kept the damaged list file it found ("Dane.dat.bak", "Dane.dat.bak.2", ...);
    // empty when it kept none.
    const QString& DamagedCopyPath() const { return damagedCopyPath; }

    // The list box the list keeps filled; nullptr: none.
    void SetListBox(ListBoxPort* box) { listBox = box; }
    ListBoxPort* ListBox() const { return listBox; }

    // Reads the list file; a missing file is an empty list. A file that exists but cannot be
    // opened or read raises ListFileError; a damaged one is kept under a copy name and reported.
    bool Load();
    bool Save();
    int ReadEntries(XmlDocument& document);
    void WriteDocument(XmlDocument& document) const;
    void FillListBox();

    int32_t AddEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
    int32_t ReplaceEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
    int32_t RemoveEntry();
    // The edits the windows make: each fills the list box and saves the list.
    void AppendEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
    void UpdateCurrentEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
    bool DeleteCurrentEntry();
    bool ClearList();

private:
    QString BackupPath(int number) const;
    bool KeepDamagedFile();

    QString filePath;
    const FieldCipher& cipher;
    EntryVector entries;
    int32_t count = 0;
    int32_t currentIndex = 0;
    bool loadDamaged = false;
    QString damagedCopyPath;
    // The damaged list file still waits to be kept before a save may replace it.
    bool backupPending = false;
    ListBoxPort* listBox = nullptr;
};

// A save killed half way may leave its temporary copy beside the file: path + "." + six
// random letters. Removes such copies of `path` that no process holds (a save at work holds a lock
// on its copy); nothing else.
void RemoveStaleSaveCopies(const QString& path);

// The text of the element at a path of two or three element names (names compared without
// regard to case, the first of a name winning); missing elements on the path are created empty.
QString GetPathText(XmlDocument& document, const QStringList& names);
// Sets the text of the element at the path; missing elements are created.
void SetPathText(XmlDocument& document, const QStringList& names, const QString& text);

// A count of entries is believed up to this many even when the file holds fewer of them (the
// missing ones read as empty entries); beyond it, only as far as the file could hold them.
inline constexpr int32_t MaxBlankEntries = 65536;
