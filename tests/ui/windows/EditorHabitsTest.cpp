// The entry editor as a new user meets it: a name offered from the chosen file or folder, the
// name's limit shown while typing, a destination that does not exist offered to be made, and a
// folder whose subfolders would be left out said before the entry is stored.

#include "WindowsFixture.h"

#include "core/Settings.h"

#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

struct NameCase {
    const char* typ;
    const char* source;
    const char* name;
};

const NameCase NameCases[] = {
    {"Plik", "/dane/raport roczny.pdf", "raport roczny"},
    {"Plik", "/dane/raport.2024.pdf", "raport 2024"},     // a refused full stop parts the words
    {"Plik", "/dane/.bashrc", "bashrc"},
    {"Plik", "/dane/bez rozszerzenia", "bez rozszerzenia"},
    {"Folder", "/home/ola/Zdjęcia", "Zdjęcia"},
    {"Folder", "/home/ola/Zdjęcia/", "Zdjęcia"},
    {"Folder", "/home/ola/v1.2", "v1 2"},
    {"Folder", "/home/ola/Bardzo długa nazwa folderu z wakacji", "Bardzo długa nazwa f"},  // cut to 20
    {"Folder", "/home/ola/Dziewiętnaście znaków x", "Dziewiętnaście znakó"},
    {"Folder", "/", ""},
};

TEST(SuggestedEntryNameTest, NamesFromFilesAndFoldersKeepToTheFieldsRules)
{
    for (const NameCase& c : NameCases) {
        const QString name = SuggestedEntryName(QString::fromUtf8(c.typ), QString::fromUtf8(c.source));
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.source;
        EXPECT_LE(name.size(), EntryNameLimit);
        EXPECT_TRUE(std::none_of(name.cbegin(), name.cend(), IsRejectedNameCharacter)) << c.source;
    }
}

class EditorHabitsTest : public WindowsTest {
protected:
    void TearDown() override
    {
        if (editor->isVisible())
            editor->done(0);
        WindowsTest::TearDown();
    }

    void MakeFile(const QString& name)
    {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Path(name)).absolutePath()));
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    // Adds a folder entry with this source and destination, confirming once with Enter; true
    // when the editor closed.
    bool AddFolder(const QString& source, const QString& destination)
    {
        bool closed = false;
        WhenModalOpens([&] {
            editor->ESciezka->setText(destination);
            QTest::keyClick(editor->ENazwa, Qt::Key_Return);
            closed = !editor->isVisible();
            if (!closed)
                editor->Cancel();
        });
        folderAnswers.push_back(source);
        mainWindow->AddFolderEntry();
        return closed;
    }

    QStringList Texts() const
    {
        QStringList texts;
        for (const ShownMessage& m : Messages().shown)
            texts << m.text;
        return texts;
    }
};

TEST_F(EditorHabitsTest, TheNamesLimitIsShownWhileTypingAndWhatItRefusesIsSaid)
{
    fileAnswers.push_back(QStringLiteral("/dane/a.txt"));
    QString start, typed, refused, afterBackspace, pasted, pastedNote;
    QColor atLimit, belowLimit;
    WhenModalOpens([&] {
        start = editor->LLimit->text();
        editor->ENazwa->clear();
        QTest::keyClicks(editor->ENazwa, QStringLiteral("abcdefghijklmnopqrs"));  // 19
        typed = editor->LLimit->text();
        belowLimit = editor->LLimit->palette().color(QPalette::WindowText);
        QTest::keyClicks(editor->ENazwa, QStringLiteral("tu"));  // the 21st is refused
        refused = editor->LLimit->text();
        atLimit = editor->LLimit->palette().color(QPalette::WindowText);
        QTest::keyClick(editor->ENazwa, Qt::Key_Backspace);
        afterBackspace = editor->LLimit->text();
        editor->ENazwa->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("Nazwa wklejona dłuższa niż dwadzieścia"));
        QTest::keyClick(editor->ENazwa, Qt::Key_V, Qt::ControlModifier);
        pasted = editor->ENazwa->text();
        pastedNote = editor->LLimit->text();
        editor->Cancel();
    });
    mainWindow->AddFileEntry();
    EXPECT_EQ(start, QStringLiteral("1 z 20 znaków"));  // the offered name "a"
    EXPECT_EQ(typed, QStringLiteral("19 z 20 znaków"));
    EXPECT_EQ(refused, QStringLiteral("najwyżej 20 znaków"));
    EXPECT_NE(atLimit, belowLimit);
    EXPECT_EQ(afterBackspace, QStringLiteral("19 z 20 znaków"));
    EXPECT_EQ(pasted, QStringLiteral("Nazwa wklejona dłużs"));
    EXPECT_EQ(pastedNote, QStringLiteral("najwyżej 20 znaków"));
}

struct DestinationCase {
    const char* name;
    int answer;
    bool stored;
    bool created;
};

class MissingDestinationTest : public EditorHabitsTest, public ::testing::WithParamInterface<DestinationCase> {};

TEST_P(MissingDestinationTest, IsOfferedToBeMade)
{
    const DestinationCase& c = GetParam();
    const QString destination = Path(QStringLiteral("nowe/kopie"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("zrodlo"))));
    Messages().answers = {c.answer};
    const bool closed = AddFolder(Path(QStringLiteral("zrodlo")), destination);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Folder ") + destination + QStringLiteral(" nie istnieje. Utworzyć?")});
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsYesNoCancel);
    EXPECT_EQ(closed, c.stored);
    EXPECT_EQ(ListOnDisk().size(), c.stored ? 1u : 0u);
    EXPECT_EQ(QFileInfo(destination).isDir(), c.created);
}

INSTANTIATE_TEST_SUITE_P(Answers, MissingDestinationTest,
                         ::testing::Values(DestinationCase{"TakMakesIt", AnswerYes, true, true},
                                           DestinationCase{"NieKeepsItAsTyped", AnswerNo, true, false},
                                           DestinationCase{"AnulujGoesBack", AnswerCancel, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorHabitsTest, ADestinationThatCannotBeMadeIsSaidAndTheEditorStays)
{
    MakeFile(QStringLiteral("plik"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("zrodlo"))));
    Messages().answers = {AnswerYes};
    EXPECT_FALSE(AddFolder(Path(QStringLiteral("zrodlo")), Path(QStringLiteral("plik/kopie"))));
    ASSERT_EQ(Messages().shown.size(), 2u);
    EXPECT_TRUE(Texts()[1].startsWith(QStringLiteral("Nie można utworzyć folderu ") + Path(QStringLiteral("plik/kopie")) + QStringLiteral(": ")))
        << Texts()[1].toStdString();
    EXPECT_TRUE(ListOnDisk().empty());
}

struct SubfolderCase {
    const char* name;
    std::vector<const char*> files;  // under the source folder
    bool wholeTreesOn;
    bool asked;
};

const SubfolderCase SubfolderCases[] = {
    {"FileDeepInASubfolder", {"Zdjęcia/lato/film.mp4"}, false, true},
    {"FileInADirectSubfolder", {"Zdjęcia/a/b.jpg", "Zdjęcia/c.jpg"}, false, true},
    {"OnlyItsOwnFiles", {"Zdjęcia/c.jpg"}, false, false},
    {"OnlyEmptySubfolders", {"Zdjęcia/c.jpg", "Zdjęcia/pusty/"}, false, false},
    {"WholeTreesAlreadyOn", {"Zdjęcia/lato/film.mp4"}, true, false},
};

class SubfolderQuestionTest : public EditorHabitsTest, public ::testing::WithParamInterface<SubfolderCase> {};

TEST_P(SubfolderQuestionTest, IsAskedOnlyWhenSubfoldersWithFilesWouldBeLeftOut)
{
    const SubfolderCase& c = GetParam();
    for (const char* file : c.files) {
        const QString name = QString::fromUtf8(file);
        if (name.endsWith(QLatin1Char('/'))) {
            ASSERT_TRUE(QDir().mkpath(Path(name)));
        } else {
            MakeFile(name);
        }
    }
    if (c.wholeTreesOn) {
        Settings wholeTrees;
        wholeTrees.Podfoldery = true;
        ASSERT_EQ(SaveSettings(wholeTrees, SettingsFilePath()), NoError);
    }
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("kopie"))));
    Messages().answers = {AnswerYes};
    EXPECT_TRUE(AddFolder(Path(QStringLiteral("Zdjęcia")), Path(QStringLiteral("kopie"))));
    const QString question = QStringLiteral(
        "Folder Zdjęcia ma podfoldery z plikami, których archiwum nie obejmie. Archiwizować całe podfoldery?");
    EXPECT_EQ(Texts(), c.asked ? QStringList{question} : QStringList{});
    EXPECT_EQ(LoadSettings().Podfoldery, c.asked || c.wholeTreesOn);
    EXPECT_EQ(ListOnDisk().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Trees, SubfolderQuestionTest, ::testing::ValuesIn(SubfolderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditorHabitsTest, NieToTheSubfolderQuestionKeepsTheSettingOffAndWritesNoFile)
{
    MakeFile(QStringLiteral("Zdjęcia/lato/film.mp4"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("kopie"))));
    Messages().answers = {AnswerNo};
    EXPECT_TRUE(AddFolder(Path(QStringLiteral("Zdjęcia")), Path(QStringLiteral("kopie"))));
    EXPECT_EQ(Messages().shown.size(), 1u);
    EXPECT_FALSE(QFile::exists(SettingsFilePath()));  // without a settings file all stays as it was
    EXPECT_FALSE(LoadSettings().Podfoldery);
    EXPECT_EQ(ListOnDisk().size(), 1u);

    // Anuluj goes back to the editor; nothing is stored.
    Messages().shown.clear();
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("kopie2"))));
    Messages().answers = {AnswerCancel};
    EXPECT_FALSE(AddFolder(Path(QStringLiteral("Zdjęcia")), Path(QStringLiteral("kopie2"))));
    EXPECT_EQ(ListOnDisk().size(), 1u);
}

TEST_F(EditorHabitsTest, ChangingAFolderEntryAsksToo)
{
    MakeFile(QStringLiteral("Zdjęcia/lato/film.mp4"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("kopie"))));
    SeedList({{QStringLiteral("Folder"), QStringLiteral("Zdjęcia"), Path(QStringLiteral("Zdjęcia")), Path(QStringLiteral("kopie"))}});
    SelectRows({0});
    Messages().answers = {AnswerYes};
    WhenModalOpens([&] { QTest::keyClick(editor->ENazwa, Qt::Key_Return); });
    mainWindow->EditEntry();
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_TRUE(Messages().shown[0].text.startsWith(QStringLiteral("Folder Zdjęcia ma podfoldery z plikami")));
    EXPECT_TRUE(LoadSettings().Podfoldery);
}

TEST_F(EditorHabitsTest, TheFileDialogAndThePickerStartInTheLastFolderUsed)
{
    MakeFile(QStringLiteral("dokumenty/list.txt"));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("kopie"))));
    EXPECT_EQ(editor->StartFolder(), editor->StartFolder());  // stable between calls
    fileAnswers.push_back(Path(QStringLiteral("dokumenty/list.txt")));
    WhenModalOpens([&] { editor->Cancel(); });
    mainWindow->AddFileEntry();
    EXPECT_EQ(editor->StartFolder(), Path(QStringLiteral("dokumenty")));
    // A folder that has gone since: the user's home again.
    ASSERT_TRUE(QDir(Path(QStringLiteral("dokumenty"))).removeRecursively());
    EXPECT_EQ(editor->StartFolder(), QDir::homePath());
}

} // namespace
