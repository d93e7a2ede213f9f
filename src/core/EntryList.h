#pragma once
// The entry list in memory and its list file "Dane.dat": the list operations.
// Everything here runs on the user-interface thread.

#include "core/UserError.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

class XmlDocument;

// One entry of the list.
struct Entry {
    QString Typ;     // "Plik" or "Folder"
    QString Nazwa;   // display name
    QString Source;  // file or folder to archive
    QString Docel;   // destination folder
};
using EntryVector = std::vector<Entry>;

// Module state of the list (zero or empty at program start; CurrentIndex starts at 0).
extern EntryVector Wpisy;
extern int32_t EntryCount;
extern int32_t CurrentIndex;
extern QString ListFilePath;
// Set by LoadList when it reported a damaged list file (the unattended run's exit status uses it).
extern bool ListLoadDamaged;

// Raised by LoadList when "Dane.dat" exists but cannot be opened or read.
class ListFileError : public UserError {
public:
    using UserError::UserError;
};

bool LoadList();
// Where LoadList kept the damaged list file it found ("Dane.dat.bak", "Dane.dat.bak.2", ...);
// empty when it kept none.
extern QString DamagedListCopyPath;
// A save killed half way may leave its temporary copy beside the file: path + "." + six
// random letters. Removes such copies of `path` that no process holds (a save at work holds a lock
// on its copy); nothing else.
void RemoveStaleSaveCopies(const QString& path);
void FillListBox();
int32_t AddEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
int32_t ReplaceEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
int32_t RemoveEntry();
void AppendEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
void UpdateCurrentEntry(const QString& Typ, const QString& Nazwa, const QString& Source, const QString& Docel);
bool DeleteCurrentEntry();
bool ClearList();
bool SaveList();
int ReadEntries(XmlDocument& document);
void WriteDocument(XmlDocument& document);

// The text of the element at a path of two or three element names (names compared without
// regard to case, the first of a name winning); missing elements on the path are created empty.
QString GetPathText(XmlDocument& document, const QStringList& names);
// Sets the text of the element at the path; missing elements are created.
void SetPathText(XmlDocument& document, const QStringList& names, const QString& text);

// A count of entries is believed up to this many even when the file holds fewer of them (the
// missing ones read as empty entries); beyond it, only as far as the file could hold them.
inline constexpr int32_t MaxBlankEntries = 65536;
