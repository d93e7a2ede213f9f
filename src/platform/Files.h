#pragma once
// Files and folders through the operating system. Every function answers an OsError: 0 when
// it worked, otherwise the system's error code (an errno value), which the layers above turn
// into a Polish reason at their boundary. Nothing here throws.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>

using OsError = int;
inline constexpr OsError NoError = 0;

// A path as the operating system takes it, and back. Names are UTF-8 on this system, but a
// name may hold bytes that are not: each such byte is kept in the text as one of the 128 code
// points U+DC80..U+DCFF (a lone surrogate, which no valid text holds) and becomes the same
// byte again, so every name survives the round trip.
QByteArray NativePath(const QString& path);
QString FromNativePath(const QByteArray& bytes);

// A time of the system and the same time as FILETIME (100 ns units since 1601-01-01 UTC), the
// form every time of the program takes. A FILETIME before 1970 becomes the start of 1970.
uint64_t FileTimeOf(const timespec& time);
timespec TimespecOf(uint64_t fileTime);

// One open file, closed when the object goes. Move-only.
class OsFile {
public:
    OsFile() = default;
    ~OsFile();
    OsFile(OsFile&& other) noexcept;
    OsFile& operator=(OsFile&& other) noexcept;
    OsFile(const OsFile&) = delete;
    OsFile& operator=(const OsFile&) = delete;

    // An existing file for reading. Without followLinks a symbolic link is refused (ELOOP).
    static OsError OpenForReading(const QString& path, OsFile& file, bool followLinks = true);
    // An existing plain file for reading. A folder is refused (EISDIR), and so is anything else
    // that is no plain file (ENXIO): a pipe, socket or device would block or never end. Without
    // followLinks a symbolic link is refused (ELOOP).
    static OsError OpenFileForReading(const QString& path, OsFile& file, bool followLinks = true);
    // An existing file for reading and writing.
    static OsError OpenForUpdate(const QString& path, OsFile& file);
    // A new file that must not exist yet (EEXIST otherwise), for reading and writing, with
    // the permission bits given (the umask still applies).
    static OsError CreateNew(const QString& path, OsFile& file, unsigned mode = 0666);

    bool IsOpen() const { return fd >= 0; }

    // One read of up to size bytes at offset; done is 0 at the end of the file.
    OsError ReadAt(void* data, size_t size, int64_t offset, size_t& done);
    // Reads until size bytes or the end of the file.
    OsError ReadFullyAt(void* data, size_t size, int64_t offset, size_t& done);
    // Writes every byte at offset.
    OsError WriteAt(const void* data, size_t size, int64_t offset);
    OsError Size(int64_t& size) const;
    OsError Mode(unsigned& mode) const;
    // Which file this is, so it can be compared with what a name holds now.
    OsError Identity(uint64_t& device, uint64_t& inode) const;
    // The file's data and size reach the disk.
    OsError Sync();
    // Lets the system drop its cached copy of the file's data that already reached the disk, so
    // that the next read comes from the disk itself. Only a hint: the system may keep some.
    OsError DropCachedPages();
    // Last access and last write time, FILETIME (100 ns units since 1601-01-01 UTC).
    OsError SetTime(uint64_t fileTime);
    OsError SetMode(unsigned mode);
    // An advisory lock on the whole file, not waiting: EWOULDBLOCK when another open file
    // holds it. The lock goes with the file.
    OsError TryLock(bool exclusive);
    OsError Close();

private:
    explicit OsFile(int handle) : fd(handle) {}
    int fd = -1;
};

// True when anything (file, folder, link, ...) exists at the path; a link is not followed.
bool PathExists(const QString& path);
// Every byte of an existing file.
OsError ReadWholeFile(const QString& path, QByteArray& bytes);

// Replaces the file at `path` with `bytes` so that no reader ever sees a partial file and a
// failure leaves the previous file whole: the bytes are written to an unnamed file in the same
// folder, reach the disk, and take the name in one step; then the folder reaches the disk.
// A link is followed (its target is replaced). An existing target without write permission is
// not replaced (EACCES); an existing folder is not either (EISDIR). The file keeps the
// permissions of the one it replaces.
OsError WriteFileAtomically(const QString& path, const QByteArray& bytes);
// Copies `source` over `target` the same careful way.
OsError CopyFileAtomically(const QString& source, const QString& target);
// Copies `source` to a new file `target` that reaches the disk; never replaces a file that
// exists at `target` (EEXIST).
OsError CopyToNewFile(const QString& source, const QString& target);

// Test seam: called before every flush of a file (folder empty) or of a folder (its path); an
// answer other than 0 fails that flush with it. An empty function removes the seam.
void InjectSyncHook(std::function<OsError(const QString& folder)> hook);

// Test seam: makes the next atomic writes fail at the chosen step.
enum class WriteFault { None, Create, Write, Flush, Rename };
void InjectWriteFault(WriteFault fault);

OsError RemoveFile(const QString& path);
// Renames; with replace false an existing target is kept and EEXIST answered.
OsError RenamePath(const QString& from, const QString& to, bool replace = true);
// The folder's entries (a rename or a new file in it) reach the disk.
OsError SyncFolder(const QString& folder);
// One folder level with the permission bits given (the umask still applies).
OsError MakeFolder(const QString& path, unsigned mode = 0777);
// A second name `to` for the file at `from`, which must be on the same file system (EXDEV
// otherwise). A link at `from` is not followed: the new name is for what `from` itself is. An
// existing `to` is kept (EEXIST).
OsError MakeHardLink(const QString& from, const QString& to);
// Removes a folder only when it is empty (ENOTEMPTY otherwise); a link to a folder is not
// removed (ENOTDIR), nor what it points at.
OsError RemoveEmptyFolder(const QString& path);
// The folder part of a path, with its trailing "/" ("./" when there is none).
QString FolderOfPath(const QString& path);

// Creates a new empty file in `folder` named prefix + six random letters + suffix, with the
// permission bits given; answers its name and the open file.
OsError CreateUniqueFile(const QString& folder, const QString& prefix, const QString& suffix, unsigned mode,
                         OsFile& file, QString& name);
