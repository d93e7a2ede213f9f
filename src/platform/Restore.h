#pragma once
// What bringing files back out of an archive needs of the operating system: looking at what
// already lies under a name without following links, files written under a temporary name and
// given their real name only when whole, links, folders, times and permission bits, and holes
// in sparse files, all reached through open folders that never follow a link.
// Errors are OsError values (errno), as everywhere in this layer.

#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <QHash>
#include <QSet>

#include <cstdint>
#include <ctime>

enum class PathKind { Missing, File, Folder, Link, Other };

// What lies under a name; a link is looked at itself, not followed.
struct PathState {
    PathKind Kind = PathKind::Missing;
    int64_t Size = 0;   // bytes of a file, length of a link's target
    uint64_t Time = 0;  // last write, FILETIME (100 ns units since 1601-01-01 UTC)
};

// Missing (and NoError) when nothing is there; an error only when the system cannot tell.
OsError LookupPath(const QString& path, PathState& state);

// The file-creation mask of the process, read without changing it (other threads may be
// creating files meanwhile).
unsigned ProcessUmask();

// A file being restored. It is written under a temporary name in its folder, so a failed or
// cancelled restore never leaves a half file under the real name and never touches the file
// that lies there until the new one is whole. A file that is never committed is removed.
class RestoredFile {
public:
    RestoredFile() = default;
    ~RestoredFile();
    RestoredFile(const RestoredFile&) = delete;
    RestoredFile& operator=(const RestoredFile&) = delete;

    // Creates the temporary file in folder (which must exist), readable by the owner only
    // until SetMode gives it its own permissions.
    OsError Create(const QString& folder);
    // The same inside the open folder folderHandle (kept open by the caller until Commit or
    // Discard); Commit then takes a bare name in that folder. The file is locked while it
    // lives, so a later restore can tell a temporary left by a killed one from one in use.
    OsError CreateIn(int folderHandle);
    bool IsOpen() const { return handle_ >= 0; }
    QString TemporaryName() const { return temporary_; }

    OsError WriteAt(const void* data, size_t size, int64_t offset);
    // Sets the length; bytes never written up to it are a hole that takes no disk space.
    OsError SetLength(int64_t length);
    OsError SetMode(unsigned mode);
    // Last write time (and last access, the same), FILETIME.
    OsError SetTime(uint64_t fileTime);
    OsError Sync();
    // Closes the file and gives it its name. With replace, whatever lies under that name (a
    // file or a link, never a folder) is replaced in one step; without, EEXIST is answered when
    // something lies there and the temporary file stays for Discard.
    OsError Commit(const QString& path, bool replace);
    // Closes and removes the temporary file (nothing once committed).
    void Discard();

private:
    int handle_ = -1;
    int folder_ = -1;  // the folder of CreateIn (not owned); -1 for a file made by path
    QString temporary_;
};

// Gives the temporary file from in folder the name to in the same folder without ever replacing
// what lies there (EEXIST). Where the file system refuses the one-step way (EINVAL on network
// file systems), the file is linked under the new name and the old name removed; without
// oneStep (for tests) that way is taken at once.
OsError RenameNoReplaceAt(int folder, const QByteArray& from, const QByteArray& to, bool oneStep = true);

// A last write time as the system takes it; times before 1970 stay as they are.
timespec TimespecOfFileTime(uint64_t fileTime);

// Whether name is one of the temporary names restored files are written under.
bool IsRestoreTemporaryName(const QString& name);

// The folder a restore writes into, and every folder under it, reached only through open
// folder descriptors, one name at a time, never following a link: whatever is swapped into the
// tree while a restore runs, nothing is written outside it. A folder opened stays open (up to a
// limit), so it keeps being the same folder even when it is renamed or replaced meanwhile.
// Each folder opened for the first time is cleared of temporaries a killed restore left in it.
class RestoreTarget {
public:
    RestoreTarget() = default;
    ~RestoreTarget();
    RestoreTarget(const RestoreTarget&) = delete;
    RestoreTarget& operator=(const RestoreTarget&) = delete;

    // Opens the target folder, making it and the folders above it that are missing (the user
    // named it, so links on its own path are followed).
    OsError Open(const QString& path);
    QString Path() const { return path_; }  // with a trailing "/"

    // The open folder at relative ("" for the target itself; names separated by "/", none
    // of them empty, "." or ".."), made where missing. created
    // tells whether the last folder was made now. ELOOP when a folder on the way is a link,
    // ENOTDIR when it is something else. Without make, a missing folder is ENOENT.
    OsError Folder(const QString& relative, int& handle, bool* created = nullptr, bool make = true);
    // What lies under name in the folder, a link looked at itself.
    static OsError Lookup(int folder, const QString& name, PathState& state);
    // A symbolic link under name holding target. With replace, a file or link there is replaced
    // in one step; without, EEXIST when anything is there. Its time is set when time is nonzero.
    static OsError MakeLink(int folder, const QString& name, const QString& target, bool replace, bool setTime,
                            uint64_t time);
    // Whether the folder at relative was made by this restore.
    bool Made(const QString& relative) const { return made_.contains(relative); }
    // Time and permission bits of a folder made by this restore.
    OsError SetFolder(const QString& relative, bool setTime, uint64_t time, bool setMode, unsigned mode);
    // Every folder written into, and what was written in them, made durable.
    OsError Sync();
    // Temporaries of killed restores removed so far.
    int StaleRemoved() const { return staleRemoved_; }

private:
    void CloseFolders();
    void RemoveStale(int folder);

    int root_ = -1;
    QString path_;
    QHash<QString, int> open_;  // relative path -> descriptor (the root is not in it)
    QSet<QString> visited_;     // folders cleared of stale temporaries
    QSet<QString> made_;
    int staleRemoved_ = 0;
};

// The target text of a link.
OsError ReadSymbolicLink(const QString& path, QString& target);
// Last write time of a path, a link itself rather than what it points to.
OsError SetPathTime(const QString& path, uint64_t fileTime);
