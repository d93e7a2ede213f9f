// The records kept beside archives: written and read back, refused when damaged, never written
// through a link, and matched only by the file they describe.

#include "archive/run/ArchiveRecord.h"
#include "RunTestSupport.h"

#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

class Records : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        archive = MakeFile(QStringLiteral("Arch_20260101_1200/Dane.7z"), QByteArray("7z archive bytes ").repeated(100000));
    }
    ArchiveRecord RecordOfTheArchive() const
    {
        ArchiveRecord record;
        EXPECT_EQ(FileDigest(archive, record.Digest, record.Size), NoError);
        record.RunStart = QDateTime(QDate(2026, 1, 1), QTime(11, 0, 5), Qt::UTC);
        record.Packing = QStringLiteral("lzma poziom 1 slowo 0 blok 64m");
        return record;
    }
    QString archive;
};

TEST_F(Records, AreReadBackAsWrittenBesideTheArchiveAndMatchOnlyTheirFile)
{
    const ArchiveRecord record = RecordOfTheArchive();
    EXPECT_EQ(record.Size, 1700000u);
    EXPECT_EQ(record.Digest.size(), 32);
    ASSERT_EQ(WriteRecord(archive, record), NoError);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("Arch_20260101_1200/.Dane.7z.sum"))));
    EXPECT_EQ(ReadRecord(archive), record);
    EXPECT_TRUE(MatchesRecord(archive, record));

    // One byte changed, or one byte more: not the file that was checked.
    QByteArray bytes = QByteArray("7z archive bytes ").repeated(100000);
    bytes[123456] = 'X';
    MakeFile(QStringLiteral("Arch_20260101_1200/Dane.7z"), bytes);
    EXPECT_FALSE(MatchesRecord(archive, record));
    MakeFile(QStringLiteral("Arch_20260101_1200/Dane.7z"), QByteArray("7z archive bytes ").repeated(100000) + "!");
    EXPECT_FALSE(MatchesRecord(archive, record));

    RemoveRecord(archive);
    EXPECT_FALSE(ReadRecord(archive).has_value());
}

TEST_F(Records, ThatAreDamagedOrStrangeCountAsNone)
{
    const QString path = Path(QStringLiteral("Arch_20260101_1200/.Dane.7z.sum"));
    const QByteArray good = "xxh3-128=0123456789abcdef0123456789abcdef\nrozmiar=17\nstart=2026-01-01T11:00:05Z\npakowanie=x\n";
    const struct {
        const char* what;
        QByteArray text;
    } cases[] = {
        {"empty", QByteArray()},
        {"short digest", QByteArray(good).replace("0123456789abcdef\n", "0123\n")},
        {"digest not hexadecimal", QByteArray(good).replace("0123456789abcdef0123456789abcdef", "0123456789abcdef0123456789abcdeg")},
        {"no size", QByteArray(good).replace("rozmiar=17\n", "")},
        {"size not a number", QByteArray(good).replace("rozmiar=17", "rozmiar=dużo")},
        {"no start", QByteArray(good).replace("start=2026-01-01T11:00:05Z\n", "")},
        {"far too long", good + QByteArray(5000, '#')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeFile(QStringLiteral("Arch_20260101_1200/.Dane.7z.sum"), c.text);
        EXPECT_FALSE(ReadRecord(archive).has_value());
    }
    MakeFile(QStringLiteral("Arch_20260101_1200/.Dane.7z.sum"), good);
    EXPECT_TRUE(ReadRecord(archive).has_value());
    QFile::remove(path);
    // A folder or a link under the name is no record, is not written through, and stays.
    const QString elsewhere = MakeFile(QStringLiteral("gdzie-indziej.txt"), "cudzy plik");
    ASSERT_TRUE(QFile::link(elsewhere, path));
    EXPECT_FALSE(ReadRecord(archive).has_value());
    EXPECT_NE(WriteRecord(archive, RecordOfTheArchive()), NoError);
    RemoveRecord(archive);
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    QFile f(elsewhere);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("cudzy plik"));
}

}  // namespace
