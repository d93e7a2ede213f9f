#include "core/FieldCipher.h"
#include "ListFakes.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "core/XmlDocument.h"
#include "core/EntryList.h"

#include "core/UiPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QString DamagedText = QStringLiteral("Plik listy jest uszkodzony.\rUtwórz nowy plik.");
const QString SaveFailedText = QStringLiteral("Problemy z zapisaniem pliku listy.\rCzy masz należyte uprawnienia?");
const ShownMessage DamagedMessage{1, 1, DamagedText};
const ShownMessage SaveFailedMessage{1, 1, SaveFailedText};

// The damaged-list message once the file has been kept: the specified text, then where.
ShownMessage DamagedKeptMessage(const QString& copy)
{
    return ShownMessage{1, 1, DamagedText + QStringLiteral("\rUszkodzony plik zachowano jako %1.").arg(copy)};
}

QString Fixture(const char* name)
{
    return QStringLiteral(SKRYTKAR_TEST_DATA_DIR "/core/lists/") + QString::fromLatin1(name);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

Entry MakeEntry(const QString& typ, const QString& nazwa, const QString& source, const QString& docel)
{
    return Entry{typ, nazwa, source, docel};
}

bool operator==(const Entry& a, const Entry& b)
{
    return a.Typ == b.Typ && a.Nazwa == b.Nazwa && a.Source == b.Source && a.Docel == b.Docel;
}

// The entries of the fixture lists.
const Entry Docs = MakeEntry(QStringLiteral("Folder"), QStringLiteral("Dokumenty"), QStringLiteral("/home/ola/Dokumenty"),
                         QStringLiteral("/mnt/kopie"));
const Entry Polish = MakeEntry(QStringLiteral("Plik"), QStringLiteral("Zażółć gęślą jaźń"),
                           QStringLiteral("/home/ola/Pulpit/Wykaz & <uwagi>.txt"), QStringLiteral("/mnt/kopie/\"pliki\""));
const Entry Foreign = MakeEntry(QStringLiteral("Folder"), QStringLiteral("Фото 写真"), QStringLiteral("/home/ola/Фото"),
                            QStringLiteral("/media/usb/kopie"));
const Entry Blank{};

class ListTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        list.SetFilePath(dir.filePath(QStringLiteral("Dane.dat")));
        list.SetEntries({});
        list.SetCurrentIndex(0);
        ports.SetMessagePort(&messages);
        list.SetListBox(&box);
    }
    void TearDown() override
    {
        InjectWriteFault(WriteFault::None);
        InjectSyncHook({});
        ports.SetMessagePort(nullptr);
        ::chmod(QFile::encodeName(list.FilePath()).constData(), 0644);
        list.SetEntries({});
    }

    void UseList(const EntryVector& entries)
    {
        list.SetEntries(entries);
    }

    QStringList FilesInFolder() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }

    QTemporaryDir dir;
    FakeMessages messages;
    RecordingListBox box;
    EntryList list;
    // The messages reach the user through the application's ports.
    int argc = 1;
    char name[9] = "skrytkar";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    UserInterfacePorts ports;
};

// --- Saving ------------------------------------------------------------------------------

TEST_F(ListTest, SavedListHasTheExactLayout)
{
    UseList({Docs, Polish});
    ASSERT_TRUE(list.Save());
    QByteArray expected = "<Dane>\r\n\t<Ilosc>" + EncryptField(QStringLiteral("2")).toLatin1() + "</Ilosc>\r\n";
    int k = 0;
    for (const Entry& w : list.Entries()) {
        const QByteArray nr = "Nr" + QByteArray::number(++k);
        expected += "\t<" + nr + ">\r\n";
        expected += "\t\t<Typ>" + EncryptField(w.Typ).toLatin1() + "</Typ>\r\n";
        expected += "\t\t<Nazwa>" + EncryptField(w.Nazwa).toLatin1() + "</Nazwa>\r\n";
        expected += "\t\t<Source>" + EncryptField(w.Source).toLatin1() + "</Source>\r\n";
        expected += "\t\t<Docel>" + EncryptField(w.Docel).toLatin1() + "</Docel>\r\n";
        expected += "\t</" + nr + ">\r\n";
    }
    expected += "</Dane>\r\n";
    EXPECT_EQ(ReadAll(list.FilePath()), expected);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListTest, SavedListMatchesTheStoredFixtureByteForByte)
{
    // The fixture pins the cipher's output: a change in any byte breaks existing list files.
    UseList({Docs, Polish, Foreign});
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(ReadAll(list.FilePath()), ReadAll(Fixture("valid-3.dat")));
}

TEST_F(ListTest, EmptyListIsThreeLines)
{
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(ReadAll(list.FilePath()), "<Dane>\r\n\t<Ilosc>" + EncryptField(QStringLiteral("0")).toLatin1() + "</Ilosc>\r\n</Dane>\r\n");
    ASSERT_TRUE(list.Load());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListTest, SpecialCharactersNeverReachTheFileUnenciphered)
{
    UseList({Polish});
    ASSERT_TRUE(list.Save());
    const QByteArray bytes = ReadAll(list.FilePath());
    for (const char* raw : {"&", "\"", "uwagi", "Wykaz", "&amp;", "&lt;"})
        EXPECT_FALSE(bytes.contains(raw)) << raw;
    EXPECT_EQ(bytes.count('<'), bytes.count('>'));
}

TEST_F(ListTest, TextRoundTripsThroughTheFile)
{
    const Entry odd = MakeEntry(QStringLiteral("Plik"), QStringLiteral("  spacje na brzegach  "), QStringLiteral("C:\\Stary\\ścieżka"),
                            QStringLiteral("ď»żpodobne do znacznika"));
    UseList({Docs, Polish, Foreign, odd, Blank});
    ASSERT_TRUE(list.Save());
    list.SetEntries({});
    ASSERT_TRUE(list.Load());
    ASSERT_EQ(list.Count(), 5);
    EXPECT_TRUE(list.Entries()[1] == Polish);
    EXPECT_TRUE(list.Entries()[2] == Foreign);
    EXPECT_TRUE(list.Entries()[3] == odd);  // enciphered values keep their spaces
    EXPECT_TRUE(list.Entries()[4] == Blank);
    EXPECT_TRUE(messages.shown.empty());
}

// --- Loading fixtures ----------------------------------------------------------------------

struct LoadCase {
    const char* file;
    bool damaged;
    std::vector<Entry> entries;  // expected list after loading (ignored when count is set)
    int32_t count = -1;          // expected list.Count() for lists too long to spell out
};

class LoadFixture : public ListTest, public testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFixture, EntriesAndMessage)
{
    const LoadCase& c = GetParam();
    ASSERT_TRUE(QFile::copy(Fixture(c.file), list.FilePath()));
    EXPECT_TRUE(list.Load());
    EXPECT_EQ(list.LoadDamaged(), c.damaged);
    if (c.damaged)
        EXPECT_EQ(messages.shown, std::vector<ShownMessage>{DamagedKeptMessage(list.FilePath() + QStringLiteral(".bak"))});
    else
        EXPECT_TRUE(messages.shown.empty());
    if (c.count >= 0) {
        EXPECT_EQ(list.Count(), c.count);
        EXPECT_EQ(list.Entries().size(), static_cast<size_t>(c.count));
        return;
    }
    EXPECT_EQ(list.Count(), static_cast<int32_t>(c.entries.size()));
    ASSERT_EQ(list.Entries().size(), c.entries.size());
    for (size_t i = 0; i < c.entries.size(); ++i)
        EXPECT_TRUE(list.Entries()[i] == c.entries[i]) << "entry " << i << ": " << list.Entries()[i].Nazwa.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lists, LoadFixture,
    testing::Values(LoadCase{"valid-3.dat", false, {Docs, Polish, Foreign}}, LoadCase{"empty-list.dat", false, {}},
                    LoadCase{"zero-bytes.dat", true, {}}, LoadCase{"count-3-two-entries.dat", false, {Docs, Polish, Blank}},
                    LoadCase{"count-1-five-entries.dat", false,
                             {Entry(QStringLiteral("Plik"), QStringLiteral("Wpis 1"), QStringLiteral("/src/1"), QStringLiteral("/dst"))}},
                    LoadCase{"upper-case-names.dat", false, {Docs, Polish, Foreign}},
                    LoadCase{"count-not-a-number.dat", true, {}}, LoadCase{"count-negative.dat", true, {}},
                    LoadCase{"count-huge.dat", true, {}}, LoadCase{"count-at-blank-limit.dat", false, {}, 65536},
                    LoadCase{"count-past-blank-limit.dat", true, {}}, LoadCase{"count-unenciphered.dat", true, {}},
                    LoadCase{"no-count.dat", true, {}}, LoadCase{"not-xml.dat", true, {}}, LoadCase{"binary.dat", true, {}},
                    LoadCase{"cut-short.dat", false,
                             {Docs, Entry(QStringLiteral("Plik"), QStringLiteral("Zażółć gęślą jaźń"), QString(), QString()), Blank}},
                    LoadCase{"damaged-value.dat", false,
                             {Docs, Entry(Polish.Typ, Polish.Nazwa, QString(), Polish.Docel), Foreign}},
                    LoadCase{"utf16.dat", false, {Docs, Polish, Foreign}},
                    LoadCase{"extra-elements.dat", false, {Docs, Polish, Foreign}}),
    [](const testing::TestParamInfo<LoadCase>& info) {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

TEST_F(ListTest, CountThatIsNoNumberLeavesTheListAsItWas)
{
    UseList({Docs});
    ASSERT_TRUE(QFile::copy(Fixture("count-not-a-number.dat"), list.FilePath()));
    list.Load();
    EXPECT_EQ(list.Count(), 1);
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_TRUE(list.Entries()[0] == Docs);
}

TEST_F(ListTest, CountTooLargeEmptiesTheList)
{
    UseList({Docs});
    ASSERT_TRUE(QFile::copy(Fixture("count-huge.dat"), list.FilePath()));
    list.Load();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Entries().empty());
}

TEST_F(ListTest, ACountBeyondTheBlankLimitIsBelievedWhenTheFileHoldsThatManyElements)
{
    XmlDocument doc;
    SetPathText(doc, {QStringLiteral("Dane"), QStringLiteral("Ilosc")}, EncryptField(QString::number(MaxBlankEntries + 2)));
    for (int k = 1; k <= MaxBlankEntries + 1; ++k)
        doc.FindChild(QStringLiteral("Dane"), false)->AddChild(std::make_unique<XmlNode>());
    EXPECT_EQ(list.ReadEntries(doc), 0);
    EXPECT_EQ(list.Count(), MaxBlankEntries + 2);
}

TEST_F(ListTest, MissingFileIsAnEmptyListWithoutMessage)
{
    EXPECT_TRUE(list.Load());
    list.FillListBox();
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_EQ(box.Count(), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(QFile::exists(list.FilePath()));
    list.AppendEntry(Docs.Typ, Docs.Nazwa, Docs.Source, Docs.Docel);
    EXPECT_TRUE(QFile::exists(list.FilePath()));
}

TEST_F(ListTest, UnreadableListFileRaises)
{
    ASSERT_TRUE(QDir().mkdir(list.FilePath()));
    EXPECT_THROW(list.Load(), ListFileError);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListTest, NamesInAnotherCaseAreReadAndWrittenBackExactly)
{
    ASSERT_TRUE(QFile::copy(Fixture("upper-case-names.dat"), list.FilePath()));
    QFile::setPermissions(list.FilePath(), QFile::ReadOwner | QFile::WriteOwner);
    list.Load();
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(ReadAll(list.FilePath()), ReadAll(Fixture("valid-3.dat")));
}

TEST_F(ListTest, ElementsBeyondTheCountVanishAtTheNextSave)
{
    ASSERT_TRUE(QFile::copy(Fixture("count-1-five-entries.dat"), list.FilePath()));
    QFile::setPermissions(list.FilePath(), QFile::ReadOwner | QFile::WriteOwner);
    list.Load();
    ASSERT_TRUE(list.Save());
    const QByteArray bytes = ReadAll(list.FilePath());
    EXPECT_TRUE(bytes.contains("<Nr1>"));
    EXPECT_FALSE(bytes.contains("<Nr2>"));
}

// --- The damaged file is kept --------------------------------------------------------------

TEST_F(ListTest, DamagedFileIsCopiedBesideItBeforeTheNextSave)
{
    const QString bak = list.FilePath() + QStringLiteral(".bak");
    ASSERT_TRUE(QFile::copy(Fixture("binary.dat"), list.FilePath()));
    list.Load();
    EXPECT_TRUE(list.LoadDamaged());
    EXPECT_EQ(list.DamagedCopyPath(), bak);
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{DamagedKeptMessage(bak)});
    EXPECT_EQ(ReadAll(bak), ReadAll(Fixture("binary.dat")));
    list.AppendEntry(Docs.Typ, Docs.Nazwa, Docs.Source, Docs.Docel);
    EXPECT_EQ(ReadAll(bak), ReadAll(Fixture("binary.dat")));
    EXPECT_TRUE(ReadAll(list.FilePath()).startsWith("<Dane>"));
}

TEST_F(ListTest, AnEarlierCopyOfADamagedFileIsNeverReplaced)
{
    // Two earlier copies, and a folder that happens to have the third name.
    const QString bak = list.FilePath() + QStringLiteral(".bak");
    WriteBytes(bak, "the first damaged list");
    WriteBytes(bak + QStringLiteral(".2"), "the second damaged list");
    ASSERT_TRUE(QDir().mkdir(bak + QStringLiteral(".3")));
    ASSERT_TRUE(QFile::copy(Fixture("not-xml.dat"), list.FilePath()));

    list.Load();

    EXPECT_EQ(list.DamagedCopyPath(), bak + QStringLiteral(".4"));
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{DamagedKeptMessage(bak + QStringLiteral(".4"))});
    EXPECT_EQ(ReadAll(bak), QByteArray("the first damaged list"));
    EXPECT_EQ(ReadAll(bak + QStringLiteral(".2")), QByteArray("the second damaged list"));
    EXPECT_TRUE(QFileInfo(bak + QStringLiteral(".3")).isDir());
    EXPECT_EQ(ReadAll(bak + QStringLiteral(".4")), ReadAll(Fixture("not-xml.dat")));

    // The next damaged load takes the next name.
    messages.shown.clear();
    ASSERT_TRUE(QFile::remove(list.FilePath()));
    ASSERT_TRUE(QFile::copy(Fixture("binary.dat"), list.FilePath()));
    list.Load();
    EXPECT_EQ(list.DamagedCopyPath(), bak + QStringLiteral(".5"));
    EXPECT_EQ(ReadAll(bak + QStringLiteral(".4")), ReadAll(Fixture("not-xml.dat")));
    EXPECT_EQ(ReadAll(bak + QStringLiteral(".5")), ReadAll(Fixture("binary.dat")));
}

TEST_F(ListTest, ADamagedFileThatCannotBeKeptIsNotReplaced)
{
    const QString bak = list.FilePath() + QStringLiteral(".bak");
    // No copy reaches the disk.
    InjectSyncHook([](const QString& folder) { return folder.isEmpty() ? EIO : NoError; });
    ASSERT_TRUE(QFile::copy(Fixture("not-xml.dat"), list.FilePath()));
    QFile::setPermissions(list.FilePath(), QFile::ReadOwner | QFile::WriteOwner);
    list.Load();
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{DamagedMessage});
    EXPECT_TRUE(list.DamagedCopyPath().isEmpty());
    list.AppendEntry(Docs.Typ, Docs.Nazwa, Docs.Source, Docs.Docel);
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{DamagedMessage, SaveFailedMessage}));
    EXPECT_EQ(ReadAll(list.FilePath()), ReadAll(Fixture("not-xml.dat")));
    EXPECT_FALSE(QFile::exists(bak));
    // Once the copy can be made, the save goes through.
    InjectSyncHook({});
    EXPECT_TRUE(list.Save());
    EXPECT_EQ(ReadAll(bak), ReadAll(Fixture("not-xml.dat")));
}

TEST_F(ListTest, AHealthyLoadMakesNoBackup)
{
    ASSERT_TRUE(QFile::copy(Fixture("valid-3.dat"), list.FilePath()));
    list.Load();
    EXPECT_FALSE(list.LoadDamaged());
    EXPECT_FALSE(QFile::exists(list.FilePath() + QStringLiteral(".bak")));
}

// --- Saving safely -----------------------------------------------------------------------

class SaveFault : public ListTest, public testing::WithParamInterface<WriteFault> {};

TEST_P(SaveFault, PreviousFileStaysWholeAndTheUserIsTold)
{
    UseList({Docs, Polish});
    ASSERT_TRUE(list.Save());
    const QByteArray before = ReadAll(list.FilePath());
    list.FillListBox();

    InjectWriteFault(GetParam());
    list.AppendEntry(Foreign.Typ, Foreign.Nazwa, Foreign.Source, Foreign.Docel);
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{SaveFailedMessage});
    EXPECT_EQ(ReadAll(list.FilePath()), before);
    EXPECT_EQ(FilesInFolder(), QStringList{QStringLiteral("Dane.dat")});  // no temporary file left
    // The change stays in memory and in the list box.
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(box.items.size(), 3);
    EXPECT_FALSE(list.Save());

    InjectWriteFault(WriteFault::None);
    EXPECT_TRUE(list.Save());
    list.SetEntries({});
    list.Load();
    EXPECT_EQ(list.Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Steps, SaveFault,
                         testing::Values(WriteFault::Create, WriteFault::Write, WriteFault::Flush, WriteFault::Rename));

TEST_F(ListTest, ReadOnlyListFileIsNotReplaced)
{
    UseList({Docs});
    ASSERT_TRUE(list.Save());
    const QByteArray before = ReadAll(list.FilePath());
    ASSERT_EQ(::chmod(QFile::encodeName(list.FilePath()).constData(), 0444), 0);
    list.FillListBox();
    list.UpdateCurrentEntry(Polish.Typ, Polish.Nazwa, Polish.Source, Polish.Docel);
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{SaveFailedMessage});
    EXPECT_EQ(box.items, QStringList{Polish.Nazwa});  // the edit stays visible
    EXPECT_EQ(ReadAll(list.FilePath()), before);
    // After a restart the old content is back.
    list.SetEntries({});
    list.Load();
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_TRUE(list.Entries()[0] == Docs);
}

TEST_F(ListTest, SaveKeepsThePermissionsOfTheListFile)
{
    UseList({Docs});
    ASSERT_TRUE(list.Save());
    ASSERT_EQ(::chmod(QFile::encodeName(list.FilePath()).constData(), 0640), 0);
    ASSERT_TRUE(list.Save());
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(list.FilePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(ListTest, SaveIntoAMissingFolderFails)
{
    list.SetFilePath(dir.filePath(QStringLiteral("brak/Dane.dat")));
    EXPECT_FALSE(list.Save());
    EXPECT_EQ(messages.shown, std::vector<ShownMessage>{SaveFailedMessage});
}

// --- Operations and the selection ------------------------------------------------------------

EntryVector Numbered(int n)
{
    EntryVector list;
    for (int i = 0; i < n; ++i)
        list.push_back(Entry(QStringLiteral("Plik"), QStringLiteral("w%1").arg(i), QStringLiteral("/s%1").arg(i), QStringLiteral("/d")));
    return list;
}

struct DeleteCase {
    int size;
    int current;
    int expectedCurrent;
    QStringList expectedItems;
};

class Delete : public ListTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(Delete, SelectsTheNeighbourAndSaves)
{
    const DeleteCase& c = GetParam();
    UseList(Numbered(c.size));
    list.SetCurrentIndex(c.current);
    EXPECT_TRUE(list.DeleteCurrentEntry());
    EXPECT_EQ(list.CurrentIndex(), c.expectedCurrent);
    EXPECT_EQ(list.Count(), c.size - 1);
    EXPECT_EQ(box.items, c.expectedItems);
    if (c.expectedCurrent >= 0)
        EXPECT_EQ(box.selected, std::set<int>{c.expectedCurrent});
    else
        EXPECT_TRUE(box.selected.empty());
    list.SetEntries({});
    list.Load();
    EXPECT_EQ(list.Count(), c.size - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, Delete,
    testing::Values(DeleteCase{5, 2, 1, {"w0", "w1", "w3", "w4"}}, DeleteCase{5, 0, 0, {"w1", "w2", "w3", "w4"}},
                    DeleteCase{4, 3, 2, {"w0", "w1", "w2"}}, DeleteCase{1, 0, -1, {}}));

TEST_F(ListTest, AppendSelectsTheNewLastEntry)
{
    UseList(Numbered(3));
    list.SetCurrentIndex(0);
    list.AppendEntry(Docs.Typ, Docs.Nazwa, Docs.Source, Docs.Docel);
    EXPECT_EQ(list.CurrentIndex(), 3);
    EXPECT_EQ(box.items.last(), Docs.Nazwa);
    EXPECT_EQ(box.selected, std::set<int>{3});
    EXPECT_TRUE(ReadAll(list.FilePath()).contains("<Nr4>"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListTest, UpdateKeepsTheCurrentEntrySelected)
{
    UseList(Numbered(3));
    list.SetCurrentIndex(1);
    list.UpdateCurrentEntry(Polish.Typ, Polish.Nazwa, Polish.Source, Polish.Docel);
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(box.items, (QStringList{QStringLiteral("w0"), Polish.Nazwa, QStringLiteral("w2")}));
    EXPECT_EQ(box.selected, std::set<int>{1});
    list.SetEntries({});
    list.Load();
    EXPECT_TRUE(list.Entries()[1] == Polish);
}

TEST_F(ListTest, ClearSavesEvenAnEmptyList)
{
    EXPECT_TRUE(list.ClearList());
    EXPECT_EQ(list.CurrentIndex(), -1);
    EXPECT_TRUE(box.items.isEmpty());
    ASSERT_TRUE(QFile::exists(list.FilePath()));
    UseList(Numbered(2));
    ASSERT_TRUE(list.Save());
    EXPECT_TRUE(list.ClearList());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(ReadAll(list.FilePath()).contains("<Nr1>"));
}

TEST_F(ListTest, FillListBoxChoosesAValidCurrentEntry)
{
    UseList(Numbered(3));
    list.SetCurrentIndex(-1);
    list.FillListBox();
    EXPECT_EQ(list.CurrentIndex(), 0);
    EXPECT_EQ(box.selected, std::set<int>{0});
    list.SetCurrentIndex(2);
    list.FillListBox();
    EXPECT_EQ(box.selected, std::set<int>{2});
    UseList({});
    list.FillListBox();
    EXPECT_EQ(list.CurrentIndex(), -1);
}

TEST_F(ListTest, AddReplaceRemoveDoNotTouchTheBoxOrTheFile)
{
    EXPECT_EQ(list.AddEntry(QStringLiteral("Plik"), QStringLiteral("a"), QStringLiteral("/a"), QStringLiteral("/d")), 0);
    EXPECT_EQ(list.AddEntry(QStringLiteral("Plik"), QStringLiteral("b"), QStringLiteral("/b"), QStringLiteral("/d")), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.ReplaceEntry(QStringLiteral("Folder"), QStringLiteral("B"), QStringLiteral("/B"), QStringLiteral("/D")), 1);
    EXPECT_EQ(list.Entries()[1].Nazwa, QStringLiteral("B"));
    EXPECT_EQ(list.CurrentIndex(), 1);
    EXPECT_EQ(list.RemoveEntry(), 0);
    EXPECT_EQ(list.CurrentIndex(), 1);  // the caller stores the result
    EXPECT_EQ(list.Count(), 1);
    EXPECT_TRUE(box.items.isEmpty());
    EXPECT_FALSE(QFile::exists(list.FilePath()));
}

TEST_F(ListTest, PathTextCreatesMissingElements)
{
    XmlDocument doc;
    EXPECT_EQ(GetPathText(doc, {QStringLiteral("Dane"), QStringLiteral("Nr7"), QStringLiteral("Typ")}), QString());
    EXPECT_NE(doc.FindChild(QStringLiteral("dane"), false)->FindChild(QStringLiteral("NR7"), false), nullptr);
    SetPathText(doc, {QStringLiteral("DANE"), QStringLiteral("Ilosc")}, QStringLiteral("x"));
    EXPECT_EQ(doc.Root->ChildCount(), 1);
    EXPECT_EQ(GetPathText(doc, {QStringLiteral("Dane"), QStringLiteral("ILOSC")}), QStringLiteral("x"));
}

// --- What a killed save left behind -----------------------------------------------------

TEST_F(ListTest, AStartRemovesTheCopiesOfAKilledSaveThatNobodyHolds)
{
    const QString base = list.FilePath();
    WriteBytes(base, "<Dane></Dane>");
    const QStringList stale = {base + QStringLiteral(".QxYzAb"), base + QStringLiteral(".abCDef")};
    // A save at work holds its copy; names that only look alike, and the user's own files.
    const QString held = base + QStringLiteral(".HeLdAa");
    const QStringList kept = {held,
                              base + QStringLiteral(".backup"),
                              base + QStringLiteral(".BACKUP"),
                              base + QStringLiteral(".Backup"),
                              base + QStringLiteral(".bak"),
                              base + QStringLiteral(".Ab12Cd"),
                              base + QStringLiteral(".AbCdEfG"),
                              dir.filePath(QStringLiteral("Inny.dat.QxYzAb")),
                              dir.filePath(QStringLiteral("xDane.dat.QxYzAb"))};
    for (const QString& path : stale + kept)
        WriteBytes(path, "<Dane>");
    ASSERT_TRUE(QDir().mkdir(base + QStringLiteral(".FoLdEr")));
    OsFile holder;
    ASSERT_EQ(OsFile::OpenForReading(held, holder), NoError);
    ASSERT_EQ(holder.TryLock(true), NoError);

    RemoveStaleSaveCopies(base);

    for (const QString& path : stale)
        EXPECT_FALSE(QFile::exists(path)) << path.toStdString();
    for (const QString& path : kept)
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(QFileInfo(base + QStringLiteral(".FoLdEr")).isDir());
    EXPECT_EQ(ReadAll(base), QByteArray("<Dane></Dane>"));
}

} // namespace
