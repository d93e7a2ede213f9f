#pragma once
// Path rules, file lookup with Windows style attributes and times, and folder enumeration, as
// the archive component needs them. A Windows build replaces this file pair and keeps the
// component's code.

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

struct FileInfo {
    QString Name;            // last path component
    int64_t Size = -1;       // 0 for folders
    uint64_t Time = 0;       // last write, FILETIME (100 ns since 1601-01-01 UTC)
    uint32_t Attributes = 0xFFFFFFFFu;
    uint64_t Device = 0;     // identity, so a walk can notice a folder it is already inside
    uint64_t Inode = 0;
    bool IsDirectory() const { return Attributes != 0xFFFFFFFFu && (Attributes & AttrDirectory); }
};

// Looks one path up. Only folders and regular files are found: a device, pipe or socket would
// block or never end when read, and a link that points nowhere has no data.
bool Lookup(const QString& path, FileInfo& info);
bool FolderExists(const QString& path);
bool FileExists(const QString& path);

// Calls visit for every entry of the folder except "." and ".." in the file system's own
// order, until visit answers false. Entries that Lookup would not find are left out.
void EnumerateFolder(const QString& folder, const std::function<bool(const FileInfo&)>& visit);

// Length of the root prefix that makes a path absolute ("/"), 0 when the path is relative.
int RootPrefixLength(const QString& path);

// Upper case one character at a time, so the text keeps its length and prefixes cut by the
// length of an upper-cased text stay aligned with the original.
QString UpperCase(const QString& text);

// Current time as FILETIME.
uint64_t Now();


}  // namespace FileSystem
