#pragma once
// Helpers of the archive-reading tests: trees described byte for byte (names that are not
// UTF-8, links, permission bits and times included) so a restored tree can be compared with its
// source, and a way to meet the permission checks of the system even when the tests run as root.

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ReaderTest {

inline uint32_t Crc32(const QByteArray& data)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (const char b : data)
        crc = table[(crc ^ static_cast<uint8_t>(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// One thing in a tree, as lstat and readlink see it.
struct Entry {
    char Type = '?';  // 'f' file, 'd' folder, 'l' link
    int64_t Size = 0;
    unsigned Mode = 0;  // permission bits
    int64_t ModifiedNs = 0;
    QByteArray Data;  // a file's bytes (small files only) or a link's target
    int64_t Blocks = 0;  // 512-byte blocks on the disk
    bool operator==(const Entry& o) const
    {
        return Type == o.Type && Size == o.Size && Mode == o.Mode && ModifiedNs == o.ModifiedNs && Data == o.Data;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Entry& e)
{
    return out << e.Type << " size " << e.Size << " mode " << std::oct << e.Mode << std::dec << " mtime "
               << e.ModifiedNs << " data " << e.Data.left(40).toHex().toStdString();
}

// Relative path (bytes) -> entry, for everything under root (root itself not included).
using Tree = std::map<std::string, Entry>;

inline void Walk(const std::string& root, const std::string& relative, Tree& tree, bool withData)
{
    const std::string folder = relative.empty() ? root : root + "/" + relative;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        const std::string full = root + "/" + rel;
        struct stat st;
        if (::lstat(full.c_str(), &st) != 0)
            continue;
        Entry e;
        e.Mode = st.st_mode & 07777;
        e.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        e.Blocks = st.st_blocks;
        if (S_ISDIR(st.st_mode)) {
            e.Type = 'd';
            Walk(root, rel, tree, withData);
        } else if (S_ISLNK(st.st_mode)) {
            e.Type = 'l';
            char buffer[4096];
            const ssize_t n = ::readlink(full.c_str(), buffer, sizeof buffer);
            e.Data = QByteArray(buffer, n > 0 ? n : 0);
            e.Size = e.Data.size();
            e.Mode = 0;  // links have no permissions of their own
        } else {
            e.Type = 'f';
            e.Size = st.st_size;
            if (withData && st.st_size <= (16 << 20)) {
                const int fd = ::open(full.c_str(), O_RDONLY);
                QByteArray bytes(st.st_size, '\0');
                ssize_t done = 0;
                while (fd >= 0 && done < st.st_size) {
                    const ssize_t n = ::read(fd, bytes.data() + done, st.st_size - done);
                    if (n <= 0)
                        break;
                    done += n;
                }
                if (fd >= 0)
                    ::close(fd);
                e.Data = bytes;
            }
        }
        tree[rel] = e;
    }
    ::closedir(dir);
}

inline Tree Snapshot(const QByteArray& root, bool withData = true)
{
    Tree tree;
    Walk(root.toStdString(), std::string(), tree, withData);
    return tree;
}

inline ::testing::AssertionResult SameTrees(const Tree& expected, const Tree& actual)
{
    std::string differences;
    for (const auto& [path, e] : expected) {
        const auto it = actual.find(path);
        if (it == actual.end())
            differences += "missing: " + path + "\n";
        else if (!(it->second == e)) {
            std::ostringstream s;
            s << "differs: " << path << "\n  expected " << e << "\n  actual   " << it->second << "\n";
            differences += s.str();
        }
    }
    for (const auto& [path, e] : actual)
        if (!expected.count(path))
            differences += "unexpected: " + path + "\n";
    if (differences.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences;
}

// Writes bytes to a path given as bytes (so names that are not UTF-8 can be made).
inline void PutFile(const QByteArray& path, const QByteArray& data, unsigned mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, data.constData(), data.size()), data.size());
    ::close(fd);
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

inline void PutFolder(const QByteArray& path, unsigned mode = 0755)
{
    ASSERT_EQ(::mkdir(path.constData(), 0700), 0) << path.toStdString();
    ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

inline void PutLink(const QByteArray& target, const QByteArray& path)
{
    ASSERT_EQ(::symlink(target.constData(), path.constData()), 0) << path.toStdString();
}

// Sets the last write time (and access time) of a path, a link itself rather than its target.
inline void PutTime(const QByteArray& path, int64_t seconds, long nanoseconds = 0)
{
    timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.toStdString();
}

// While it lives, this thread and the threads it starts meet the permission bits of files and
// folders even as root (the override capabilities are out of the effective set), so a folder
// without write permission refuses new files as it would for any user.
class NoPermissionOverride {
public:
    NoPermissionOverride()
    {
        if (Get(saved_)) {
            __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
            const uint32_t drop = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
            reduced[0].effective &= ~drop;
            Active = Set(reduced);
        }
    }
    ~NoPermissionOverride()
    {
        if (Active)
            Set(saved_);
    }
    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;
    bool Active = false;

private:
    static bool Get(__user_cap_data_struct* data)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capget, &header, data) == 0;
    }
    static bool Set(__user_cap_data_struct* data)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capset, &header, data) == 0;
    }
    __user_cap_data_struct saved_[2]{};
};

}  // namespace ReaderTest
