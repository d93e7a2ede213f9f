// The restore window on a real X server: Alt+R typed through the server, with one line of the
// list selected, opens it over the main window with the entry's archive listed; Escape closes it.
// Restoring over files that exist asks once when "Tak dla wszystkich" is chosen; the contents
// tree's check boxes decide what is restored.

#include "RealDisplayFixture.h"

namespace {

using RestoreWindowOnX = RealDisplay;

TEST_F(RestoreWindowOnX, AltRWithOneLineSelectedOpensTheRestoreWindow)
{
    // One folder entry with one archive made by 7z in a dated folder.
    const QString source = MakeFolder(QStringLiteral("zrodla/Dokumenty"));
    MakeFile(QStringLiteral("zrodla/Dokumenty/plan.txt"), QByteArray("plan"));
    const QString dated = MakeFolder(QStringLiteral("Kopie/Arch_20261201_1930"));
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(Path(QStringLiteral("zrodla")));
    sevenZip.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bd"), dated + QStringLiteral("/Dokumenty.7z"),
                                           QStringLiteral("Dokumenty")});
    ASSERT_TRUE(sevenZip.waitForFinished(PackMs));
    ASSERT_EQ(sevenZip.exitCode(), 0);
    ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"),
                               {{QStringLiteral("Folder"), QStringLiteral("Dokumenty"), source, destination}}));
    StartProgram();

    ClickAt(main, ListLine(0));
    KeyAt(main, ListLine(0), QStringLiteral("alt+r"));
    const QSize restoreSize(800, 340);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(restoreSize).has_value(); }, ReactMs))
        << "Alt+R opened no restore window: " << Diagnosis();
    // Not a notice: the entry has an archive, so the window itself shows and nothing else.
    EXPECT_FALSE(Question().has_value()) << Diagnosis();

    const XWindow restore = *WindowOfSize(restoreSize);
    KeyAt(restore, QPoint(200, 140), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, ReactMs))
        << "Escape did not close the restore window: " << Diagnosis();
    CloseAndExpectTheEnd();
}

TEST_F(RestoreWindowOnX, TakDlaWszystkichReplacesEveryExistingFileAfterOneQuestion)
{
    const QString source = MakeFolder(QStringLiteral("zrodla/Dokumenty"));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        MakeFile(QStringLiteral("zrodla/Dokumenty/") + QLatin1String(name), QByteArray("z archiwum ") + name);
    const QString dated = MakeFolder(QStringLiteral("Kopie/Arch_20261201_1930"));
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(Path(QStringLiteral("zrodla")));
    sevenZip.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bd"), dated + QStringLiteral("/Dokumenty.7z"),
                                           QStringLiteral("Dokumenty")});
    ASSERT_TRUE(sevenZip.waitForFinished(PackMs));
    ASSERT_EQ(sevenZip.exitCode(), 0);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        MakeFile(QStringLiteral("zrodla/Dokumenty/") + QLatin1String(name), "zmienione");
    ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"),
                               {{QStringLiteral("Folder"), QStringLiteral("Dokumenty"), source, destination}}));
    StartProgram();

    ClickAt(main, ListLine(0));
    KeyAt(main, ListLine(0), QStringLiteral("alt+r"));
    const QSize restoreSize(800, 340);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(restoreSize).has_value(); }, ReactMs)) << Diagnosis();
    const XWindow restore = *WindowOfSize(restoreSize);
    // Enter restores to the original place, where the three files lie.
    KeyAt(restore, QPoint(200, 140), QStringLiteral("Return"));
    const auto question = [&]() -> std::optional<XWindow> {
        for (const XWindow& w : VisibleWindows())
            if (w.geometry.size() != restoreSize && w.geometry.size() != QSize(500, 450))
                return w;
        return std::nullopt;
    };
    ASSERT_TRUE(WaitUntil([&] { return question().has_value(); }, ReactMs)) << "no question: " << Diagnosis();
    // "Nie" has the focus; the button before it is "Tak dla wszystkich".
    const XWindow asked = *question();
    KeyAt(asked, QPoint(10, 10), QStringLiteral("shift+Tab"));
    KeyAt(asked, QPoint(10, 10), QStringLiteral("space"));
    // No second question: the summary comes, and every file is the archive's.
    ASSERT_TRUE(WaitUntil([&] { return Question().has_value(); }, ReactMs)) << "no summary: " << Diagnosis();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        QFile f(Path(QStringLiteral("zrodla/Dokumenty/") + QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("z archiwum ") + name);
    }
    KeyAt(*Question(), QPoint(10, 10), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !Question().has_value(); }, ReactMs)) << Diagnosis();
    KeyAt(restore, QPoint(200, 140), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, ReactMs)) << Diagnosis();
    CloseAndExpectTheEnd();
}

TEST_F(RestoreWindowOnX, TheContentsTreeDecidesWhatIsRestored)
{
    const QString source = MakeFolder(QStringLiteral("zrodla/Dokumenty"));
    MakeFile(QStringLiteral("zrodla/Dokumenty/plan.txt"), QByteArray("plan"));
    const QString dated = MakeFolder(QStringLiteral("Kopie/Arch_20261201_1930"));
    QProcess sevenZip;
    sevenZip.setWorkingDirectory(Path(QStringLiteral("zrodla")));
    sevenZip.start(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-bd"), dated + QStringLiteral("/Dokumenty.7z"),
                                           QStringLiteral("Dokumenty")});
    ASSERT_TRUE(sevenZip.waitForFinished(PackMs));
    ASSERT_EQ(sevenZip.exitCode(), 0);
    ASSERT_TRUE(QDir(source).removeRecursively());
    ASSERT_TRUE(SaveListFileAt(programDir + QStringLiteral("Dane.dat"),
                               {{QStringLiteral("Folder"), QStringLiteral("Dokumenty"), source, destination}}));
    StartProgram();
    ClickAt(main, ListLine(0));
    KeyAt(main, ListLine(0), QStringLiteral("alt+r"));
    const QSize restoreSize(800, 340);
    ASSERT_TRUE(WaitUntil([&] { return WindowOfSize(restoreSize).has_value(); }, ReactMs)) << Diagnosis();
    const XWindow restore = *WindowOfSize(restoreSize);

    // The tree's first line is the folder: Space unchecks it with its file, and Enter then
    // restores nothing but says what to do.
    const QPoint folderLine(540, 54);
    ClickAt(restore, folderLine);
    KeyAt(restore, folderLine, QStringLiteral("space"));
    KeyAt(restore, folderLine, QStringLiteral("Return"));
    ASSERT_TRUE(WaitUntil([&] { return Question().has_value(); }, ReactMs)) << Diagnosis();
    EXPECT_FALSE(QFileInfo::exists(source));
    KeyAt(*Question(), QPoint(10, 10), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !Question().has_value(); }, ReactMs)) << Diagnosis();

    // Checked again, it comes back.
    KeyAt(restore, folderLine, QStringLiteral("space"));
    KeyAt(restore, folderLine, QStringLiteral("Return"));
    ASSERT_TRUE(WaitUntil([&] { return Question().has_value(); }, ReactMs)) << Diagnosis();
    EXPECT_TRUE(QFileInfo::exists(source + QStringLiteral("/plan.txt")));
    KeyAt(*Question(), QPoint(10, 10), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return !Question().has_value(); }, ReactMs)) << Diagnosis();
    KeyAt(restore, QPoint(200, 140), QStringLiteral("Escape"));
    ASSERT_TRUE(WaitUntil([&] { return OnlyTheMainWindowShows(); }, ReactMs)) << Diagnosis();
    CloseAndExpectTheEnd();
}

} // namespace
