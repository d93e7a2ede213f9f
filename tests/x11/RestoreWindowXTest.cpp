// The restore window on a real X server: Alt+R typed through the server, with one line of the
// list selected, opens it over the main window with the entry's archive listed; Escape closes it.

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
    const QSize restoreSize(440, 340);
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

} // namespace
