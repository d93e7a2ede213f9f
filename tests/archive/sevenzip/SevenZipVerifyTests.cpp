// SevenZipPacker with VerifyAfterWrite: the archive is read back from the disk and tested before it
// gets its name. Bytes are spoiled on their way to the file (the writer's seam) or on the disk
// between the flush and the test; every archive that gets its name is checked with `7z t`.

#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/StreamWriter.h"
#include "SevenZipTestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace SevenZipTest;

namespace {

class SevenZipVerify : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        Zip = MakeWindowPacker();
        Zip->VerifyAfterWrite = true;
        Out = Root + QStringLiteral("out/");
        QDir().mkpath(Out);
        Source = Root + QStringLiteral("Źródło żółwia");
        WriteFile(Source + QStringLiteral("/łąka.txt"), QByteArray("zażółć gęślą jaźń\n").repeated(2000));
        WriteFile(Source + QStringLiteral("/szum.bin"), Noise(300 * 1024, 7));
        WriteFile(Source + QStringLiteral("/pusty"), QByteArray());
        QDir().mkpath(Source + QStringLiteral("/pusty folder"));
        Archive = Out + QStringLiteral("Kopia ćmy.7z");
    }

    int32_t Pack()
    {
        Zip->SZFileName = Archive;
        Zip->AddRootDir = Root;
        Zip->Files.Clear();
        Zip->Files.Add(Source + QStringLiteral("/*.*"));
        return Zip->Add();
    }

    // Nothing but the archives the test expects: no temporary file stays behind.
    QStringList OutContent() const { return FolderContent(Out); }

    bool HasVerifyProblem(const QString& path = QString()) const
    {
        for (const PackProblem& p : Zip->Problems)
            if (p.What == PackProblem::VerifyFailed && p.Path == (path.isEmpty() ? Archive : path))
                return true;
        return false;
    }

    QTemporaryDir Tmp;
    QString Root, Out, Source, Archive;
    std::unique_ptr<SevenZipPacker> Zip;
};

TEST_F(SevenZipVerify, AWholeArchiveIsTestedAsASecondPassAndNamed)
{
    std::vector<int64_t> maxima, verifyTotals;
    std::vector<std::pair<bool, int64_t>> positions;  // (in the check, position)
    Zip->OnPreProgress = [&](SevenZipPacker*, int64_t max) { maxima.push_back(max); };
    Zip->OnVerifyBegin = [&](SevenZipPacker*, int64_t total) { verifyTotals.push_back(total); };
    Zip->OnProgress = [&](SevenZipPacker*, const QString&, int64_t arc, int64_t) {
        positions.emplace_back(!verifyTotals.empty(), arc);
    };

    ASSERT_EQ(Pack(), 0);
    EXPECT_TRUE(Zip->Problems.empty());
    EXPECT_TRUE(Zip->LastVerify.Ok());
    EXPECT_EQ(Zip->LastVerify.ItemResults.size(), 5u);  // the folder, its empty subfolder and three files
    EXPECT_EQ(OutContent(), QStringList{QStringLiteral("Kopia ćmy.7z")});
    EXPECT_TRUE(ArchiveTests(Archive));

    // Packing, then the check over the same bytes: one maximum for the bar, the same total.
    ASSERT_EQ(maxima.size(), 1u);
    ASSERT_EQ(verifyTotals.size(), 1u);
    EXPECT_EQ(verifyTotals[0], maxima[0]);
    int64_t last = -1;
    bool secondPass = false;
    for (const auto& [checking, arc] : positions) {
        if (!checking)
            continue;
        secondPass = true;
        EXPECT_GE(arc, last);
        EXPECT_LE(arc, maxima[0]);
        last = arc;
    }
    EXPECT_TRUE(secondPass);
    EXPECT_EQ(last, maxima[0]);
}

TEST_F(SevenZipVerify, ASpoiledByteIsCaughtAndTheOlderArchiveStays)
{
    // The size of the archive these sources give, to spoil its last bytes (the headers).
    Zip->VerifyAfterWrite = false;
    ASSERT_EQ(Pack(), 0);
    const qint64 size = QFileInfo(Archive).size();
    ASSERT_GT(size, 64);
    const QByteArray older = QByteArray("an older archive of this name");
    QFile::remove(Archive);

    struct Case {
        const char* Where;
        int64_t Offset;
    };
    const Case cases[] = {
        {"signature", 0},
        {"start header", 20},
        {"first packed byte", 32},
        {"packed data", 32 + 1000},
        {"end headers", size - 10},
        {"last byte", size - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Where);
        WriteFile(Archive, older);
        Zip->VerifyAfterWrite = true;
        Zip->SpoilWrittenByte = c.Offset;
        EXPECT_NE(Pack(), 0);
        EXPECT_TRUE(HasVerifyProblem());
        EXPECT_FALSE(Zip->LastVerify.Ok());
        EXPECT_TRUE(Zip->VolumeNames.isEmpty());
        EXPECT_EQ(ReadFile(Archive), older);
        EXPECT_EQ(OutContent(), QStringList{QStringLiteral("Kopia ćmy.7z")});
    }
    // The seam spoils one add only.
    ASSERT_EQ(Pack(), 0);
    EXPECT_TRUE(ArchiveTests(Archive));
}

TEST_F(SevenZipVerify, ADamagedBlockEndAfterWholeItemsIsCaught)
{
    // One small item: its bytes decode whole and match their checksum even with the size in the
    // block's first header spoiled; only the block's end shows the damage.
    const QString one = Root + QStringLiteral("jeden.txt");
    WriteFile(one, QByteArray("notatka\n").repeated(1000));
    Zip->SZFileName = Archive;
    Zip->AddRootDir = Root;
    Zip->Files.Clear();
    Zip->Files.Add(one);
    Zip->SpoilWrittenByte = 34;
    EXPECT_NE(Zip->Add(), 0);
    EXPECT_TRUE(HasVerifyProblem());
    EXPECT_EQ(Zip->LastVerify.Status, ArchiveStatus::Damaged);
    EXPECT_TRUE(OutContent().isEmpty());

    // The same archive without the check: `7z t` finds it damaged too.
    Zip->VerifyAfterWrite = false;
    Zip->SpoilWrittenByte = 34;
    ASSERT_EQ(Zip->Add(), 0);
    EXPECT_FALSE(ArchiveTests(Archive));
}

TEST_F(SevenZipVerify, WithoutTheCheckASpoiledArchiveGetsItsName)
{
    // What the check is for: the same fault passes unseen without it, and only `7z t` finds it.
    Zip->VerifyAfterWrite = false;
    Zip->SpoilWrittenByte = 32 + 1000;
    ASSERT_EQ(Pack(), 0);
    EXPECT_EQ(Zip->LastVerify.Status, ArchiveStatus::NotOpen);
    EXPECT_FALSE(ArchiveTests(Archive));
}

TEST_F(SevenZipVerify, TheTestReadsTheFileOnTheDiskNotWhatWasWritten)
{
    // A byte changed on the disk after the flush, before the test begins (as the check
    // begins), stands for a disk that does not keep what it was given.
    int checks = 0;
    Zip->OnVerifyBegin = [&](SevenZipPacker*, int64_t) {
        ++checks;
        QStringList temps;
        for (const QString& name : FolderContent(Out))
            if (IsTemporaryFileName(name))
                temps.append(Out + name);
        ASSERT_EQ(temps.size(), 1);
        QFile f(temps.front());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(32 + 500));
        char byte = 0;
        ASSERT_TRUE(f.getChar(&byte));
        ASSERT_TRUE(f.seek(32 + 500));
        ASSERT_TRUE(f.putChar(char(byte ^ 0x55)));
    };
    EXPECT_NE(Pack(), 0);
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(HasVerifyProblem());
    EXPECT_TRUE(OutContent().isEmpty());
}

TEST_F(SevenZipVerify, CancelDuringTheTestEndsTheAddAsDuringPacking)
{
    WriteFile(Source + QStringLiteral("/duży.bin"), Noise(4 * 1024 * 1024, 3));
    const QByteArray older = QByteArray("older");
    WriteFile(Archive, older);
    bool checking = false;
    std::vector<int32_t> messages;
    Zip->OnVerifyBegin = [&](SevenZipPacker*, int64_t) { checking = true; };
    Zip->OnProgress = [&](SevenZipPacker* sender, const QString&, int64_t, int64_t) {
        if (checking)
            sender->CancelRequested = true;
    };
    Zip->OnMessage = [&](SevenZipPacker*, int32_t code, const QString&, const QString&) { messages.push_back(code); };
    EXPECT_EQ(Pack(), SevenZipAbi::E_ABORT);
    EXPECT_TRUE(checking);
    EXPECT_EQ(Zip->ErrCode, 6);
    EXPECT_EQ(messages, std::vector<int32_t>{6});
    EXPECT_FALSE(HasVerifyProblem());  // stopped, not found damaged
    EXPECT_FALSE(Zip->CancelRequested.load());
    EXPECT_EQ(ReadFile(Archive), older);
    EXPECT_EQ(OutContent(), QStringList{QStringLiteral("Kopia ćmy.7z")});
}

}  // namespace
