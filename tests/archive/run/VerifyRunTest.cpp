// The run reads every archive back before it reports it archived: a byte spoiled on its way to
// the disk fails that entry (its own log line, exit status 1, no archive under its name) and
// the run goes on with the next entry.

#include "RunFakes.h"
#include "archive/run/RunPaths.h"
#include "archive/run/Startup.h"
#include "archive/sevenzip/StreamWriter.h"

#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new CoreApplicationEnvironment);

class VerifyRunTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        docel = MakeFolder(QStringLiteral("kopie"));
        first = MakeFolder(QStringLiteral("źródło"));
        MakeFile(QStringLiteral("źródło/list.txt"), QByteArray("Szanowni Państwo,\n").repeated(3000));
        MakeFile(QStringLiteral("źródło/pusty"), QByteArray());
        second = MakeFile(QStringLiteral("notatki.txt"), QByteArray("notatki\n").repeated(500));
    }

    static QByteArray ReadFileBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

    QString docel, first, second;
};

TEST_F(VerifyRunTest, TheRunTurnsTheCheckOn)
{
    SevenZipPacker packer;
    EXPECT_FALSE(packer.VerifyAfterWrite);
    ConfigurePacker(packer);
    EXPECT_TRUE(packer.VerifyAfterWrite);
}

TEST_F(VerifyRunTest, ASpoiledArchiveFailsItsEntryAndTheNextIsArchived)
{
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("Listy"), first, docel);
    AddListEntry(QStringLiteral("Plik"), QStringLiteral("Notatki"), second, docel);
    // An older archive under the first entry's name, from a run in the same minute.
    const QString dated = docel + QStringLiteral("/Arch_") + TimeStampText();
    const QString older = dated + QStringLiteral("/Listy.7z");
    MakeFile(QStringLiteral("kopie/Arch_") + TimeStampText() + QStringLiteral("/Listy.7z"), "older");

    packer->SpoilWrittenByte = 32 + 8;  // inside the first archive's packed data
    ArchiveAll();

    ASSERT_EQ(FolderName(), QStringLiteral("Arch_") + TimeStampText());  // no minute turned meanwhile
    // The failure, the reason the read-back gave for it under the archive's name, the next entry.
    const QStringList lines = QString::fromUtf8(LogBytes()).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("Sprawdzenie archiwum Listy nie powiodło się"));
    EXPECT_TRUE(lines[3].startsWith(QLatin1Char('\t') + older + QStringLiteral(": "))) << lines[3].toStdString();
    // The damaged item by its path, not by its place in the archive.
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("źródło/list.txt"))) << lines[3].toStdString();
    EXPECT_EQ(lines[4], QStringLiteral("Zarchiwizowano Notatki"));
    EXPECT_TRUE(result.ErrorsOccurred());
    EXPECT_EQ(ReadFileBytes(older), QByteArray("older"));
    EXPECT_TRUE(SevenZipTestPasses(dated + QStringLiteral("/Notatki.7z")));
    // Nothing else is left in the dated folder: no temporary file of the spoiled archive, and a
    // record (its digest) only for the archive that was read back whole.
    EXPECT_EQ(QDir(dated).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral(".Notatki.7z.sum"), QStringLiteral("Listy.7z"), QStringLiteral("Notatki.7z")}));
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, QStringLiteral("Wystąpiły błędy podczas archiwizacji.\rZobacz log."));
}

TEST_F(VerifyRunTest, TheCheckIsASecondPassOnTheByteBar)
{
    AddListEntry(QStringLiteral("Folder"), QStringLiteral("Listy"), first, docel);
    ArchiveAll();
    EXPECT_EQ(LogBytes(), ExpectedLog({QStringLiteral("Zarchiwizowano Listy")}));
    // The bar is set up once for the entry; it fills while packing, goes back and fills again
    // while the archive is read back, and ends full.
    const QStringList maxima = window.Only(QStringLiteral("Progress.Max="));
    ASSERT_EQ(maxima.size(), 1);
    const int max = maxima[0].section(QLatin1Char('='), 1).toInt();
    std::vector<int> positions;
    for (const QString& e : window.Only(QStringLiteral("Progress.Position=")))
        positions.push_back(e.section(QLatin1Char('='), 1).toInt());
    ASSERT_FALSE(positions.empty());
    int passes = 1;
    for (size_t k = 1; k < positions.size(); ++k)
        if (positions[k] < positions[k - 1])
            ++passes;
    EXPECT_EQ(passes, 2);
    EXPECT_EQ(positions.back(), max);
    EXPECT_NE(std::find(positions.begin(), positions.end(), max), positions.end() - 1);  // full after packing too
}

TEST_F(VerifyRunTest, TheUnattendedRunWithoutADisplayEndsWithStatusOne)
{
    ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"),
                               {{QStringLiteral("Folder"), QStringLiteral("Listy"), first, docel},
                                {QStringLiteral("Plik"), QStringLiteral("Notatki"), second, docel}}));
    packer->SpoilWrittenByte = 0;  // the signature itself
    const int status = RunHeadlessWith({QStringLiteral("skrytkar"), QStringLiteral("/All")}, *packer);
    EXPECT_EQ(status, ExitEntriesFailed);
    const QString log = QString::fromUtf8(LogBytes());
    // The signature itself spoiled: the read-back finds no archive there.
    EXPECT_TRUE(log.contains(QStringLiteral("\r\nSprawdzenie archiwum Listy nie powiodło się\r\n\t")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Listy.7z: to nie jest archiwum 7z\r\nZarchiwizowano Notatki\r\n")))
        << log.toStdString();
    const QStringList archives = AllArchives();
    ASSERT_EQ(archives.size(), 1);
    EXPECT_TRUE(archives.front().endsWith(QStringLiteral("/Notatki.7z")));
    EXPECT_TRUE(SevenZipTestPasses(archives.front()));
}

}  // namespace
