// TSevenZip::Add against the real 7-Zip library; every archive is checked with the `7z` command.

#include "SevenZip.h"
#include "SevenZipTestSupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <memory>

using namespace SevenZipTest;

namespace {

class SevenZipAdd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        Zip = std::make_unique<TSevenZip>();
        // The settings the main window gives its packer.
        Zip->AddOptions = AddSolid;
        Zip->LZMACompressStrength = FAST;
        Zip->LPPMDmem = 0;
        Zip->LPPMDsize = 0;
        QDir().mkpath(Root + QStringLiteral("out"));
    }

    // As the archive run packs a folder entry: parent folder with its separator as the root.
    int32_t PackFolder(const QString& source, const QString& archive)
    {
        Zip->SZFileName = archive;
        Zip->AddRootDir = source.left(source.lastIndexOf(QLatin1Char('/')) + 1);
        Zip->Files.Clear();
        Zip->Files.Add(source + QStringLiteral("/*.*"));
        return Zip->Add();
    }

    // As the archive run packs a file entry: its folder without a trailing separator.
    int32_t PackFile(const QString& source, const QString& archive)
    {
        Zip->SZFileName = archive;
        Zip->AddRootDir = source.left(source.lastIndexOf(QLatin1Char('/')));
        Zip->Files.Clear();
        Zip->Files.Add(source);
        return Zip->Add();
    }

    QTemporaryDir Tmp;
    QString Root;
    std::unique_ptr<TSevenZip> Zip;
};

TEST_F(SevenZipAdd, FolderEntryStoresTheFolderItsFilesAndDirectSubfoldersOnly)
{
    const QString src = Root + QStringLiteral("Dane");
    WriteFile(src + QStringLiteral("/a.txt"), QByteArray("alpha\n").repeated(100));
    WriteFile(src + QStringLiteral("/sub/deep.txt"), "deep");
    const QString archive = Root + QStringLiteral("out/Dane.7z");
    ASSERT_EQ(PackFolder(src, archive), 0);
    EXPECT_TRUE(ArchiveTests(archive));
    const auto items = ListArchive(archive);
    EXPECT_EQ(Paths(items), (QStringList{QStringLiteral("Dane"), QStringLiteral("Dane/a.txt"), QStringLiteral("Dane/sub")}));
    EXPECT_EQ(Zip->VolumeNames, QStringList{archive});
    EXPECT_EQ(FolderContent(Root + QStringLiteral("out")), QStringList{QStringLiteral("Dane.7z")});
}

}  // namespace
