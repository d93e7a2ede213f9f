// The entry editor and its commands: adding files and folders through the choosers, editing,
// the name filter and length limit, the checks, Escape and Enter, deletion and a new list.

#include "WindowsFixture.h"

#include "ui/skin/HotZone.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>

namespace {

const Entry Alfa{QStringLiteral("Plik"), QStringLiteral("Alfa"), QStringLiteral("/dane/alfa.txt"), QStringLiteral("/kopie/a")};
const Entry Beta{QStringLiteral("Folder"), QStringLiteral("Beta"), QStringLiteral("/dane/beta"), QStringLiteral("/kopie/b")};

// Types text character by character as key presses carrying that text (any letters).
void TypeText(QWidget* field, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &release);
    }
}

void ClickZone(QWidget* zone)
{
    WindowsTest::ClickAt(zone->window(), zone->mapTo(zone->window(), zone->rect().center()));
}

TEST_F(WindowsTest, AddFileOpensTheEditorAndAppendsTheEntry)
{
    SeedList({Alfa, Beta});
    SelectRows({1});
    fileAnswers.push_back(QStringLiteral("/dane/raport roczny"));
    QString location, name, destination;
    QPoint place;
    WhenModalOpens([&] {
        location = editor->LPolozenie->text();
        name = editor->ENazwa->text();
        destination = editor->ESciezka->text();
        place = editor->pos();
        EXPECT_EQ(editor->focusWidget(), editor->ENazwa);
        QTest::keyClicks(editor->ENazwa, QStringLiteral("Raport 2024"));
        ClickZone(editor->LWprowadzDoListy);
    });
    QTest::keyClick(mainWindow->Lista, Qt::Key_P, Qt::AltModifier);

    ASSERT_EQ(fileDialogTitles.size(), 1u);
    EXPECT_EQ(fileDialogTitles[0], QStringLiteral("Wskaż plik do archiwizacji|Wszystkie pliki [*.*]"));
    EXPECT_EQ(location, QStringLiteral("/dane/raport roczny"));
    EXPECT_EQ(name, QStringLiteral("raport roczny"));  // offered from the file's name
    EXPECT_EQ(destination, QStringLiteral("/kopie/b"));  // the current entry's destination
    EXPECT_EQ(place, mainWindow->pos() + QPoint(25, 81));
    EXPECT_FALSE(editor->isVisible());
    const Entry added{QStringLiteral("Plik"), QStringLiteral("Raport 2024"), QStringLiteral("/dane/raport roczny"),
                      QStringLiteral("/kopie/b")};
    EXPECT_EQ(ListOnDisk(), (std::vector<Entry>{Alfa, Beta, added}));
    EXPECT_EQ(mainWindow->Lista->count(), 3);
    EXPECT_EQ(mainWindow->Lista->item(2)->text(), QStringLiteral("Raport 2024"));
    EXPECT_EQ(SelectedRows(), std::vector<int>{2});
}

TEST_F(WindowsTest, AddFileWithAnEmptyListOffersNoDestination)
{
    fileAnswers.push_back(QStringLiteral("/dane/x.txt"));
    QString destination = QStringLiteral("unset");
    WhenModalOpens([&] {
        destination = editor->ESciezka->text();
        QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
    });
    mainWindow->AddFileEntry();
    EXPECT_EQ(destination, QString());
    EXPECT_TRUE(ListOnDisk().empty());
}

TEST_F(WindowsTest, CancelledChoosersOpenNothing)
{
    bool opened = false;
    WhenModalOpens([&] {
        opened = editor->isVisible();
        editor->done(0);
    });
    mainWindow->AddFileEntry();
    mainWindow->AddFolderEntry();
    QTest::qWait(5);
    EXPECT_FALSE(opened);
    EXPECT_EQ(fileDialogTitles.size(), 1u);
    EXPECT_EQ(folderRequests.size(), 1u);
}

TEST_F(WindowsTest, FolderPickerStartsAtHomeThenAtTheLastChoice)
{
    SeedList({Alfa});
    const QString source = Path(QStringLiteral("zrodlo"));
    const QString destination = Path(QStringLiteral("cel"));
    ASSERT_TRUE(QDir().mkpath(source));
    ASSERT_TRUE(QDir().mkpath(destination));
    folderAnswers = {source, destination};
    WhenModalOpens([&] {
        EXPECT_EQ(editor->LPolozenie->text(), source);
        QTest::keyClicks(editor->ENazwa, QStringLiteral("Zrodlo"));
        ClickZone(editor->LNowyFolder);  // a new destination through the picker
        EXPECT_EQ(editor->ESciezka->text(), destination);
        QTest::keyClick(editor->ENazwa, Qt::Key_Return);
    });
    QTest::keyClick(mainWindow->Lista, Qt::Key_F, Qt::AltModifier);

    ASSERT_EQ(folderRequests.size(), 2u);
    // Never the program's own folder: the user's home.
    EXPECT_EQ(folderRequests[0].StartFolder, QDir::homePath());
    EXPECT_NE(folderRequests[0].StartFolder, ProgramDirectory());
    EXPECT_EQ(folderRequests[0].Caption, QStringLiteral("Wskaż folder do archiwizacji"));
    EXPECT_EQ(folderRequests[0].StatusText, QStringLiteral("Wskaż folder"));
    EXPECT_FALSE(folderRequests[0].ShowStatusText);
    EXPECT_EQ(folderRequests[1].StartFolder, source);
    EXPECT_EQ(folderRequests[1].Caption, QStringLiteral("Wskaż folder do archiwizacji"));
    const Entry added{QStringLiteral("Folder"), QStringLiteral("Zrodlo"), source, destination};
    EXPECT_EQ(ListOnDisk(), (std::vector<Entry>{Alfa, added}));

    // The next folder starts where the last choice was, whether source or destination.
    mainWindow->AddFolderEntry();
    ASSERT_EQ(folderRequests.size(), 3u);
    EXPECT_EQ(folderRequests[2].StartFolder, destination);
}

TEST_F(WindowsTest, NameFieldRefusesTypedSeparatorsAndTheTwentyFirstCharacter)
{
    fileAnswers.push_back(QStringLiteral("/dane/x.txt"));
    QString typed, afterLimit, pasted;
    WhenModalOpens([&] {
        QTest::keyClicks(editor->ENazwa, QStringLiteral("a.b/c:d\"#&*;<>?\\{|}e"));
        typed = editor->ENazwa->text();
        editor->ENazwa->clear();
        TypeText(editor->ENazwa, QStringLiteral("=,'[]() -_ąęŁ!@$%^~`+"));
        afterLimit = editor->ENazwa->text();
        QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
    });
    mainWindow->AddFileEntry();
    EXPECT_EQ(typed, QStringLiteral("abcde"));
    EXPECT_EQ(afterLimit, QStringLiteral("=,'[]() -_ąęŁ!@$%^~`"));  // 20 characters, the 21st refused
    EXPECT_EQ(editor->ENazwa->maxLength(), 20);
    for (const char c : QByteArray("\"#&*./:;<>?\\{|}"))
        EXPECT_TRUE(IsRejectedNameCharacter(QLatin1Char(c))) << c;
    for (const char c : QByteArray("=,'[]() -_09azAZ!"))
        EXPECT_FALSE(IsRejectedNameCharacter(QLatin1Char(c))) << c;
    EXPECT_FALSE(IsRejectedNameCharacter(QChar(0x0105)));  // national letters pass
    EXPECT_FALSE(IsRejectedNameCharacter(QChar(8)));        // backspace passes
}

struct MissingCase {
    const char* name;
    QString entryName;
    QString destination;
    QString message;  // names the missing field
};

class EditorChecksTest : public WindowsTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(EditorChecksTest, MissingFieldKeepsTheEditorOpenAndEscapeStoresNothing)
{
    const MissingCase& c = GetParam();
    SeedList({Alfa});
    fileAnswers.push_back(QStringLiteral("/dane/y.txt"));
    bool openAfterEnter = false, openAfterClick = false;
    QString keptName;
    WhenModalOpens([&] {
        editor->ENazwa->setText(c.entryName);
        editor->ESciezka->setText(c.destination);
        QTest::keyClick(editor->ESciezka, Qt::Key_Return);
        openAfterEnter = editor->isVisible();
        ClickZone(editor->LWprowadzDoListy);
        openAfterClick = editor->isVisible();
        keptName = editor->ENazwa->text();
        QTest::keyClick(editor->ESciezka, Qt::Key_Escape);
    });
    mainWindow->AddFileEntry();
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(openAfterClick);
    EXPECT_EQ(keptName, c.entryName);
    ASSERT_EQ(Messages().shown.size(), 2u);
    for (const ShownMessage& call : Messages().shown) {
        EXPECT_EQ(call.text, c.message);
        EXPECT_EQ(call.buttons, ButtonsClose);
        EXPECT_EQ(call.icon, IconInfo);
    }
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ListOnDisk(), std::vector<Entry>{Alfa});
}

INSTANTIATE_TEST_SUITE_P(Fields, EditorChecksTest,
                         ::testing::Values(MissingCase{"NoName", QString(), QStringLiteral("/kopie"),
                                                       QStringLiteral("Wprowadź konieczne dane: nazwę pozycji na liście.")},
                                           MissingCase{"NoDestination", QStringLiteral("Nazwa"), QString(),
                                                       QStringLiteral("Wprowadź konieczne dane: folder archiwum.")},
                                           MissingCase{"Neither", QString(), QString(),
                                                       QStringLiteral("Wprowadź konieczne dane: nazwę pozycji na liście i folder archiwum.")}),
                         [](const ::testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, CancelZoneClosesWithoutStoring)
{
    SeedList({Alfa});
    fileAnswers.push_back(QStringLiteral("/dane/z.txt"));
    WhenModalOpens([&] {
        QTest::keyClicks(editor->ENazwa, QStringLiteral("Zeta"));
        ClickZone(editor->LAnuluj);
    });
    mainWindow->AddFileEntry();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ListOnDisk(), std::vector<Entry>{Alfa});
}

TEST_F(WindowsTest, EditingChangesNameAndDestinationInPlace)
{
    SeedList({Alfa, Beta});
    SelectRows({1});
    bool selectedWhole = false;
    QString location;
    WhenModalOpens([&] {
        selectedWhole = editor->ENazwa->selectedText() == QStringLiteral("Beta");
        location = editor->LPolozenie->text();
        QTest::keyClicks(editor->ENazwa, QStringLiteral("Gamma"));  // replaces the selected name
        editor->ESciezka->setText(QStringLiteral("/kopie/nowe"));
        QTest::keyClick(editor->ENazwa, Qt::Key_Enter);
    });
    QTest::keyClick(mainWindow->Lista, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(selectedWhole);
    EXPECT_EQ(location, Beta.Source);
    const Entry edited{Beta.Typ, QStringLiteral("Gamma"), Beta.Source, QStringLiteral("/kopie/nowe")};
    EXPECT_EQ(ListOnDisk(), (std::vector<Entry>{Alfa, edited}));
    EXPECT_EQ(mainWindow->Lista->item(1)->text(), QStringLiteral("Gamma"));
}

TEST_F(WindowsTest, NothingToEditOrDeleteWithoutACurrentEntry)
{
    mainWindow->EditEntry();
    mainWindow->DeleteEntry();
    ASSERT_EQ(Messages().shown.size(), 2u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Nie masz czego edytować."));
    EXPECT_EQ(Messages().shown[1].text, QStringLiteral("Nie masz czego usuwać."));
    for (const ShownMessage& call : Messages().shown) {
        EXPECT_EQ(call.buttons, ButtonsClose);
        EXPECT_EQ(call.icon, IconInfo);
    }
    EXPECT_FALSE(editor->isVisible());
}

struct AnswerCase {
    const char* name;
    int answer;
    bool acts;
};

const AnswerCase Answers[] = {
    {"Tak", AnswerYes, true},
    {"Nie", AnswerNo, false},
    {"Anuluj", AnswerCancel, false},
    {"ClosedOtherwise", AnswerClose, false},
};

class QuestionTest : public WindowsTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(QuestionTest, DeletionFromTheMenuActsOnlyOnTak)
{
    SeedList({Alfa, Beta});
    SelectRows({0});
    Messages().answers.push_back(GetParam().answer);
    ClickAt(mainWindow, QPoint(110, 63));  // "Edycja"
    ClickAt(menu, menu->LUsunWpis->geometry().center());
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Czy rzeczywiście usunąć \"Alfa\"?\rTej operacji nie można cofnąć"));
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsYesNoCancel);
    EXPECT_EQ(Messages().shown[0].icon, IconQuestion);
    const std::vector<Entry> expected = GetParam().acts ? std::vector<Entry>{Beta} : std::vector<Entry>{Alfa, Beta};
    EXPECT_EQ(ListOnDisk(), expected);
    EXPECT_EQ(mainWindow->Lista->count(), int(expected.size()));
}

TEST_P(QuestionTest, NewListFromTheMenuActsOnlyOnTak)
{
    SeedList({Alfa, Beta});
    Messages().answers.push_back(GetParam().answer);
    ClickAt(mainWindow, QPoint(110, 63));
    ClickAt(menu, menu->LNowaLista->geometry().center());
    ASSERT_EQ(Messages().shown.size(), 1u);
    EXPECT_EQ(Messages().shown[0].text,
              QStringLiteral("Utworzenie nowej listy wiąże się z wykasowaniem istniejącej.\rCzy rzeczywiście utworzyć nową?"));
    EXPECT_EQ(Messages().shown[0].buttons, ButtonsYesNoCancel);
    EXPECT_EQ(Messages().shown[0].icon, IconQuestion);
    const std::vector<Entry> expected = GetParam().acts ? std::vector<Entry>{} : std::vector<Entry>{Alfa, Beta};
    EXPECT_EQ(ListOnDisk(), expected);
    EXPECT_EQ(mainWindow->Lista->count(), int(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Answers, QuestionTest, ::testing::ValuesIn(Answers),
                         [](const ::testing::TestParamInfo<AnswerCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, NewListAsksAlsoWhenTheListIsEmpty)
{
    Messages().answers.push_back(AnswerYes);
    mainWindow->NewList();
    EXPECT_EQ(Messages().shown.size(), 1u);
    EXPECT_TRUE(ListOnDisk().empty());
}

// --- The location line ------------------------------------------------------------------

struct ElideCase {
    const char* name;
    QString path;
    int width;
    QString begins;  // the shown text begins with this
    QString ends;    // and ends with this
    bool elided;
};

class ElidePathTest : public ::testing::TestWithParam<ElideCase> {};

TEST_P(ElidePathTest, KeepsTheBeginningAndTheWholeName)
{
    const ElideCase& c = GetParam();
    const QFontMetrics metrics(DesignFont(11));
    const QString shown = ElidePath(c.path, metrics, c.width);
    EXPECT_LE(metrics.horizontalAdvance(shown), c.width) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(c.begins)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(c.ends)) << shown.toStdString();
    EXPECT_EQ(shown.contains(QChar(0x2026)), c.elided) << shown.toStdString();
    if (!c.elided) {
        EXPECT_EQ(shown, c.path);
    }
}

const QString LongFolders = QStringLiteral("/home/uzytkownik/Dokumenty/Projekty klientów/2024/Rozliczenia kwartalne/Załączniki");

INSTANTIATE_TEST_SUITE_P(
    Paths, ElidePathTest,
    ::testing::Values(
        ElideCase{"FitsUnchanged", QStringLiteral("/dane/raport.txt"), 289, QStringLiteral("/dane/raport.txt"), QString(), false},
        ElideCase{"LongFileKeepsItsName", LongFolders + QStringLiteral("/faktura 17.pdf"), 289, QStringLiteral("/home/"),
                  QStringLiteral("…/faktura 17.pdf"), true},
        ElideCase{"LongFolderKeepsItsName", LongFolders, 289, QStringLiteral("/home/"), QStringLiteral("…/Załączniki"), true},
        ElideCase{"TrailingSeparatorStaysWithTheName", LongFolders + QLatin1Char('/'), 289, QStringLiteral("/home/"),
                  QStringLiteral("…/Załączniki/"), true},
        ElideCase{"NameTooLongKeepsItsEnd", QStringLiteral("/dane/") + QString(80, QLatin1Char('x')) + QStringLiteral("_koniec.txt"), 120,
                  QStringLiteral("…"), QStringLiteral("xx_koniec.txt"), true},
        ElideCase{"NoSeparator", QString(90, QLatin1Char('y')) + QStringLiteral(".txt"), 100, QStringLiteral("…"),
                  QStringLiteral("y.txt"), true}),
    [](const ::testing::TestParamInfo<ElideCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, LocationLineShowsTheEndOfALongPathAndTheWholePathAsItsTip)
{
    const QString source = LongFolders + QStringLiteral("/Zestawienie roczne.xlsx");
    fileAnswers.push_back(source);
    QString shown, tip;
    int shownWidth = 0;
    WhenModalOpens([&] {
        shown = editor->LPolozenie->text();
        tip = editor->LPolozenie->toolTip();
        shownWidth = editor->LPolozenie->fontMetrics().horizontalAdvance(shown);
        QTest::keyClicks(editor->ENazwa, QStringLiteral("Roczne"));
        editor->ESciezka->setText(QStringLiteral("/kopie/r"));
        QTest::keyClick(editor->ENazwa, Qt::Key_Return);
    });
    mainWindow->AddFileEntry();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…/Zestawienie roczne.xlsx"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home/"))) << shown.toStdString();
    EXPECT_LE(shownWidth, editor->LPolozenie->width());
    EXPECT_EQ(tip, source);
    // The entry gets the whole source, never the shortened text.
    EXPECT_EQ(ListOnDisk(), (std::vector<Entry>{{QStringLiteral("Plik"), QStringLiteral("Roczne"), source, QStringLiteral("/kopie/r")}}));
}

TEST_F(WindowsTest, EditedEntryKeepsItsWholeSourceBehindAShortenedLine)
{
    const Entry deep{QStringLiteral("Folder"), QStringLiteral("Głęboki"), LongFolders, QStringLiteral("/kopie/g")};
    SeedList({deep});
    SelectRows({0});
    QString tip;
    WhenModalOpens([&] {
        tip = editor->LPolozenie->toolTip();
        editor->ESciezka->setText(QStringLiteral("/kopie/h"));
        QTest::keyClick(editor->ENazwa, Qt::Key_Return);
    });
    mainWindow->EditEntry();
    EXPECT_EQ(tip, LongFolders);
    EXPECT_EQ(ListOnDisk(), (std::vector<Entry>{{deep.Typ, deep.Nazwa, LongFolders, QStringLiteral("/kopie/h")}}));
}

// --- A second entry with the same name and destination ----------------------------------

struct RepeatCase {
    const char* name;
    std::vector<Entry> list;
    int edited;  // the line opened in the editor, or -1 to add a new file entry
    QString typedName;
    QString typedDestination;  // "@" stands for the test's program folder
    bool refused;
};

class RepeatedEntryTest : public WindowsTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatedEntryTest, EditorRefusesAnEntryThatRepeatsAnothersNameAndDestination)
{
    const RepeatCase& c = GetParam();
    const auto resolve = [this](QString text) { return text.replace(QLatin1Char('@'), dir->path()); };
    std::vector<Entry> list = c.list;
    for (Entry& e : list)
        e.Docel = resolve(e.Docel);
    SeedList(list);
    const QString destination = resolve(c.typedDestination);
    bool openAfterConfirm = false;
    WhenModalOpens([&] {
        editor->ENazwa->setText(c.typedName);
        editor->ESciezka->setText(destination);
        QTest::keyClick(editor->ENazwa, Qt::Key_Return);
        openAfterConfirm = editor->isVisible();
        if (openAfterConfirm)
            QTest::keyClick(editor->ENazwa, Qt::Key_Escape);
    });
    if (c.edited < 0) {
        fileAnswers.push_back(QStringLiteral("/dane/nowy.txt"));
        mainWindow->AddFileEntry();
    } else {
        SelectRows({c.edited});
        mainWindow->EditEntry();
    }

    EXPECT_EQ(openAfterConfirm, c.refused);
    std::vector<Entry> expected = list;
    if (!c.refused) {
        if (c.edited < 0)
            expected.push_back({QStringLiteral("Plik"), c.typedName, QStringLiteral("/dane/nowy.txt"), destination});
        else
            expected[size_t(c.edited)] = {list[size_t(c.edited)].Typ, c.typedName, list[size_t(c.edited)].Source, destination};
    }
    EXPECT_EQ(ListOnDisk(), expected);
    if (c.refused) {
        ASSERT_EQ(Messages().shown.size(), 1u);
        EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Wpis o tej nazwie i tym folderze docelowym już istnieje."));
        EXPECT_EQ(Messages().shown[0].buttons, ButtonsClose);
        EXPECT_EQ(Messages().shown[0].icon, IconInfo);
    } else {
        // Nothing refused: at most the offer to make a destination that does not exist here
        // (answered Nie, which keeps it as typed).
        for (const ShownMessage& m : Messages().shown)
            EXPECT_TRUE(m.text.endsWith(QStringLiteral(" nie istnieje. Utworzyć?"))) << m.text.toStdString();
    }
}

const Entry KopiaA{QStringLiteral("Folder"), QStringLiteral("Kopia"), QStringLiteral("/dane/a"), QStringLiteral("/kopie/x")};
const Entry KopiaB{QStringLiteral("Plik"), QStringLiteral("Inna"), QStringLiteral("/dane/b.txt"), QStringLiteral("/kopie/x")};
const Entry Relative{QStringLiteral("Plik"), QStringLiteral("Wzgledny"), QStringLiteral("/dane/c.txt"), QStringLiteral("kopie")};

INSTANTIATE_TEST_SUITE_P(
    Cases, RepeatedEntryTest,
    ::testing::Values(
        RepeatCase{"AddSameNameAndFolder", {KopiaA}, -1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x"), true},
        RepeatCase{"AddWithATrailingSeparator", {KopiaA}, -1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x/"), true},
        RepeatCase{"AddWithDoubledSeparatorsAndDotSteps", {KopiaA}, -1, QStringLiteral("Kopia"), QStringLiteral("/kopie//./x"), true},
        RepeatCase{"AddRelativeAgainstTheProgramFolder", {{QStringLiteral("Plik"), QStringLiteral("Wzgledny"), QStringLiteral("/dane/c.txt"), QStringLiteral("@/kopie")}},
                   -1, QStringLiteral("Wzgledny"), QStringLiteral("kopie"), true},
        RepeatCase{"AddSameNameOtherFolder", {KopiaA}, -1, QStringLiteral("Kopia"), QStringLiteral("/kopie/y"), false},
        RepeatCase{"AddOtherNameSameFolder", {KopiaA}, -1, QStringLiteral("Kopia 2"), QStringLiteral("/kopie/x"), false},
        RepeatCase{"AddNameDifferingInCase", {KopiaA}, -1, QStringLiteral("kopia"), QStringLiteral("/kopie/x"), false},
        RepeatCase{"AddSubfolderIsAnotherFolder", {KopiaA}, -1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x/x"), false},
        RepeatCase{"EditUnchanged", {KopiaA, KopiaB}, 1, QStringLiteral("Inna"), QStringLiteral("/kopie/x"), false},
        RepeatCase{"EditOnlyTheSeparator", {KopiaA, KopiaB}, 1, QStringLiteral("Inna"), QStringLiteral("/kopie/x/"), false},
        RepeatCase{"EditIntoAnother", {KopiaA, KopiaB}, 1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x"), true},
        RepeatCase{"EditIntoAnotherWithATrailingSeparator", {KopiaA, KopiaB}, 1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x/"), true},
        // A list that already holds twins (an older list file): editing one of them unchanged stays possible.
        RepeatCase{"EditAnExistingTwinUnchanged", {KopiaA, KopiaA}, 1, QStringLiteral("Kopia"), QStringLiteral("/kopie/x"), false},
        RepeatCase{"EditRelativeDestinationUnchanged", {Relative}, 0, QStringLiteral("Wzgledny"), QStringLiteral("kopie"), false}),
    [](const ::testing::TestParamInfo<RepeatCase>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, EditorGeometryIsTheDesigns)
{
    EXPECT_EQ(editor->size(), QSize(409, 297));
    EXPECT_EQ(editor->LPolozenie->geometry(), QRect(60, 67, 289, 13));
    EXPECT_EQ(editor->ENazwa->geometry(), QRect(62, 117, 283, 14));
    EXPECT_EQ(editor->ESciezka->geometry(), QRect(63, 166, 285, 14));
    EXPECT_EQ(editor->LNowyFolder->geometry(), QRect(87, 198, 20, 19));
    EXPECT_EQ(editor->LAnuluj->geometry(), QRect(182, 254, 62, 13));
    EXPECT_EQ(editor->LWprowadzDoListy->geometry(), QRect(276, 254, 89, 13));
    EXPECT_FALSE(editor->ENazwa->hasFrame());
    EXPECT_TRUE(editor->windowFlags() & Qt::FramelessWindowHint);
}

} // namespace
