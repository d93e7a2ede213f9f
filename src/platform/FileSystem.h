#pragma once
// Path rules, file lookup with Windows style attributes and times, and folder enumeration, as
// the archive component needs them. A Windows build replaces this file pair and keeps the
// component's code.

#include "platform/Files.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace FileSystem {

constexpr QChar Separator = QLatin1Char('/');

// Windows attribute bits kept in archives.
constexpr uint32_t AttrReadOnly = 0x01;
constexpr uint32_t AttrHidden = 0x02;
constexpr uint32_t AttrDirectory = 0x10;
constexpr uint32_t AttrArchive = 0x20;
constexpr uint32_t AttrUnixExtension = 0x8000;  // the POSIX mode sits in the high 16 bits

// What a directory entry is. Special: a pipe, socket or device.
enum class EntryKind { Missing, File, Folder, Link, Special };

struct FileInfo {
    QString Name;            // last path component
    EntryKind Kind = EntryKind::Missing;
    int64_t Size = -1;       // 0 for folders
    uint64_t Time = 0;       // last write, FILETIME (100 ns since 1601-01-01 UTC)
    // Last change of the inode, FILETIME: set to now by every write, rename, chmod or copy,
    // and unlike Time it cannot be put back by the user.
    uint64_t ChangeTime = 0;
    uint32_t Attributes = 0xFFFFFFFFu;
    uint64_t Device = 0;     // identity, so a walk can notice a folder it is already inside
    uint64_t Inode = 0;
    int Error = 0;           // why an entry of a listing could not be looked up (Kind Missing)
    bool IsDirectory() const { return Attributes != 0xFFFFFFFFu && (Attributes & AttrDirectory); }
};

// Looks one path up. Only folders and regular files are found: a device, pipe or socket would
// block or never end when read, and a link that points nowhere has no data.
bool Lookup(const QString& path, FileInfo& info);
// Looks one path up whatever it is. Without followLinks a symbolic link is found as itself
// (Kind Link: its size is the length of its target text, its attributes carry its own mode).
// Answers ENOENT (and Kind Missing) when nothing is there.
OsError LookupEntry(const QString& path, FileInfo& info, bool followLinks);
// The target text of a symbolic link, as the bytes the system holds.
OsError ReadLink(const QString& path, QByteArray& target);
bool FolderExists(const QString& path);
bool FileExists(const QString& path);

// Calls visit for every entry of the folder except "." and ".." in the file system's own
// order, until visit answers false. Entries are looked up without following links; one that
// is gone by then is left out, one that cannot be looked up comes with Kind Missing and its
// Error. Answers the error that kept the folder from being listed (or from being listed to
// its end), 0 when it was.
OsError EnumerateFolder(const QString& folder, const std::function<bool(const FileInfo&)>& visit);

// Length of the root prefix that makes a path absolute ("/"), 0 when the path is relative.
int RootPrefixLength(const QString& path);

// Upper case one character at a time, so the text keeps its length and prefixes cut by the
// length of an upper-cased text stay aligned with the original.
QString UpperCase(const QString& text);

// Current time as FILETIME.
uint64_t Now();


}  // namespace FileSystem
