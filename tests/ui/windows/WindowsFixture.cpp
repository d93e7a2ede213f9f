#include "WindowsFixture.h"

#include <QDir>
#include <QMouseEvent>
#include <QScreen>

#include <ostream>

namespace {

// The windows live from the first test to the last, as in the program.
class WindowsEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        programDir = std::make_unique<QTemporaryDir>();
        OverrideProgramDirectory(programDir->path());
        ports = std::make_unique<UserInterfacePorts>();
        program = std::make_unique<ProgramWindows>(std::make_unique<SevenZipPacker>(),
                                                   QStringList{QStringLiteral("skrytkar")}, ports.get());
        ports->SetMessagePort(&messages);
        MainWindow& main = program->Main();
        main.move(100, 100);
        main.show();  // runs the start-up's Show: empty list from the empty program folder
        QApplication::setActiveWindow(&main);
        QTest::qWait(150);  // Zegar's one tick
    }
    void TearDown() override
    {
        program.reset();
        ports.reset();
        OverrideProgramDirectory(QString());
        programDir.reset();
    }

    FakeMessages messages;
    std::unique_ptr<UserInterfacePorts> ports;
    std::unique_ptr<ProgramWindows> program;

private:
    std::unique_ptr<QTemporaryDir> programDir;
};

WindowsEnvironment* const environment =
    static_cast<WindowsEnvironment*>(::testing::AddGlobalTestEnvironment(new WindowsEnvironment));

} // namespace

FakeMessages& Messages()
{
    return environment->messages;
}

ProgramWindows& Program()
{
    return *environment->program;
}

bool operator==(const Entry& a, const Entry& b)
{
    return a.Typ == b.Typ && a.Nazwa == b.Nazwa && a.Source == b.Source && a.Docel == b.Docel;
}

void PrintTo(const Entry& entry, std::ostream* os)
{
    *os << "{" << entry.Typ.toStdString() << ", " << entry.Nazwa.toStdString() << ", "
        << entry.Source.toStdString() << ", " << entry.Docel.toStdString() << "}";
}

namespace {

std::optional<QString> NextAnswer(std::deque<QString>& answers)
{
    if (answers.empty())
        return std::nullopt;
    const QString answer = answers.front();
    answers.pop_front();
    if (answer.isNull())
        return std::nullopt;
    return answer;
}

} // namespace

void WindowsTest::SetUp()
{
    dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir->isValid());
    OverrideProgramDirectory(dir->path());
    MainWindow& main = Program().Main();
    mainWindow = &main;
    menu = &main.Menu();
    editor = &main.Editor();
    restoreWindow = &main.Restore();
    settingsWindow = &main.SettingsDialog();
    aboutWindow = &main.About();
    messageDialog = &main.Warning();
    List().SetFilePath(Path(QStringLiteral("Dane.dat")));
    pending = std::make_unique<QObject>();

    Messages().shown.clear();
    Messages().answers.clear();
    environment->ports->SetMessagePort(&Messages());
    mainWindow->SetOpenWithShellSeam([this](const QUrl& url) { opened.push_back(url); });
    mainWindow->SetTerminateSeam([this] { ++terminations; });
    environment->ports->SetErrorReport([this](const QString& text) { errorReports.push_back(text); });
    editor->SetOpenFileSeam([this](const QString& title, const QString& filter) -> std::optional<QString> {
        fileDialogTitles.push_back(title + QLatin1Char('|') + filter);
        return NextAnswer(fileAnswers);
    });
    for (FolderPicker* picker : {editor->DlOpenFolder, restoreWindow->DlFolder}) {
        picker->SetExecuteSeam([this](const FolderPickerRequest& request) -> std::optional<QString> {
            folderRequests.push_back(request);
            return NextAnswer(folderAnswers);
        });
    }

    ASSERT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
    mainWindow->SimulateArchiving(false);
    menu->hide();
    editor->DlOpenFolder->FolderName = QStringLiteral("C:\\");
    mainWindow->showNormal();
    mainWindow->move(100, 100);
    QApplication::setActiveWindow(mainWindow);
    SeedList({});
    Messages().shown.clear();

    // A modal window that a faulty flow leaves open would stop the run: close it after a while.
    QTimer::singleShot(20000, pending.get(), [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ADD_FAILURE() << "a modal window stayed open: " << modal->objectName().toStdString();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(0);
        }
    });
}

void WindowsTest::TearDown()
{
    // A run a test started ends before the next test.
    mainWindow->WaitForRun();
    pending.reset();
    menu->hide();
    mainWindow->SimulateArchiving(false);
    mainWindow->SetOpenWithShellSeam(nullptr);
    mainWindow->SetTerminateSeam(nullptr);
    environment->ports->SetErrorReport(nullptr);
    editor->SetOpenFileSeam(nullptr);
    for (FolderPicker* picker : {editor->DlOpenFolder, restoreWindow->DlFolder})
        picker->SetExecuteSeam(nullptr);
    OverrideProgramDirectory(QString());
    dir.reset();
}

void WindowsTest::SeedList(const std::vector<Entry>& entries)
{
    List().SetEntries(entries);
    List().SetCurrentIndex(entries.empty() ? -1 : 0);
    List().FillListBox();
    ASSERT_TRUE(List().Save());
}

std::vector<Entry> WindowsTest::ListOnDisk()
{
    // A list of its own reads the file, so the program's list stays as it is.
    EntryList onDisk(List().FilePath());
    onDisk.Load();
    std::vector<Entry> entries = onDisk.Entries();
    entries.resize(std::min<size_t>(entries.size(), size_t(std::max(onDisk.Count(), 0))));
    return entries;
}

void WindowsTest::SelectRows(const std::vector<int>& rows)
{
    QListWidget* list = mainWindow->Lista;
    mainWindow->Lista->programmatic++;
    list->clearSelection();
    for (int row : rows)
        list->item(row)->setSelected(true);
    if (!rows.empty()) {
        list->setCurrentRow(rows.front(), QItemSelectionModel::NoUpdate);
        List().SetCurrentIndex(rows.front());
    }
    mainWindow->Lista->programmatic--;
}

std::vector<int> WindowsTest::SelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < mainWindow->Lista->count(); ++i)
        if (mainWindow->Lista->item(i)->isSelected())
            rows.push_back(i);
    return rows;
}

void WindowsTest::WhenModalOpens(std::function<void()> steps)
{
    QTimer::singleShot(0, pending.get(), std::move(steps));
}

namespace {

QPointer<QWidget> mouseGrabber;
Qt::MouseButtons buttonsHeld;

void SendMouse(QWidget* window, QEvent::Type type, const QPoint& point, Qt::MouseButton button,
               Qt::KeyboardModifiers modifiers)
{
    QWidget* target = mouseGrabber ? mouseGrabber.data() : window->childAt(point);
    if (!target)
        target = window;
    const QPoint global = window->mapToGlobal(point);
    if (type == QEvent::MouseButtonPress) {
        mouseGrabber = target;
        buttonsHeld |= button;
    } else if (type == QEvent::MouseButtonRelease) {
        mouseGrabber = nullptr;
        buttonsHeld &= ~Qt::MouseButtons(button);
    }
    QMouseEvent event(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, buttonsHeld, modifiers);
    // Delivered as the window system's own event, so the application's button state follows.
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(target, &event);
}

} // namespace

void WindowsTest::PressAt(QWidget* window, const QPoint& point, Qt::KeyboardModifiers modifiers)
{
    SendMouse(window, QEvent::MouseButtonPress, point, Qt::LeftButton, modifiers);
}

void WindowsTest::ReleaseAt(QWidget* window, const QPoint& point)
{
    SendMouse(window, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoModifier);
}

void WindowsTest::MoveTo(QWidget* window, const QPoint& point)
{
    SendMouse(window, QEvent::MouseMove, point, Qt::NoButton, Qt::NoModifier);
}

void WindowsTest::DoubleClick(QWidget* widget, const QPoint& point)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, point);
}

void WindowsTest::ClickAt(QWidget* window, const QPoint& point, Qt::KeyboardModifiers modifiers)
{
    PressAt(window, point, modifiers);
    ReleaseAt(window, point);
}

QStringList WindowsTest::LogLinesOnDisk() const
{
    QFile log(Path(QStringLiteral("Log.txt")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(log.readAll());
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text.split(QLatin1String("\r\n"));
}
