// The parts of extraction one at a time: the path rules, the output stream that leaves zero
// blocks as holes, and the callback driven by hand.

#include "archive/sevenzip/ExtractCallback.h"
#include "archive/sevenzip/SevenZip.h"
#include "platform/Files.h"
#include "platform/Restore.h"
#include "ReaderTestSupport.h"
#include "SevenZipTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ReaderTest;
using namespace SevenZipTest;
using namespace SevenZipAbi;

namespace {

TEST(ExtractPaths, StoredPathsThatWouldLeaveTheFolderAreRefused)
{
    struct Case {
        const char* Stored;
        bool Safe;
    };
    const Case cases[] = {
        {"a.txt", true},
        {"folder/sub/a.txt", true},
        {"..x/x..", true},
        {"a\\..\\b", true},  // a backslash is part of a name here
        {".ukryty", true},
        {"", false},
        {"..", false},
        {"../x", false},
        {"a/../../x", false},
        {"a/..", false},
        {"/etc/passwd", false},
        {"//x", false},
        {"a//b", false},
        {"a/", false},
        {"./a", false},
        {"a/./b", false},
    };
    for (const Case& c : cases) {
        QString relative;
        EXPECT_EQ(SafeRelativePath(QString::fromUtf8(c.Stored), relative), c.Safe) << c.Stored;
        EXPECT_EQ(relative, c.Safe ? QString::fromUtf8(c.Stored) : QString()) << c.Stored;
    }
}

// A folder held open for the streams written into it, as the extraction holds them.
class OpenedFolder {
public:
    explicit OpenedFolder(const QString& path)
        : Handle(::open(NativePath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~OpenedFolder()
    {
        if (Handle >= 0)
            ::close(Handle);
    }
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;
    const int Handle;
};

// Whatever chunks the library writes in, the file holds exactly those bytes, and only whole
// aligned blocks of zeros become holes.
TEST(ItemOutStream, WritesEveryByteAndLeavesZeroBlocksAsHoles)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const OpenedFolder folder(tmp.path());
    ASSERT_GE(folder.Handle, 0);
    constexpr size_t B = ItemOutStream::HoleBlock;
    QByteArray data(int(40 * B + 777), '\0');
    // Data at the start, inside block 9, straddling blocks 20/21, and in the last partial block.
    const QByteArray noise = Noise(3000, 5);
    data.replace(0, 100, noise.left(100));
    data.replace(int(9 * B + 5000), 3000, noise);
    data.replace(int(21 * B - 10), 20, noise.left(20));
    data.replace(int(40 * B + 700), 77, noise.left(77));

    struct Case {
        const char* Name;
        size_t Chunk;
        bool EndsWithZeros;
    };
    const Case cases[] = {
        {"blocks of the hole size", B, false},
        {"large chunks", 1 << 20, false},
        {"odd chunks", 12345, false},
        {"ending in zeros", 1 << 20, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QByteArray expected = data;
        if (c.EndsWithZeros)
            expected.append(QByteArray(int(3 * B), '\0'));
        ComPtr<ItemOutStream> stream(new ItemOutStream(folder.Handle, [] { return false; }));
        ASSERT_EQ(stream->Error(), 0);
        for (qsizetype at = 0; at < expected.size();) {
            const uint32_t n = uint32_t(std::min<qsizetype>(qsizetype(c.Chunk), expected.size() - at));
            uint32_t done = 0;
            ASSERT_EQ(stream->Write(expected.constData() + at, n, &done), S_OK);
            ASSERT_EQ(done, n);
            at += n;
        }
        ASSERT_EQ(stream->FinishLength(), 0);
        const QString name = tmp.path() + QStringLiteral("/wynik.bin");
        QFile::remove(name);
        ASSERT_EQ(stream->File().Commit(QStringLiteral("wynik.bin"), false), 0);
        EXPECT_EQ(ReadFile(name), expected);
        struct stat st;
        ASSERT_EQ(::stat(NativePath(name).constData(), &st), 0);
        // Without holes the file would take 40 blocks and more on the disk.
        if (c.Chunk >= B) {
            EXPECT_LT(st.st_blocks * 512, qint64(8 * B)) << st.st_blocks;
        }
    }
}

TEST(ItemOutStream, AWriteTheSystemRefusesIsKeptAndTheRestIsTakenAndDropped)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const OpenedFolder folder(tmp.path());
    ASSERT_GE(folder.Handle, 0);
    ComPtr<ItemOutStream> stream(new ItemOutStream(folder.Handle, [] { return false; }));
    const QByteArray data = Noise(1 << 20, 2);
    {
        FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.Active);
        uint32_t done = 0;
        // The library goes on to the next item; the failure is this item's.
        EXPECT_EQ(stream->Write(data.constData(), uint32_t(data.size()), &done), S_OK);
        EXPECT_EQ(done, uint32_t(data.size()));
        EXPECT_EQ(stream->Write(data.constData(), 10, &done), S_OK);
    }
    EXPECT_EQ(stream->Error(), EFBIG);
    const QString temporary = tmp.path() + QLatin1Char('/') + stream->File().TemporaryName();
    EXPECT_TRUE(PathExists(temporary));
    stream.Reset();
    EXPECT_FALSE(PathExists(temporary));
}

TEST(ItemOutStream, ACancelStopsTheWrites)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const OpenedFolder folder(tmp.path());
    ASSERT_GE(folder.Handle, 0);
    bool stop = false;
    ComPtr<ItemOutStream> stream(new ItemOutStream(folder.Handle, [&] { return stop; }));
    uint32_t done = 0;
    EXPECT_EQ(stream->Write("abc", 3, &done), S_OK);
    stop = true;
    EXPECT_EQ(stream->Write("def", 3, &done), E_ABORT);
    EXPECT_EQ(done, 0u);
}

TEST(ItemOutStream, ALinkTargetIsKeptInMemoryUpToItsLimit)
{
    ComPtr<ItemOutStream> stream(new ItemOutStream());
    uint32_t done = 0;
    EXPECT_EQ(stream->Write("../a", 4, &done), S_OK);
    EXPECT_EQ(stream->Data(), QByteArray("../a"));
    EXPECT_EQ(stream->Error(), 0);
    const QByteArray tooLong(int(ItemOutStream::LinkLimit), 'x');
    EXPECT_EQ(stream->Write(tooLong.constData(), uint32_t(tooLong.size()), &done), S_OK);
    EXPECT_EQ(stream->Error(), ENAMETOOLONG);
}

// A file being restored never shows under its name before Commit, and Commit without replace
// never takes the place of something already there.
TEST(RestoredFileTest, TakesItsNameOnlyWhenCommittedAndReplacesOnlyWhenAsked)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString name = tmp.path() + QStringLiteral("/plik.txt");
    WriteFile(name, "old");
    {
        RestoredFile file;
        ASSERT_EQ(file.Create(tmp.path()), 0);
        ASSERT_EQ(file.WriteAt("new", 3, 0), 0);
        EXPECT_EQ(file.Commit(name, false), EEXIST);
        EXPECT_EQ(ReadFile(name), QByteArray("old"));
    }  // not committed: removed
    EXPECT_EQ(FolderContent(tmp.path()), QStringList{QStringLiteral("plik.txt")});
    RestoredFile file;
    ASSERT_EQ(file.Create(tmp.path()), 0);
    ASSERT_EQ(file.WriteAt("new", 3, 0), 0);
    ASSERT_EQ(file.SetMode(0640), 0);
    EXPECT_EQ(file.Commit(name, true), 0);
    EXPECT_EQ(ReadFile(name), QByteArray("new"));
    EXPECT_EQ(FolderContent(tmp.path()), QStringList{QStringLiteral("plik.txt")});
    struct stat st;
    ASSERT_EQ(::stat(NativePath(name).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace

namespace {

// The callback driven the way the library drives it, with results the library should never
// give: a file is committed only when all its bytes came and no cancel cut it short.
class ExtractCallbackDriven : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
        WriteFile(Root + QStringLiteral("src/plik.txt"), "0123456789");
        const CommandResult r = Run7z({QStringLiteral("a"), Root + QStringLiteral("a.7z"), QStringLiteral("plik.txt")},
                                      Root + QStringLiteral("src"));
        ASSERT_EQ(r.ExitCode, 0) << r.Output.toStdString();
        Reader = std::make_unique<SevenZipReader>(Zip);
        ASSERT_EQ(Reader->Open(Root + QStringLiteral("a.7z")).Status, ArchiveStatus::Ok);
        ASSERT_EQ(Target.Open(Root + QStringLiteral("cel")), NoError);
        Callback.Set(new ArchiveExtractCallback(nullptr, std::make_shared<EventChannel>(), *Reader, &Target));
    }

    // One item: its stream, the bytes written, the library's result.
    void Item(const QByteArray& data, int32_t result, bool cancelMidway = false)
    {
        ISequentialOutStream* stream = nullptr;
        ASSERT_EQ(Callback->GetStream(0, &stream, kAskExtract), S_OK);
        ASSERT_NE(stream, nullptr);
        uint32_t done = 0;
        stream->Write(data.constData(), uint32_t(data.size() / 2), &done);
        if (cancelMidway)
            Reader->CancelRequested = true;
        stream->Write(data.constData() + data.size() / 2, uint32_t(data.size() - data.size() / 2), &done);
        stream->Release();
        Callback->SetOperationResult(result);
        Callback->Finish();
    }

    QTemporaryDir Tmp;
    QString Root;
    SevenZipPacker Zip;
    std::unique_ptr<SevenZipReader> Reader;
    RestoreTarget Target;
    ComPtr<ArchiveExtractCallback> Callback;
};

TEST_F(ExtractCallbackDriven, AWholeFileIsCommitted)
{
    Item("0123456789", kOpOK);
    EXPECT_EQ(ReadFile(Root + QStringLiteral("cel/plik.txt")), QByteArray("0123456789"));
    EXPECT_TRUE(Callback->Problems.empty());
    EXPECT_EQ(Callback->Extracted, 1u);
}

TEST_F(ExtractCallbackDriven, AFileShorterThanItsHeadersSayIsNotCommitted)
{
    Item("01234", kOpOK);
    EXPECT_FALSE(PathExists(Root + QStringLiteral("cel/plik.txt")));
    ASSERT_EQ(Callback->Problems.size(), 1u);
    EXPECT_EQ(Callback->Problems[0].What, ExtractProblem::Damaged);
    EXPECT_EQ(Callback->Problems[0].ItemResult, ItemUnexpectedEnd);
    EXPECT_EQ(FolderContent(Root + QStringLiteral("cel")), QStringList());
}

TEST_F(ExtractCallbackDriven, AFileCutByACancelIsNotCommittedEvenWhenTheLibrarySaysOk)
{
    Item("0123456789", kOpOK, true);
    EXPECT_FALSE(PathExists(Root + QStringLiteral("cel/plik.txt")));
    EXPECT_TRUE(Callback->Problems.empty());  // a cancel is not a problem of the item
    EXPECT_EQ(FolderContent(Root + QStringLiteral("cel")), QStringList());
}

TEST_F(ExtractCallbackDriven, ADamagedFileIsNotCommitted)
{
    Item("0123456789", kOpCRCError);
    EXPECT_FALSE(PathExists(Root + QStringLiteral("cel/plik.txt")));
    ASSERT_EQ(Callback->Problems.size(), 1u);
    EXPECT_EQ(Callback->Problems[0].ItemResult, ItemCrcError);
    EXPECT_EQ(FolderContent(Root + QStringLiteral("cel")), QStringList());
}

}  // namespace
