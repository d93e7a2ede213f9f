// The parts of the 7z component one at a time: library link, property list, setters, item
// gathering, update callback, input and output streams.

#include "archive/sevenzip/CompressionProperties.h"
#include "archive/sevenzip/EventChannel.h"
#include "platform/FileSystem.h"
#include "archive/sevenzip/ItemGatherer.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipLibrary.h"
#include "SevenZipTestSupport.h"
#include "archive/sevenzip/StreamReader.h"
#include "archive/sevenzip/StreamWriter.h"
#include "archive/sevenzip/UpdateCallback.h"
#include "archive/sevenzip/ArchiveInStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <functional>
#include <memory>
#include <type_traits>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

using namespace SevenZipAbi;
using namespace SevenZipTest;

namespace {

const QString SystemLibrary = QStringLiteral("/usr/lib/p7zip/7z.so");
const QString LibraryErrorText = QStringLiteral("Brak w katalogu programu biblioteki 7z.so\r\nProgram nie może działać");

class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Tmp.isValid());
        Root = Tmp.path() + QLatin1Char('/');
    }
    QTemporaryDir Tmp;
    QString Root;
};

// ---- library link ---------------------------------------------------------------------------

class LibraryLink : public ScratchTest {
protected:
    void TearDown() override { SevenZipLibrary::OverrideCandidates({}); }
};

TEST_F(LibraryLink, LooksInTheProgramDirectoryFirstThenTheSystem)
{
    const QStringList candidates = SevenZipLibrary::Candidates();
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_TRUE(candidates[0].endsWith(QStringLiteral("/7z.so")));
    EXPECT_NE(candidates[0], SystemLibrary);
    EXPECT_EQ(candidates[1], SystemLibrary);
}

TEST_F(LibraryLink, UnusableCandidatesAreSkippedOrRefused)
{
    WriteFile(Root + QStringLiteral("7z.so"), "not a library");
    struct Case {
        const char* Name;
        QStringList Candidates;
        bool Loads;
    };
    const QList<Case> cases{
        {"no file", {Root + QStringLiteral("nie ma/7z.so")}, false},
        {"not a library", {Root + QStringLiteral("7z.so")}, false},
        {"IUnknown with a virtual destructor", {QStringLiteral(SKRYTKAR_FAKE_7Z)}, false},
        {"a library without the 7-Zip exports", {QStringLiteral("libm.so.6")}, false},
        {"broken first, real second", {Root + QStringLiteral("7z.so"), QStringLiteral(SKRYTKAR_FAKE_7Z), SystemLibrary}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SevenZipLibrary::OverrideCandidates(c.Candidates);
        if (c.Loads) {
            SevenZipPacker zip;
            SevenZipLibrary library;
            EXPECT_EQ(library.Path(), SystemLibrary);
            EXPECT_NE(library.OutArchive(), nullptr);
            continue;
        }
        try {
            SevenZipPacker zip;
            ADD_FAILURE() << "loaded";
        } catch (const SevenZipLibraryError& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), LibraryErrorText);
        }
    }
}

// ---- component defaults and setters -------------------------------------------------------

TEST(SevenZipComponent, StartsWithThePublishedDefaults)
{
    SevenZipPacker zip;
    EXPECT_TRUE(zip.AddRootDir.isEmpty());
    EXPECT_EQ(zip.AddOptions, 0u);
    EXPECT_EQ(zip.ExtractOptions, 0u);
    EXPECT_TRUE(zip.ExtrBaseDir.isEmpty());
    EXPECT_EQ(zip.LZMACompressType, LZMA);
    EXPECT_EQ(zip.LZMACompressStrength, SAVE);
    EXPECT_EQ(zip.LZMAStrength, 0);
    EXPECT_EQ(zip.LPPMDmem, 30);
    EXPECT_EQ(zip.LPPMDsize, 10);
    EXPECT_TRUE(zip.SZFileName.isEmpty());
    EXPECT_EQ(zip.NumberOfFiles, -1);
    EXPECT_TRUE(zip.Password.isEmpty());
    EXPECT_FALSE(zip.CancelRequested);
    EXPECT_EQ(zip.Files.Count(), 0);
    EXPECT_STREQ(SevenZipPacker::ErrorMessages[6], "User canceled operation");
    EXPECT_STREQ(SevenZipPacker::ErrorMessages[9], "Could not create SFX");
    EXPECT_STREQ(SevenZipPacker::ErrorMessages[10], "No files to add");
    EXPECT_STREQ(SevenZipPacker::ErrorMessages[11], "Could not create file");
}

TEST(SevenZipComponent, FileListClearThenAddHoldsOneText)
{
    SourceMasks list;
    list.Add(QStringLiteral("a"));
    list.Add(QStringLiteral("b"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(QStringLiteral("/ścieżka/*.*"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items, QStringList{QStringLiteral("/ścieżka/*.*")});
}

// ---- property list --------------------------------------------------------------------------

// Records what the library would be told.
class RecordingSetProperties final : public ISetProperties {
public:
    HRESULT QueryInterface(const GUID&, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT SetProperties(const wchar_t* const* names, const PROPVARIANT* values, uint32_t count) override
    {
        for (uint32_t i = 0; i < count; ++i) {
            QString value;
            if (values[i].vt == VT_UI4)
                value = QString::number(values[i].ulVal);
            else if (values[i].vt == VT_BSTR)
                value = QLatin1Char('"') + QString::fromWCharArray(values[i].bstrVal) + QLatin1Char('"');
            else
                value = QStringLiteral("vt%1").arg(values[i].vt);
            Sent.append(QString::fromWCharArray(names[i]) + QLatin1Char('=') + value);
        }
        return S_OK;
    }
    QStringList Sent;
};

TEST(CompressionProperties, ListForEveryCombination)
{
    struct Case {
        const char* Name;
        std::function<void(SevenZipPacker&)> Set;
        QStringList Expected;
    };
    auto zipek = [](SevenZipPacker& z) {
        z.AddOptions = AddSolid;
        z.LZMACompressStrength = FAST;
        z.LPPMDmem = 0;
        z.LPPMDsize = 0;
    };
    const QList<Case> cases{
        {"the main window's packer", zipek, {"X=3", "s=\"on\""}},
        {"defaults after construction", [](SevenZipPacker&) {}, {"X=0", "s=\"off\""}},
        {"LZMA with a dictionary",
         [&](SevenZipPacker& z) {
             zipek(z);
             z.LZMAStrength = 22;
             z.LZMACompressStrength = ULTRA;
         },
         {"X=9", "s=\"on\"", "d=22"}},
        {"PPMd without sizes",
         [&](SevenZipPacker& z) {
             zipek(z);
             z.LZMACompressType = PPMD;
             z.LZMACompressStrength = NORMAL;
         },
         {"0=\"PPMd\"", "X=5"}},
        {"PPMd with sizes, solid not sent",
         [&](SevenZipPacker& z) {
             z.LZMACompressType = PPMD;
             z.AddOptions = AddSolid;
             z.LZMACompressStrength = MAXIMUM;
         },
         {"0=\"PPMd\"", "X=7", "o=10", "mem=30"}},
        {"password without header encryption",
         [&](SevenZipPacker& z) {
             zipek(z);
             z.Password = QStringLiteral("x");
         },
         {"X=3", "s=\"on\""}},
        {"header encryption without password",
         [&](SevenZipPacker& z) {
             zipek(z);
             z.AddOptions |= AddEncryptFilename;
         },
         {"X=3", "s=\"on\""}},
        {"password with header encryption comes last",
         [&](SevenZipPacker& z) {
             z.LZMACompressType = PPMD;
             z.Password = QStringLiteral("x");
             z.AddOptions = AddEncryptFilename;
         },
         {"0=\"PPMd\"", "X=0", "o=10", "mem=30", "he=\"on\""}},
        {"unknown strength counts as normal",
         [&](SevenZipPacker& z) {
             zipek(z);
             z.LZMACompressStrength = static_cast<CompressStrength>(5);
         },
         {"X=5", "s=\"on\""}},
    };
    SevenZipPacker zip0;
    SevenZipLibrary library;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        SevenZipPacker zip;
        c.Set(zip);
        RecordingSetProperties recorder;
        EXPECT_EQ(SendCompressionProperties(&recorder, CompressionProperties(zip), library), S_OK);
        EXPECT_EQ(recorder.Sent, c.Expected);
    }
}

// ---- gathering ------------------------------------------------------------------------------

class Gathering : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        Channel = std::make_shared<EventChannel>();
        Items.Set(new ArchiveUpdateCallback(nullptr, Channel, nullptr));
    }
    QStringList Gather(const QStringList& files, const QString& root, AddOpts options = AddSolid)
    {
        Items.Set(new ArchiveUpdateCallback(nullptr, Channel, nullptr));
        ItemGatherer gatherer(*Items.Get(), root, options, Cancel);
        gatherer.Gather(files);
        Total = gatherer.Total();
        Problems.clear();
        for (const PackProblem& p : gatherer.Problems())
            Problems.append(QStringLiteral("%1 %2 %3").arg(int(p.What)).arg(p.Path.mid(Root.size())).arg(p.Error));
        QStringList names(Items->ItemNames.begin(), Items->ItemNames.end());
        return names;
    }
    uint8_t KindOf(const QString& name) const
    {
        for (uint32_t i = 0; i < Items->ItemCount; ++i)
            if (Items->ItemNames[i] == name)
                return Items->ItemKinds[i];
        return 0xFF;
    }
    static QStringList Sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    std::shared_ptr<EventChannel> Channel;
    ComPtr<ArchiveUpdateCallback> Items;
    std::atomic<bool> Cancel{false};
    int64_t Total = 0;
    QStringList Problems;  // "kind path-under-root error"
};

TEST_F(Gathering, MasksAdmitByExactExtension)
{
    const QString d = Root + QStringLiteral("d/");
    for (const char* name : {"a.txt", "b.TXT", "noext", "c.tar.gz", ".bashrc", "x.abcdefghij", "y.abcdefg"})
        WriteFile(d + QString::fromLatin1(name), "1");
    QDir().mkpath(d + QStringLiteral("sub.txt.dir"));
    struct Case {
        const char* Mask;
        QStringList Files;
    };
    const QList<Case> cases{
        {"*.*", {"a.txt", "b.TXT", "noext", "c.tar.gz", ".bashrc", "x.abcdefghij", "y.abcdefg"}},
        {"*.txt", {"a.txt"}},
        {"*.TXT", {"b.TXT"}},
        {"*", {"noext"}},
        {"*.gz", {"c.tar.gz"}},
        {"*.bashrc", {".bashrc"}},
        // Only eight characters after the "*" count.
        {"*.abcdefghij", {"y.abcdefg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mask);
        QStringList expected{QStringLiteral("d"), QStringLiteral("d/sub.txt.dir")};
        for (const QString& f : c.Files)
            expected.append(QStringLiteral("d/") + f);
        const QStringList names = Gather({d + QString::fromLatin1(c.Mask)}, Root);
        QStringList relative;
        for (const QString& n : names)
            relative.append(n.startsWith(Root) ? n.mid(Root.size()) : n);
        EXPECT_EQ(Sorted(relative), Sorted(expected));
        // The folder's own item comes first, already relative to the root.
        ASSERT_FALSE(names.isEmpty());
        EXPECT_EQ(names[0], QStringLiteral("d"));
    }
}

TEST_F(Gathering, PlainEntriesAndMissingOnes)
{
    WriteFile(Root + QStringLiteral("d/f.txt"), "12345");
    WriteFile(Root + QStringLiteral("d/inner/g.txt"), "1");
    ASSERT_EQ(::mkfifo(QFile::encodeName(Root + QStringLiteral("d/fifo")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("nie-ma", QFile::encodeName(Root + QStringLiteral("d/dangling")).constData()), 0);
    ASSERT_EQ(::symlink("f.txt", QFile::encodeName(Root + QStringLiteral("d/link")).constData()), 0);
    const QStringList names = Gather({Root + QStringLiteral("d/f.txt"), Root + QStringLiteral("nie ma.txt"),
                                      Root + QStringLiteral("d/inner"), Root + QStringLiteral("nie ma/*.*"),
                                      Root + QStringLiteral("d/fifo"), Root + QStringLiteral("d/dangling"),
                                      Root + QStringLiteral("d/link")},
                                     Root);
    // A folder named plainly is one item without content; what is missing adds nothing; a link
    // named plainly is followed; a pipe has no data to keep.
    EXPECT_EQ(names, (QStringList{Root + QStringLiteral("d/f.txt"), Root + QStringLiteral("d/inner"),
                                  Root + QStringLiteral("d/link")}));
    EXPECT_EQ(Total, 10);
    EXPECT_NE(Items->ItemAttributes[1] & FileSystem::AttrDirectory, 0u);
    EXPECT_EQ(Items->ItemSizes[1], 0);
    EXPECT_EQ(Items->ItemKinds, (std::vector<uint8_t>{ItemFollowedFile, ItemFolder, ItemFollowedFile}));
    EXPECT_EQ(Items->ItemAttributes[2] >> 16 & 0170000u, 0100000u);
    EXPECT_EQ(Problems, QStringList{QStringLiteral("%1 d/fifo 0").arg(int(PackProblem::SpecialFileLeftOut))});
    // A walk stores links as themselves, dangling or not, and leaves the pipe out.
    EXPECT_EQ(Sorted(Gather({Root + QStringLiteral("d/*.*")}, Root)),
              Sorted({QStringLiteral("d"), Root + QStringLiteral("d/f.txt"), Root + QStringLiteral("d/inner"),
                      Root + QStringLiteral("d/dangling"), Root + QStringLiteral("d/link")}));
    EXPECT_EQ(KindOf(Root + QStringLiteral("d/f.txt")), ItemFile);
    EXPECT_EQ(KindOf(Root + QStringLiteral("d/dangling")), ItemLink);
    EXPECT_EQ(KindOf(Root + QStringLiteral("d/link")), ItemLink);
    EXPECT_EQ(Total, 5 + 6 + 5);
    EXPECT_EQ(Problems, QStringList{QStringLiteral("%1 d/fifo 0").arg(int(PackProblem::SpecialFileLeftOut))});
}

// A literal entry is its path; an entry added plainly is a mask only where its last component
// holds a "*" and it names no existing file.
TEST_F(Gathering, LiteralEntriesAndMasks)
{
    const QString d = Root + QStringLiteral("d/");
    for (const char* name : {"a*b", "aXb", "*.txt", "x.txt", "y"})
        WriteFile(d + QString::fromLatin1(name), "1");
    struct Case {
        const char* Entry;
        bool Literal;
        QStringList Names;
    };
    const QList<Case> cases{
        {"a*b", true, {"d/a*b"}},
        {"a*b", false, {"d/a*b"}},
        {"*.txt", true, {"d/*.txt"}},
        {"*.txt", false, {"d", "d/*.txt", "d/x.txt"}},
        {"*", false, {"d", "d/aXb", "d/a*b", "d/y"}},
        {"a*", true, {}},
        // Not a file: the old mask rule (the folder "d/a" with files without extension).
        {"a*", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Entry << (c.Literal ? " literal" : ""));
        SourceMasks list;
        if (c.Literal)
            list.AddLiteral(d + QString::fromLatin1(c.Entry));
        else
            list.Add(d + QString::fromLatin1(c.Entry));
        Items.Set(new ArchiveUpdateCallback(nullptr, Channel, nullptr));
        ItemGatherer gatherer(*Items.Get(), Root, AddSolid, Cancel);
        gatherer.Gather(list);
        QStringList names;
        for (uint32_t i = 0; i < Items->ItemCount; ++i)
            names.append(Items->ItemNames[i].startsWith(Root) ? Items->ItemNames[i].mid(Root.size()) : Items->ItemNames[i]);
        EXPECT_EQ(Sorted(names), Sorted(c.Names));
    }
}

TEST(SevenZipComponent, FileListKeepsWhichEntriesAreLiteral)
{
    SourceMasks list;
    list.Add(QStringLiteral("/a/*.*"));
    list.AddLiteral(QStringLiteral("/a/*.txt"));
    list.Add(QStringLiteral("/b/*"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items, (QStringList{"/a/*.*", "/a/*.txt", "/b/*"}));
    EXPECT_FALSE(list.IsLiteral(0));
    EXPECT_TRUE(list.IsLiteral(1));
    EXPECT_FALSE(list.IsLiteral(2));
    EXPECT_FALSE(list.IsLiteral(3));
    list.Clear();
    list.Add(QStringLiteral("/a/*.txt"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.IsLiteral(0));
}

TEST_F(Gathering, AttributesTimesAndTheRootRule)
{
    const QString f = Root + QStringLiteral("d/.ukryty");
    WriteFile(f, "abc");
    ASSERT_EQ(::chmod(QFile::encodeName(f).constData(), 0444), 0);
    SetModified(f, 1600000000, 123456789);
    // Without a root only the leading "/" leaves the folder's own item.
    const QStringList names = Gather({Root + QStringLiteral("d/*.*")}, QString());
    ASSERT_EQ(names.size(), 2);
    EXPECT_EQ(names[0], (Root + QStringLiteral("d")).mid(1));
    EXPECT_EQ(names[1], f);
    EXPECT_EQ(Items->ItemAttributes[1], 0x01u | 0x02u | 0x20u | 0x8000u | ((0100000u | 0444u) << 16));
    EXPECT_EQ(Items->ItemTimes[1], (1600000000ull + 11644473600ull) * 10000000ull + 1234567ull);
    EXPECT_EQ(Items->ItemAttributes[0] & 0xFFFFu, 0x10u | 0x8000u);
    EXPECT_EQ(Items->ItemAttributes[0] >> 16 & 0170000u, 0040000u);
}

TEST_F(Gathering, OptionsShapeTheWalk)
{
    const QString d = Root + QStringLiteral("d/");
    WriteFile(d + QStringLiteral("1.txt"), "1");
    WriteFile(d + QStringLiteral("a/2.txt"), "22");
    WriteFile(d + QStringLiteral("a/b/3.txt"), "333");
    ASSERT_EQ(::symlink("..", QFile::encodeName(d + QStringLiteral("a/b/loop")).constData()), 0);
    auto relative = [&](const QStringList& names) {
        QStringList r;
        for (const QString& n : names)
            r.append(n.startsWith(Root) ? n.mid(Root.size()) : n);
        return Sorted(r);
    };
    EXPECT_EQ(relative(Gather({d + QStringLiteral("*.*")}, Root, AddSolid)),
              Sorted({"d", "d/1.txt", "d/a"}));
    // A link is an item of its own that the mask admits like a file; it is never walked, so a
    // link back to a folder the walk is inside cannot take it round.
    EXPECT_EQ(relative(Gather({d + QStringLiteral("*.txt")}, Root, AddRecurseDirs)),
              Sorted({"d", "d/1.txt", "d/a", "d/a/2.txt", "d/a/b", "d/a/b/3.txt"}));
    EXPECT_EQ(Total, 6);
    EXPECT_EQ(relative(Gather({d + QStringLiteral("*.*")}, Root, AddRecurseDirs | AddStoreOnlyFilename)),
              Sorted({"d", "d/1.txt", "d/a/2.txt", "d/a/b/3.txt", "d/a/b/loop"}));
    EXPECT_EQ(KindOf(d + QStringLiteral("a/b/loop")), ItemLink);
    EXPECT_TRUE(Problems.isEmpty());
    // A cancelled walk stops after the entry in hand.
    Cancel = true;
    EXPECT_EQ(Gather({d + QStringLiteral("*.*")}, Root, AddRecurseDirs).size(), 2);
}

TEST_F(Gathering, ItemArraysGrowAndShrinkToTheCount)
{
    const QString d = Root + QStringLiteral("d/");
    for (int i = 0; i < 250; ++i)
        WriteFile(d + QStringLiteral("f%1").arg(i), QByteArray(i, 'x'));
    Gather({d + QStringLiteral("*.*")}, Root);
    EXPECT_EQ(Items->ItemCount, 251u);
    EXPECT_EQ(Items->ItemNames.size(), 251u);
    EXPECT_EQ(Items->ItemSizes.size(), 251u);
    EXPECT_EQ(Items->ItemTimes.size(), 251u);
    EXPECT_EQ(Items->ItemAttributes.size(), 251u);
    EXPECT_EQ(Total, 249 * 250 / 2);
}

TEST_F(Gathering, FileOverFourGibibytesKeepsItsFullSize)
{
    const QString f = Root + QStringLiteral("rzadki.bin");
    const int64_t size = 5ll << 30;
    {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }
    SevenZipPacker zip;
    SevenZipLibrary library;
    Items.Set(new ArchiveUpdateCallback(nullptr, Channel, &library));
    ItemGatherer gatherer(*Items.Get(), QString(), 0, Cancel);
    gatherer.Gather({f});
    EXPECT_EQ(gatherer.Total(), size);
    ASSERT_EQ(Items->ItemCount, 1u);
    PROPVARIANT v{};
    ASSERT_EQ(Items->GetProperty(0, kpidSize, &v), S_OK);
    EXPECT_EQ(v.vt, VT_UI8);
    EXPECT_EQ(v.uhVal, uint64_t(size));
    // Its stream reports the size too.
    ISequentialInStream* stream = nullptr;
    ASSERT_EQ(Items->GetStream(0, &stream), S_OK);
    IStreamGetSize* getSize = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, reinterpret_cast<void**>(&getSize)), S_OK);
    uint64_t reported = 0;
    EXPECT_EQ(getSize->GetSize(&reported), S_OK);
    EXPECT_EQ(reported, uint64_t(size));
    getSize->Release();
    stream->Release();
}

// ---- update callback ------------------------------------------------------------------------

class Callback : public ScratchTest {
protected:
    void SetUp() override
    {
        ScratchTest::SetUp();
        Channel = std::make_shared<EventChannel>();
        Cb.Set(new ArchiveUpdateCallback(&Zip, Channel, &Library));
    }
    void AddItem(const QString& name, int64_t size, uint64_t time, uint32_t attributes)
    {
        Cb->ItemNames.push_back(name);
        Cb->ItemSizes.push_back(size);
        Cb->ItemTimes.push_back(time);
        Cb->ItemAttributes.push_back(attributes);
        Cb->ItemCount++;
    }
    QString PathOf(uint32_t index)
    {
        PROPVARIANT v{};
        EXPECT_EQ(Cb->GetProperty(index, kpidPath, &v), S_OK);
        EXPECT_EQ(v.vt, VT_BSTR);
        const QString path = QString::fromWCharArray(v.bstrVal);
        Library.FreeString(v.bstrVal);
        return path;
    }

    SevenZipPacker Zip;
    SevenZipLibrary Library;
    std::shared_ptr<EventChannel> Channel;
    ComPtr<ArchiveUpdateCallback> Cb;
};

TEST_F(Callback, AnswersOnlyItsInterfaces)
{
    for (const GUID& iid : {IID_IUnknown, IID_IProgress, IID_IArchiveUpdateCallback, IID_ICryptoGetTextPassword2}) {
        void* object = nullptr;
        EXPECT_EQ(Cb->QueryInterface(iid, &object), S_OK);
        ASSERT_NE(object, nullptr);
        static_cast<IUnknown*>(object)->Release();
    }
    for (const GUID& iid : {IID_IInStream, IID_IOutArchive, InterfaceId(0x06, 0x82)}) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(Cb->QueryInterface(iid, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
    }
}

TEST_F(Callback, EveryItemIsNew)
{
    int32_t newData = 0, newProps = 0;
    uint32_t index = 0;
    EXPECT_EQ(Cb->GetUpdateItemInfo(0, &newData, &newProps, &index), S_OK);
    EXPECT_EQ(newData, 1);
    EXPECT_EQ(newProps, 1);
    EXPECT_EQ(index, 0xFFFFFFFFu);
    EXPECT_EQ(Cb->GetUpdateItemInfo(0, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(Callback, PropertyTable)
{
    const uint64_t time = 0x01D6'8A2B'1234'5678ull;
    AddItem(QStringLiteral("/a/f.txt"), 5ll << 30, time, 0x20 | 0x8000);
    AddItem(QStringLiteral("/a/d"), 0, 7, 0x10);
    struct Case {
        uint32_t Index;
        PROPID Id;
        VARTYPE Vt;
        uint64_t Value;
    };
    const QList<Case> cases{
        {0, kpidIsDir, VT_BOOL, uint64_t(0)},
        {1, kpidIsDir, VT_BOOL, uint64_t(uint16_t(-1))},
        {0, kpidSize, VT_UI8, 5ull << 30},
        {0, kpidAttrib, VT_UI4, 0x8020},
        {0, kpidCTime, VT_FILETIME, 0},
        {0, kpidATime, VT_FILETIME, 0},
        {0, kpidMTime, VT_FILETIME, time},
        {1, kpidMTime, VT_FILETIME, 7},
        {0, kpidIsAnti, VT_BOOL, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "item " << c.Index << " id " << c.Id);
        PROPVARIANT v{};
        ASSERT_EQ(Cb->GetProperty(c.Index, c.Id, &v), S_OK);
        EXPECT_EQ(v.vt, c.Vt);
        const uint64_t value = c.Vt == VT_BOOL ? uint64_t(uint16_t(v.boolVal))
                               : c.Vt == VT_UI4 ? v.ulVal
                               : c.Vt == VT_FILETIME ? (uint64_t(v.filetime.dwHighDateTime) << 32 | v.filetime.dwLowDateTime)
                                                     : v.uhVal;
        EXPECT_EQ(value, c.Value);
    }
    // Ids outside the table leave the value alone.
    for (const PROPID id : {PROPID(0), PROPID(4), PROPID(8), PROPID(53), PROPID(1000)}) {
        PROPVARIANT v{};
        v.vt = VT_UI4;
        v.ulVal = 77;
        EXPECT_EQ(Cb->GetProperty(0, id, &v), S_FALSE);
        EXPECT_EQ(v.vt, VT_UI4);
        EXPECT_EQ(v.ulVal, 77u);
    }
    PROPVARIANT v{};
    EXPECT_NE(Cb->GetProperty(2, kpidSize, &v), S_OK);
}

TEST_F(Callback, StoredPathRules)
{
    struct Case {
        const char* Name;
        QString RootDir;
        AddOpts Options;
        QString Item;
        QString Stored;
    };
    const QList<Case> cases{
        {"under the root", "/HOME/JAN/", 0, "/home/jan/Dane/f.txt", "Dane/f.txt"},
        {"root in other letter case", "/HOME/JAN/", 0, "/Home/Jan/Dane/f.txt", "Dane/f.txt"},
        {"Polish letters compared in upper case", "/DOM/ŻÓŁW/", 0, "/dom/żółw/ą.txt", "ą.txt"},
        {"another folder keeps its path without the root", "/HOME/JAN/", 0, "/srv/f.txt", "srv/f.txt"},
        {"no root", "", 0, "/srv/f.txt", "srv/f.txt"},
        {"already relative", "/HOME/JAN/", 0, "Dane", "Dane"},
        {"only the file name", "/HOME/JAN/", AddStoreOnlyFilename, "/home/jan/Dane/sub/f.txt", "f.txt"},
        {"no drive letter to keep", "", AddIncludeDriveLetter, "/srv/f.txt", "srv/f.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Cb.Set(new ArchiveUpdateCallback(&Zip, Channel, &Library));
        Cb->RootDir = c.RootDir;
        Cb->Options = c.Options;
        AddItem(c.Item, 1, 0, 0x20);
        EXPECT_EQ(PathOf(0), c.Stored);
    }
}

TEST_F(Callback, SetAddNameSeesThePathAfterTheRootCut)
{
    Cb->RootDir = QStringLiteral("/HOME/JAN/");
    AddItem(QStringLiteral("/home/jan/a.txt"), 1, 0, 0x20);
    AddItem(QStringLiteral("/home/jan/b.txt"), 1, 0, 0x20);
    QStringList seen;
    Zip.OnSetAddName = [&](SevenZipPacker* sender, uint32_t index, QString& name) {
        EXPECT_EQ(sender, &Zip);
        seen.append(QString::number(index) + QLatin1Char(':') + name);
        if (index == 1)
            name = QStringLiteral("/absolutna/nazwa.txt");
    };
    Cb->HasSetAddName = true;
    EXPECT_EQ(PathOf(0), QStringLiteral("a.txt"));
    EXPECT_EQ(PathOf(1), QStringLiteral("absolutna/nazwa.txt"));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("0:a.txt"), QStringLiteral("1:b.txt")}));
}

TEST_F(Callback, PasswordIsDefinedOnlyWhenGiven)
{
    int32_t defined = 5;
    BSTR password = reinterpret_cast<BSTR>(0x1);
    EXPECT_EQ(Cb->CryptoGetTextPassword2(&defined, &password), S_OK);
    EXPECT_EQ(defined, 0);
    EXPECT_EQ(password, reinterpret_cast<BSTR>(0x1));

    Zip.Password = QStringLiteral("tajne hasło");
    ComPtr<ArchiveUpdateCallback> withPassword(new ArchiveUpdateCallback(&Zip, Channel, &Library));
    Zip.Password = QStringLiteral("changed later");
    EXPECT_EQ(withPassword->CryptoGetTextPassword2(&defined, &password), S_OK);
    EXPECT_EQ(defined, -1);
    EXPECT_EQ(QString::fromWCharArray(password), QStringLiteral("tajne hasło"));
    Library.FreeString(password);
}

TEST_F(Callback, ProgressRaisesAddfileThenProgressAndHonoursCancel)
{
    WriteFile(Root + QStringLiteral("a"), "aaaa");
    WriteFile(Root + QStringLiteral("b"), "bb");
    AddItem(Root + QStringLiteral("a"), 4, 0, 0x20);
    AddItem(Root + QStringLiteral("b"), 2, 0, 0x20);
    QStringList events;
    Zip.OnAddfile = [&](SevenZipPacker*, const QString& name, int64_t size) {
        events.append(QStringLiteral("add %1 %2").arg(QFileInfo(name).fileName()).arg(size));
    };
    Zip.OnProgress = [&](SevenZipPacker*, const QString& name, int64_t arc, int64_t file) {
        events.append(QStringLiteral("progress %1 %2 %3").arg(QFileInfo(name).fileName()).arg(arc).arg(file));
    };
    Zip.OnMessage = [&](SevenZipPacker*, int32_t code, const QString& text, const QString& name) {
        events.append(QStringLiteral("message %1 %2 %3").arg(code).arg(text, QFileInfo(name).fileName()));
    };
    EXPECT_EQ(Cb->SetTotal(6), S_OK);
    uint64_t done = 0;
    EXPECT_EQ(Cb->SetCompleted(&done), S_OK);  // before any stream: no item begins
    ISequentialInStream* s = nullptr;
    ASSERT_EQ(Cb->GetStream(0, &s), S_OK);
    done = 3;
    EXPECT_EQ(Cb->SetCompleted(&done), S_OK);
    done = 4;
    EXPECT_EQ(Cb->SetCompleted(&done), S_OK);
    s->Release();
    ASSERT_EQ(Cb->GetStream(1, &s), S_OK);
    EXPECT_EQ(Cb->SetCompleted(nullptr), S_OK);
    Zip.CancelRequested = true;
    done = 5;
    // The library learns of a cancel as such, not as a failure of its own.
    EXPECT_EQ(Cb->SetCompleted(&done), E_ABORT);
    s->Release();
    EXPECT_EQ(Zip.ErrCode, 6);
    EXPECT_EQ(events, (QStringList{QStringLiteral("progress  0 0"), QStringLiteral("add a 4"), QStringLiteral("progress a 3 3"),
                                   QStringLiteral("progress a 4 4"), QStringLiteral("add b 2"), QStringLiteral("progress b 5 1"),
                                   QStringLiteral("message 6 User canceled operation b")}));
    EXPECT_EQ(Cb->SetOperationResult(0), S_OK);
}

// The library leaves out an item whose stream is refused with S_FALSE: a file that cannot be
// opened gets no stream, and no event says that its data began.
TEST_F(Callback, FileThatCannotBeOpenedGetsNoStream)
{
    AddItem(Root + QStringLiteral("nie ma"), 4, 0, 0x20);
    QStringList events;
    Zip.OnAddfile = [&](SevenZipPacker*, const QString& name, int64_t) { events.append(QStringLiteral("add ") + name); };
    ISequentialInStream* s = reinterpret_cast<ISequentialInStream*>(1);
    EXPECT_EQ(Cb->GetStream(0, &s), S_FALSE);
    EXPECT_EQ(s, nullptr);
    uint64_t done = 0;
    EXPECT_EQ(Cb->SetCompleted(&done), S_OK);
    EXPECT_TRUE(events.isEmpty());
    ASSERT_EQ(Zip.Problems.size(), 1u);
    EXPECT_EQ(Zip.Problems[0].What, PackProblem::Unreadable);
    EXPECT_EQ(Zip.Problems[0].Path, Root + QStringLiteral("nie ma"));
    EXPECT_EQ(Zip.Problems[0].Error, ENOENT);
    EXPECT_EQ(Zip.LastError, ENOENT);
}

// A byte of a name that is not UTF-8 (U+DC80 + byte in our texts) reaches the library as
// U+EF00 + byte, the way the 7z command stores it; real characters stay as they are.
TEST_F(Callback, NamesThatAreNotUtf8ReachTheLibraryInTheFormOfThe7zCommand)
{
    const QString name = QStringLiteral("dane/") + QChar(0xDCFF) + QStringLiteral(".txt ") + QChar(0xDC80) +
                         QStringLiteral("\U0001F480 \uEF41");
    AddItem(name, 1, 0, 0x20);
    PROPVARIANT v{};
    ASSERT_EQ(Cb->GetProperty(0, kpidPath, &v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    const std::wstring stored(v.bstrVal);
    Library.FreeString(v.bstrVal);
    EXPECT_EQ(stored, std::wstring(L"dane/\xEFFF.txt \xEF80\U0001F480 \xEF41"));
}

// ---- input stream ---------------------------------------------------------------------------

TEST_F(ScratchTest, ReaderReadsSeeksAndReportsItsSize)
{
    const QString f = Root + QStringLiteral("f.bin");
    WriteFile(f, "0123456789");
    ComPtr<StreamReader> r(new StreamReader(nullptr, std::make_shared<EventChannel>(), f));
    char buf[16] = {};
    uint32_t n = 0;
    EXPECT_EQ(r->Read(buf, 4, &n), S_OK);
    EXPECT_EQ(QByteArray(buf, n), QByteArray("0123"));
    uint64_t pos = 0;
    EXPECT_EQ(r->Seek(-3, 2, &pos), S_OK);
    EXPECT_EQ(pos, 7u);
    EXPECT_EQ(r->Read(buf, 16, &n), S_OK);
    EXPECT_EQ(QByteArray(buf, n), QByteArray("789"));
    EXPECT_EQ(r->Seek(-8, 1, &pos), S_OK);
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(r->Seek(5, 0, nullptr), S_OK);
    EXPECT_EQ(r->Seek(99, 7, &pos), E_INVALIDARG);  // an unknown origin moves nothing
    EXPECT_EQ(r->Seek(0, 1, &pos), S_OK);
    EXPECT_EQ(pos, 5u);
    uint64_t size = 0;
    EXPECT_EQ(r->GetSize(&size), S_OK);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(r->Error(), 0);
}

TEST_F(ScratchTest, ReaderOfAnEmptyFileHasNoSize)
{
    const QString f = Root + QStringLiteral("empty");
    WriteFile(f, QByteArray());
    ComPtr<StreamReader> r(new StreamReader(nullptr, std::make_shared<EventChannel>(), f));
    uint64_t size = 42, pos = 42;
    EXPECT_EQ(r->GetSize(&size), S_FALSE);
    EXPECT_EQ(size, 42u);
    EXPECT_EQ(r->Seek(0, 2, &pos), S_FALSE);
    EXPECT_EQ(pos, 42u);
}

TEST_F(ScratchTest, ReaderOfAMissingFileGivesNoDataAndPassesItsErrorOnRelease)
{
    SevenZipPacker zip;
    auto channel = std::make_shared<EventChannel>();
    auto* r = new StreamReader(&zip, channel, Root + QStringLiteral("nie ma"));
    r->AddRef();
    char buf[8];
    uint32_t n = 99;
    EXPECT_EQ(r->Read(buf, sizeof buf, &n), S_OK);
    EXPECT_EQ(n, 0u);
    uint64_t size = 0;
    EXPECT_EQ(r->GetSize(&size), S_FALSE);
    EXPECT_EQ(zip.LastError, 0);
    void* object = nullptr;
    EXPECT_EQ(r->QueryInterface(IID_IOutStream, &object), E_NOINTERFACE);
    r->Release();
    EXPECT_EQ(zip.LastError, ENOENT);
}

// A read that fails ends the item there and is a problem of the add; its error reaches
// LastError when the stream goes.
TEST_F(ScratchTest, ReaderReportsAReadError)
{
    SevenZipPacker zip;
    auto channel = std::make_shared<EventChannel>();
    // The process's own memory: readable where it is mapped, an I/O error where it is not.
    static const char Marker[] = "marker";
    auto* r = new StreamReader(&zip, channel, QStringLiteral("/proc/self/mem"));
    r->AddRef();
    ASSERT_EQ(r->Error(), 0);
    char buf[8] = {};
    uint32_t n = 0;
    EXPECT_EQ(r->Seek(int64_t(reinterpret_cast<uintptr_t>(Marker)), 0, nullptr), S_OK);
    EXPECT_EQ(r->Read(buf, 6, &n), S_OK);
    EXPECT_EQ(QByteArray(buf, n), QByteArray("marker"));
    EXPECT_EQ(r->Seek(0, 0, nullptr), S_OK);
    EXPECT_EQ(r->Read(buf, 6, &n), S_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(r->Read(buf, 6, &n), S_OK);
    EXPECT_EQ(n, 0u);
    r->Release();
    ASSERT_EQ(zip.Problems.size(), 1u);
    EXPECT_EQ(zip.Problems[0].What, PackProblem::Unreadable);
    EXPECT_EQ(zip.Problems[0].Path, QStringLiteral("/proc/self/mem"));
    EXPECT_EQ(zip.Problems[0].Error, EIO);
    EXPECT_EQ(zip.LastError, EIO);
}

// Ending before the listed size is reported once; ending at it, or after it, is not.
TEST_F(ScratchTest, ReaderReportsAFileThatEndsBeforeItsListedSize)
{
    const QString f = Root + QStringLiteral("f.bin");
    WriteFile(f, "0123456789");
    for (const int64_t listed : {int64_t(-1), int64_t(4), int64_t(10), int64_t(11)}) {
        SCOPED_TRACE(listed);
        SevenZipPacker zip;
        ComPtr<StreamReader> r(new StreamReader(&zip, std::make_shared<EventChannel>(), f,
                                                       StreamReader::FollowLinks, listed));
        char buf[16];
        uint32_t n = 0;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(r->Read(buf, sizeof buf, &n), S_OK);
        if (listed > 10) {
            ASSERT_EQ(zip.Problems.size(), 1u);
            EXPECT_EQ(zip.Problems[0].What, PackProblem::ChangedWhileRead);
            EXPECT_EQ(zip.Problems[0].Path, f);
            EXPECT_EQ(zip.Problems[0].Error, 0);
        } else {
            EXPECT_TRUE(zip.Problems.empty());
        }
    }
}

TEST_F(ScratchTest, ReaderSourcesAndWhatTheyRefuse)
{
    WriteFile(Root + QStringLiteral("f.txt"), "plik");
    ASSERT_TRUE(QFile::link(QStringLiteral("f.txt"), Root + QStringLiteral("link")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Root + QStringLiteral("fifo")).constData(), 0600), 0);
    QDir().mkpath(Root + QStringLiteral("folder"));
    struct Case {
        const char* Name;
        StreamReader::SourceItem Source;
        int Error;
        QByteArray Data;
    };
    const QList<Case> cases{
        {"f.txt", StreamReader::NoLinks, 0, "plik"},
        {"link", StreamReader::FollowLinks, 0, "plik"},
        {"link", StreamReader::NoLinks, ELOOP, ""},
        {"link", StreamReader::LinkText, 0, "f.txt"},
        {"f.txt", StreamReader::LinkText, EINVAL, ""},
        // A pipe would wait for a writer that never comes: refused at once.
        {"fifo", StreamReader::FollowLinks, ENXIO, ""},
        {"folder", StreamReader::FollowLinks, EISDIR, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Name << " " << c.Source);
        ComPtr<StreamReader> r(new StreamReader(nullptr, std::make_shared<EventChannel>(),
                                                       Root + QString::fromLatin1(c.Name), c.Source));
        EXPECT_EQ(r->Error(), c.Error);
        if (c.Error != 0)
            continue;
        char buf[16];
        uint32_t n = 0;
        EXPECT_EQ(r->Read(buf, sizeof buf, &n), S_OK);
        EXPECT_EQ(QByteArray(buf, n), c.Data);
        uint64_t size = 0;
        EXPECT_EQ(r->GetSize(&size), S_OK);
        EXPECT_EQ(size, uint64_t(c.Data.size()));
    }
}

// ---- output stream --------------------------------------------------------------------------

class Writer : public ScratchTest {
protected:
    StreamWriter* Make(const QString& name)
    {
        auto* w = new StreamWriter(&LastError, name, FileSystem::Now());
        Holder.Set(w);
        return w;
    }
    int32_t LastError = 0;
    ComPtr<StreamWriter> Holder;
};

TEST_F(Writer, SeekMovesThePositionAndRaisesTheSizeWithoutWriting)
{
    const QString base = Root + QStringLiteral("s.7z");
    StreamWriter* w = Make(base);
    uint64_t pos = 0;
    EXPECT_EQ(w->Seek(5000, 0, &pos), S_OK);
    EXPECT_EQ(pos, 5000u);
    EXPECT_EQ(w->Seek(-100, 2, &pos), S_OK);
    EXPECT_EQ(pos, 4900u);
    EXPECT_EQ(w->Seek(-4900, 1, &pos), S_OK);
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(w->Seek(3, 9, &pos), E_INVALIDARG);  // an unknown origin moves nothing
    EXPECT_EQ(pos, 0u);
    EXPECT_EQ(w->Write("abc", 3, nullptr), S_OK);
    EXPECT_EQ(w->Seek(0, 2, &pos), S_OK);
    EXPECT_EQ(pos, 5000u);
    EXPECT_EQ(w->SetSize(10), S_FALSE);
    ASSERT_TRUE(w->Commit());
    EXPECT_EQ(ReadFile(base), QByteArray("abc"));
}

// Every stream the library seeks in: a seek lands from the start, the position or the end, also
// past the end; an unknown origin and a position before the start (or past what a position can
// hold) are refused and move nothing.
TEST_F(Writer, SeeksOfEveryStreamFollowTheOriginAndRefuseWhatLeadsNowhere)
{
    const HRESULT negative = HResultFromOsError(EINVAL);
    struct Case {
        uint32_t Origin;
        int64_t Offset;
        HRESULT Result;
        uint64_t Position;  // after the seek, from position 4 of 10 bytes
    };
    const Case cases[] = {
        {0, 3, S_OK, 3},
        {1, 3, S_OK, 7},
        {1, -4, S_OK, 0},
        {2, -2, S_OK, 8},
        {2, 5, S_OK, 15},
        {0, -1, negative, 4},
        {1, -5, negative, 4},
        {2, -11, negative, 4},
        {1, INT64_MAX, negative, 4},
        {3, 0, E_INVALIDARG, 4},
        {0xFFFFFFFFu, 1, E_INVALIDARG, 4},
    };
    const QString data = Root + QStringLiteral("dane.bin");
    WriteFile(data, "0123456789");
    using Seek = std::function<HRESULT(int64_t, uint32_t, uint64_t*)>;
    struct Stream {
        const char* Name;
        std::function<Seek()> Make;
    };
    // The stream lives as long as its seek function: the last one releases it.
    auto held = [](auto* object) {
        object->AddRef();
        return std::shared_ptr<std::remove_pointer_t<decltype(object)>>(object, [](auto* o) { o->Release(); });
    };
    const Stream streams[] = {
        {"input stream of an item",
         [&]() -> Seek {
             auto r = held(new StreamReader(nullptr, std::make_shared<EventChannel>(), data));
             return [r](int64_t o, uint32_t k, uint64_t* p) { return r->Seek(o, k, p); };
         }},
        {"output stream of the archive",
         [&]() -> Seek {
             auto w = held(new StreamWriter(&LastError, Root + QStringLiteral("a.7z"), FileSystem::Now()));
             EXPECT_EQ(w->Write("0123456789", 10, nullptr), S_OK);
             return [w](int64_t o, uint32_t k, uint64_t* p) { return w->Seek(o, k, p); };
         }},
        {"input stream of an archive read back",
         [&]() -> Seek {
             auto a = held(new ArchiveInStream());
             EXPECT_EQ(a->Open(data), NoError);
             return [a](int64_t o, uint32_t k, uint64_t* p) { return a->Seek(o, k, p); };
         }},
    };
    for (const Stream& stream : streams) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << stream.Name << ": origin " << c.Origin << ", offset " << c.Offset);
            const Seek seek = stream.Make();
            uint64_t position = 0;
            ASSERT_EQ(seek(4, 0, &position), S_OK);
            position = 12345;
            EXPECT_EQ(seek(c.Offset, c.Origin, &position), c.Result);
            if (c.Result != S_OK) {
                EXPECT_EQ(position, 12345u);  // nothing answered for a refused seek
            }
            EXPECT_EQ(seek(0, 1, &position), S_OK);
            EXPECT_EQ(position, c.Position);
        }
    }
}

TEST_F(Writer, FinalNameAppearsOnlyOnCommitWithTheAddsTime)
{
    const QString base = Root + QStringLiteral("a.7z");
    WriteFile(base, "older");
    const uint64_t now = FileSystem::Now();
    {
        StreamWriter* w = Make(base);
        EXPECT_EQ(w->Write("new", 3, nullptr), S_OK);
        EXPECT_EQ(ReadFile(base), QByteArray("older"));
        EXPECT_EQ(FolderContent(Root).size(), 2);
        Holder.Reset();  // released without commit: the older file stays alone
    }
    EXPECT_EQ(FolderContent(Root), QStringList{QStringLiteral("a.7z")});
    EXPECT_EQ(ReadFile(base), QByteArray("older"));

    StreamWriter* w = new StreamWriter(&LastError, base, now);
    Holder.Set(w);
    EXPECT_EQ(w->Write("new", 3, nullptr), S_OK);
    ASSERT_TRUE(w->Commit());
    Holder.Reset();
    EXPECT_EQ(ReadFile(base), QByteArray("new"));
    EXPECT_EQ(FolderContent(Root), QStringList{QStringLiteral("a.7z")});
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(base).constData(), &st), 0);
    const int64_t seconds = int64_t(now / 10000000ull) - 11644473600ll;
    EXPECT_EQ(st.st_mtim.tv_sec % 2, 0);
    EXPECT_LE(seconds - st.st_mtim.tv_sec, 1);
    EXPECT_GE(seconds - st.st_mtim.tv_sec, 0);
    EXPECT_EQ(LastError, 0);
}

TEST_F(Writer, CreationFailureRaisesAndStoresTheError)
{
    EXPECT_THROW(Make(Root + QStringLiteral("nie ma/a.7z")), StreamWriteError);
    EXPECT_EQ(LastError, ENOENT);
    EXPECT_TRUE(FolderContent(Root).isEmpty());
}

TEST_F(Writer, WriteErrorLatchesAndReachesLastErrorOnRelease)
{
    StreamWriter* w = Make(Root + QStringLiteral("a.7z"));
    const QByteArray data = Noise(1000);
    uint32_t done = 0;
    HRESULT first, second, third;
    uint32_t secondDone;
    {
        FileSizeLimit limit(1500);
        ASSERT_TRUE(limit.Active);
        first = w->Write(data.constData(), data.size(), &done);
        second = w->Write(data.constData(), data.size(), &done);
        secondDone = done;
        third = w->Write("x", 1, &done);
    }
    EXPECT_EQ(first, S_OK);
    EXPECT_EQ(second, S_FALSE);
    EXPECT_EQ(secondDone, 0u);
    EXPECT_EQ(third, S_FALSE);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(w->Error(), EFBIG);
    EXPECT_EQ(LastError, 0);
    Holder.Reset();
    EXPECT_EQ(LastError, EFBIG);
    EXPECT_TRUE(FolderContent(Root).isEmpty());
}

TEST_F(Writer, AnswersOnlyItsInterfaces)
{
    StreamWriter* w = Make(Root + QStringLiteral("a.7z"));
    for (const GUID& iid : {IID_IUnknown, IID_ISequentialOutStream, IID_IOutStream}) {
        void* object = nullptr;
        EXPECT_EQ(w->QueryInterface(iid, &object), S_OK);
        EXPECT_EQ(object, static_cast<IOutStream*>(w));
        w->Release();
    }
    void* object = nullptr;
    EXPECT_EQ(w->QueryInterface(IID_IInStream, &object), E_NOINTERFACE);
}

// The temporary names of this program, now and in earlier versions; nothing else.
TEST(TemporaryFiles, NamesOfThisProgram)
{
    struct Case {
        const char* Name;
        bool Ours;
    };
    const QList<Case> cases{
        {".skrytkar-abcDE9.tmp", true},
        {"Dane.7z.abcDE9.tmp", true},
        {"Zażółć .7z.AAAAAA.tmp", true},
        {".7z.abcdef.tmp", false},
        {".skrytkar-abcde.tmp", false},
        {".skrytkar-abcdefg.tmp", false},
        {".skrytkar-abc-ef.tmp", false},
        {".skrytkar-abcdef.tmp.bak", false},
        {"skrytkar-abcdef.tmp", false},
        {"Dane.7z.abcdef.TMP", false},
        {"Dane.zip.abcdef.tmp", false},
        {"Dane.7z.001.abcdef.tmp", false},
        {"notatki.tmp", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsTemporaryFileName(QString::fromUtf8(c.Name)), c.Ours) << c.Name;
}

TEST_F(ScratchTest, TemporaryFileIsShortPrivateAndLocked)
{
    const mode_t previousMask = ::umask(0);
    const QString finalName = Root + QString(250, QLatin1Char('n')) + QStringLiteral(".7z");
    QString tempName;
    OsFile file;
    ASSERT_EQ(CreateTemporaryFile(finalName, tempName, file), NoError);
    ::umask(previousMask);
    EXPECT_TRUE(tempName.startsWith(Root));
    EXPECT_TRUE(IsTemporaryFileName(tempName.mid(Root.size()))) << tempName.toStdString();
    EXPECT_EQ(ModeOf(tempName), 0600u);
    OsFile other;
    ASSERT_EQ(OsFile::OpenForReading(tempName, other), NoError);
    EXPECT_EQ(other.TryLock(true), EWOULDBLOCK);
    // A cleaner leaves it while it is held, and removes it once it is not.
    RemoveStaleTemporaryFiles(Root);
    EXPECT_TRUE(QFileInfo::exists(tempName));
    file.Close();
    RemoveStaleTemporaryFiles(Root);
    EXPECT_FALSE(QFileInfo::exists(tempName));
}

}  // namespace
