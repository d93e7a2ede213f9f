// The reusable part of restoring (as a window uses it): the overwrite decision, the choice of
// an entry's archive and the Polish reasons for an archive that is not whole.

#include "RunTestSupport.h"
#include "archive/run/RestoreEntry.h"
#include "archive/run/VerifyCommand.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/Messages.h"

#include <QDir>

#include <cerrno>
#include <vector>

namespace {

class RestoreEntryTest : public ::testing::Test, protected TempTree {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        docel = MakeFolder(QStringLiteral("kopie"));
        source = MakeFolder(QStringLiteral("Dokumenty"));
        MakeFile(QStringLiteral("Dokumenty/a.txt"), "nowe a");
        MakeFile(QStringLiteral("Dokumenty/b.txt"), "nowe b");
        MakeFile(QStringLiteral("Dokumenty/c.txt"), "nowe c");
        // Two runs: the older one in an earlier dated folder.
        Pack(QStringLiteral("Arch_20240305_0907"));
        Pack(QStringLiteral("Arch_20250101_1200"));
        entry = {QStringLiteral("Folder"), QStringLiteral("Dokumenty"), source, docel};
    }

    void Pack(const QString& dated)
    {
        QDir().mkpath(docel + QLatin1Char('/') + dated);
        zip.SZFileName = docel + QLatin1Char('/') + dated + QStringLiteral("/Dokumenty.7z");
        zip.AddRootDir = root.path() + QLatin1Char('/');
        zip.AddOptions = AddSolid;
        zip.Files.Clear();
        zip.Files.Add(source + QStringLiteral("/*.*"));
        ASSERT_EQ(zip.Add(), 0);
    }

    static QByteArray Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }

    SevenZipPacker zip;
    QString docel, source;
    Entry entry;
};

TEST_F(RestoreEntryTest, TheNewestOrTheNamedArchiveOfAnEntry)
{
    const EntryVector entries = {{QStringLiteral("Plik"), QStringLiteral("Inny"), QString(), docel}, entry};
    ASSERT_TRUE(FindEntryByName(entries, QStringLiteral("Dokumenty")));
    EXPECT_EQ(FindEntryByName(entries, QStringLiteral("Dokumenty"))->Source, source);
    // Another letter case finds the one entry it can mean, and none when it can mean two.
    EXPECT_EQ(FindEntryByName(entries, QStringLiteral("dokumenty"))->Nazwa, QStringLiteral("Dokumenty"));
    EXPECT_FALSE(FindEntryByName(entries, QStringLiteral("dokument")));
    const EntryVector twins = {entry, {QStringLiteral("Plik"), QStringLiteral("DOKUMENTY"), QString(), docel}};
    EXPECT_FALSE(FindEntryByName(twins, QStringLiteral("dokumenty")));
    EXPECT_EQ(FindEntryByName(twins, QStringLiteral("DOKUMENTY"))->Typ, QStringLiteral("Plik"));

    EXPECT_EQ(ChooseEntryArchive(entry)->FolderName, QStringLiteral("Arch_20250101_1200"));
    EXPECT_EQ(ChooseEntryArchive(entry, QStringLiteral("Arch_20240305_0907"))->Path,
              docel + QStringLiteral("/Arch_20240305_0907/Dokumenty.7z"));
    EXPECT_FALSE(ChooseEntryArchive(entry, QStringLiteral("Arch_20240305_0908")));
}

TEST_F(RestoreEntryTest, EachExistingFileIsDecidedByTheCaller)
{
    const QString out = MakeFolder(QStringLiteral("cel"));
    MakeFile(QStringLiteral("cel/Dokumenty/a.txt"), "stare a");
    MakeFile(QStringLiteral("cel/Dokumenty/b.txt"), "stare b");
    MakeFile(QStringLiteral("cel/Dokumenty/c.txt"), "stare c");

    std::vector<QString> asked;
    std::vector<ExtractProblem::Kind> reported;
    RestoreRequest request;
    request.ArchivePath = ChooseEntryArchive(entry)->Path;
    request.Folder = out;
    // a replaced, b and c kept.
    request.Decide = [&](const ArchiveItem& item, const ExistingFile& existing) {
        asked.push_back(item.Path);
        EXPECT_EQ(existing.Size, 7);
        return item.Path.endsWith(QStringLiteral("a.txt")) ? OverwriteAnswer::Replace : OverwriteAnswer::Skip;
    };
    request.OnProblem = [&](const ExtractProblem& p) { reported.push_back(p.What); };
    const RestoreReport report = RestoreArchive(zip, request);

    EXPECT_FALSE(report.Complete());
    EXPECT_FALSE(report.Result.Cancelled());
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(Read(out + QStringLiteral("/Dokumenty/a.txt")), QByteArray("nowe a"));
    EXPECT_EQ(Read(out + QStringLiteral("/Dokumenty/b.txt")), QByteArray("stare b"));
    EXPECT_EQ(Read(out + QStringLiteral("/Dokumenty/c.txt")), QByteArray("stare c"));
    EXPECT_EQ(reported, (std::vector<ExtractProblem::Kind>{ExtractProblem::Skipped, ExtractProblem::Skipped}));
    ASSERT_EQ(report.Result.Problems.size(), 2u);
    QStringList lines;
    for (const ExtractProblem& p : report.Result.Problems)
        lines.append(RestoreProblemLine(p));
    lines.sort();
    EXPECT_EQ(lines, (QStringList{QStringLiteral("pominięto, plik już istnieje: Dokumenty/b.txt"),
                                  QStringLiteral("pominięto, plik już istnieje: Dokumenty/c.txt")}));
}

TEST_F(RestoreEntryTest, AnArchiveThatCannotBeOpenedRestoresNothing)
{
    const QString bad = MakeFile(QStringLiteral("zły.7z"), "7z? nie");
    RestoreRequest request;
    request.ArchivePath = bad;
    request.Folder = Path(QStringLiteral("nic"));
    const RestoreReport report = RestoreArchive(zip, request);
    EXPECT_EQ(report.Listing.Status, ArchiveStatus::NotArchive);
    EXPECT_FALSE(report.Complete());
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("nic"))));
    EXPECT_EQ(VerifyArchiveFile(zip, bad), QStringLiteral("to nie jest archiwum 7z"));
    EXPECT_EQ(VerifyArchiveFile(zip, Path(QStringLiteral("brak.7z"))),
              QStringLiteral("nie można odczytać: ") + Msg::SystemReason(ENOENT));
    EXPECT_EQ(VerifyArchiveFile(zip, ChooseEntryArchive(entry)->Path), QString());
}

TEST(ArchiveFaultReason, TheMostTellingReasonFirst)
{
    ArchiveListing listing;
    listing.Items.resize(2);
    listing.Items[0].Path = QStringLiteral("a/ząb.txt");
    listing.Items[1].Path = QStringLiteral("a/b.txt");
    struct Case {
        ArchiveStatus Status;
        uint32_t Flags;
        std::vector<int32_t> Items;
        int32_t LibraryResult;
        const char* Reason;
    };
    const Case cases[] = {
        {ArchiveStatus::Ok, 0, {ItemOk, ItemOk}, 0, ""},
        {ArchiveStatus::NotArchive, 0, {}, 0, "to nie jest archiwum 7z"},
        {ArchiveStatus::Damaged, ArchiveUnexpectedEnd, {ItemOk, ItemDataError}, 0, "archiwum jest ucięte"},
        {ArchiveStatus::Damaged, ArchiveHeadersError, {}, 0, "uszkodzone nagłówki archiwum"},
        {ArchiveStatus::Damaged, 0, {ItemCrcError, ItemOk}, 0, "błąd sumy kontrolnej pliku a/ząb.txt"},
        {ArchiveStatus::Damaged, 0, {ItemOk, ItemDataError}, 0, "błąd danych pliku a/b.txt"},
        {ArchiveStatus::Damaged, ArchiveDataAfterEnd, {ItemOk, ItemOk}, 0, "obce dane za końcem archiwum"},
        {ArchiveStatus::Damaged, 0, {ItemOk, ItemOk}, 0, "archiwum jest uszkodzone"},
        {ArchiveStatus::Unsupported, 0, {}, 0, "nieznana metoda kompresji"},
        {ArchiveStatus::WrongPassword, 0, {}, 0, "archiwum jest zaszyfrowane"},
        {ArchiveStatus::Failed, 0, {}, int32_t(0x8007000Eu), "błąd biblioteki 7-Zip (kod 0x8007000e)"},
    };
    for (const Case& c : cases) {
        ArchiveTestResult test;
        test.Status = c.Status;
        test.ErrorFlags = c.Flags;
        test.ItemResults = c.Items;
        test.LibraryResult = c.LibraryResult;
        EXPECT_EQ(ArchiveFaultReason(listing, test), QString::fromUtf8(c.Reason)) << c.Reason;
    }
}

}  // namespace
