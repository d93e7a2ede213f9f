#pragma once
// What a run knows of an archive it wrote: a digest of the whole file, taken when the archive was
// known to be whole (read back after writing, or tested in full), the start of the run whose
// dated folder holds it and how it was packed. A later run confirms with the digest, without
// decoding anything, that the archive is still the file that was checked before it links to it
// or takes data over from it. The record is a small hidden file beside the archive, so it goes
// along when the whole destination folder is moved or copied, and retention removes it with its
// archive. A record that is missing or unreadable only means "not known": the archive is then
// tested in full before anything is built on it.

#include "platform/Files.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

struct ArchiveRecord {
    QByteArray Digest;    // XXH3-128 of the whole archive file, 32 hexadecimal digits
    uint64_t Size = 0;    // bytes of the archive file
    QDateTime RunStart;   // the start of the run the archive belongs to (UTC, whole seconds)
    QString Packing;      // how the archive's blocks were packed (PackingText); empty when unknown

    bool operator==(const ArchiveRecord&) const = default;
};

// The record's file for an archive: ".NAME.7z.sum" in the archive's folder.
QString RecordPathOf(const QString& archive);
// The record of an archive; none when the file is missing, no plain file or not readable as one.
std::optional<ArchiveRecord> ReadRecord(const QString& archive);
// Writes the record beside the archive, replacing an older one in one step (never through a link).
OsError WriteRecord(const QString& archive, const ArchiveRecord& record);
// Removes the record of an archive (nothing when there is none).
void RemoveRecord(const QString& archive);

// The XXH3-128 digest of a whole file in hexadecimal, and its size.
OsError FileDigest(const QString& path, QByteArray& digest, uint64_t& size);
// The file at path is the archive the record describes: same size and digest.
bool MatchesRecord(const QString& path, const ArchiveRecord& record);
