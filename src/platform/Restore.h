#pragma once
// What bringing files back out of an archive needs of the operating system: looking at what
// already lies under a name without following links, files written under a temporary name and
// given their real name only when whole, links, folders, times and permission bits, holes in
// sparse files, and resolving a path the way the system would to see where it really leads.
// Errors are OsError values (errno), as everywhere in this layer.

#include "platform/Files.h"

#include <QString>
#include <QStringList>

#include <cstdint>

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
    QString temporary_;
};

// Makes a symbolic link at path holding target (as bytes: see NativePath). With replace, a
// file or link already there is replaced in one step; without, EEXIST when anything is there.
OsError MakeSymbolicLink(const QString& target, const QString& path, bool replace);
// The target text of a link.
OsError ReadSymbolicLink(const QString& path, QString& target);
// Last write time of a path, a link itself rather than what it points to.
OsError SetPathTime(const QString& path, uint64_t fileTime);
// Permission bits of a folder or file (a link is followed, as links have none of their own).
OsError SetPathMode(const QString& path, unsigned mode);
// Removes a link or file.
OsError RemovePath(const QString& path);

// Whether root + "/" + relative, resolved the way the system resolves a path (every link on
// the way followed, "." and ".." applied as they are met), stays inside root. Names that do
// not exist are taken as plain names. A link to an absolute path leaves root even when it
// names a place inside it (moving the folder would break it), as do too many links in a row.
bool StaysInside(const QString& root, const QString& relative);
