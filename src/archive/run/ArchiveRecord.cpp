#include "archive/run/ArchiveRecord.h"

#include "platform/FileSystem.h"

#include <xxhash.h>

#include <QList>

#include <cerrno>
#include <memory>

namespace {

// Small by nature; anything larger is no record of ours.
constexpr int64_t LargestRecord = 4096;

const QByteArray DigestKey = "xxh3-128";
const QByteArray SizeKey = "rozmiar";
const QByteArray StartKey = "start";
const QByteArray PackingKey = "pakowanie";

bool IsDigestText(const QByteArray& text)
{
    if (text.size() != 32)
        return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

}  // namespace

QString RecordPathOf(const QString& archive)
{
    const qsizetype slash = archive.lastIndexOf(FileSystem::Separator);
    return archive.left(slash + 1) + QLatin1Char('.') + archive.mid(slash + 1) + QStringLiteral(".sum");
}

std::optional<ArchiveRecord> ReadRecord(const QString& archive)
{
    OsFile file;
    if (OsFile::OpenFileForReading(RecordPathOf(archive), file, false) != NoError)
        return std::nullopt;
    int64_t size = 0;
    if (file.Size(size) != NoError || size <= 0 || size > LargestRecord)
        return std::nullopt;
    QByteArray text(static_cast<qsizetype>(size), '\0');
    size_t done = 0;
    if (file.ReadFullyAt(text.data(), text.size(), 0, done) != NoError || done != static_cast<size_t>(size))
        return std::nullopt;

    ArchiveRecord record;
    bool haveSize = false;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        if (key == DigestKey && IsDigestText(value)) {
            record.Digest = value;
        } else if (key == SizeKey) {
            record.Size = value.toULongLong(&haveSize);
        } else if (key == StartKey) {
            record.RunStart = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
        } else if (key == PackingKey) {
            record.Packing = QString::fromUtf8(value);
        }
    }
    if (record.Digest.isEmpty() || !haveSize || !record.RunStart.isValid())
        return std::nullopt;
    record.RunStart = record.RunStart.toUTC();
    return record;
}

OsError WriteRecord(const QString& archive, const ArchiveRecord& record)
{
    const QString path = RecordPathOf(archive);
    // Whatever lies under the name and is no plain file (a link above all) is not written through.
    FileSystem::FileInfo info;
    const OsError lookup = FileSystem::LookupEntry(path, info, false);
    if (lookup == NoError && info.Kind != FileSystem::EntryKind::File)
        return EEXIST;
    QByteArray text;
    text += DigestKey + '=' + record.Digest + '\n';
    text += SizeKey + '=' + QByteArray::number(static_cast<qulonglong>(record.Size)) + '\n';
    text += StartKey + '=' + record.RunStart.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    text += PackingKey + '=' + record.Packing.toUtf8() + '\n';
    return WriteFileAtomically(path, text);
}

void RemoveRecord(const QString& archive)
{
    const QString path = RecordPathOf(archive);
    FileSystem::FileInfo info;
    if (FileSystem::LookupEntry(path, info, false) == NoError && info.Kind == FileSystem::EntryKind::File)
        RemoveFile(path);
}

OsError FileDigest(const QString& path, QByteArray& digest, uint64_t& size)
{
    digest.clear();
    size = 0;
    OsFile file;
    if (const OsError error = OsFile::OpenFileForReading(path, file, false))
        return error;
    std::unique_ptr<XXH3_state_t, decltype(&XXH3_freeState)> state(XXH3_createState(), &XXH3_freeState);
    if (!state || XXH3_128bits_reset(state.get()) != XXH_OK)
        return ENOMEM;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (int64_t offset = 0;;) {
        size_t n = 0;
        if (const OsError error = file.ReadAt(chunk.data(), static_cast<size_t>(chunk.size()), offset, n))
            return error;
        if (n == 0)
            break;
        XXH3_128bits_update(state.get(), chunk.constData(), n);
        offset += static_cast<int64_t>(n);
        size += n;
    }
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state.get()));
    digest = QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical.digest).toHex();
    return NoError;
}

bool MatchesRecord(const QString& path, const ArchiveRecord& record)
{
    QByteArray digest;
    uint64_t size = 0;
    return FileDigest(path, digest, size) == NoError && size == record.Size && digest == record.Digest;
}
