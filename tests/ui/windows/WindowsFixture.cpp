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
        zipek = std::make_unique<SevenZipPacker>();
        InstallZipek(zipek.get());
        CreateWindows();
        SetMessagePort(&Messages());
        FGlowny->move(100, 100);
        FGlowny->show();  // runs FormShow: empty list from the empty program folder
        QApplication::setActiveWindow(FGlowny);
        QTest::qWait(150);  // Zegar's one tick
    }
    void TearDown() override
    {
        SetMessagePort(nullptr);
        DestroyWindows();
        InstallZipek(nullptr);
        zipek.reset();
        FormClose();
        OverrideProgramDirectory(QString());
        programDir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> programDir;
    std::unique_ptr<SevenZipPacker> zipek;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

} // namespace

FakeMessages& Messages()
{
    static FakeMessages messages;
    return messages;
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
    ListFilePath = Path(QStringLiteral("Dane.dat"));
    pending = std::make_unique<QObject>();

    Messages().shown.clear();
    Messages().answers.clear();
    SetMessagePort(&Messages());
    OpenWithShellHook = [this](const QUrl& url) { opened.push_back(url); };
    TerminateHook = [this] { ++terminations; };
    DefaultErrorReportHook = [this](const QString& text) { errorReports.push_back(text); };
    EntryEditor::OpenFileHook = [this](const QString& title, const QString& filter) -> std::optional<QString> {
        fileDialogTitles.push_back(title + QLatin1Char('|') + filter);
        return NextAnswer(fileAnswers);
    };
    FolderPicker::ExecuteHook = [this](const FolderPickerRequest& request) -> std::optional<QString> {
        folderRequests.push_back(request);
        return NextAnswer(folderAnswers);
    };

    ASSERT_EQ(QGuiApplication::mouseButtons(), Qt::NoButton);
    Archiving = false;
    StopRequested = false;
    FMenu->hide();
    FEdycja->DlOpenFolder->FolderName = QStringLiteral("C:\\");
    FGlowny->showNormal();
    FGlowny->move(100, 100);
    QApplication::setActiveWindow(FGlowny);
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
    pending.reset();
    FMenu->hide();
    Archiving = false;
    StopRequested = false;
    OpenWithShellHook = nullptr;
    TerminateHook = nullptr;
    DefaultErrorReportHook = nullptr;
    EntryEditor::OpenFileHook = nullptr;
    FolderPicker::ExecuteHook = nullptr;
    OverrideProgramDirectory(QString());
    dir.reset();
}

void WindowsTest::SeedList(const std::vector<Entry>& entries)
{
    Wpisy = entries;
    EntryCount = int32_t(entries.size());
    CurrentIndex = entries.empty() ? -1 : 0;
    FillListBox();
    ASSERT_TRUE(SaveList());
}

std::vector<Entry> WindowsTest::ListOnDisk()
{
    const EntryVector keptEntries = Wpisy;
    const int32_t keptCount = EntryCount;
    const int32_t keptIndex = CurrentIndex;
    Wpisy.clear();
    EntryCount = 0;
    LoadList();
    std::vector<Entry> onDisk = Wpisy;
    onDisk.resize(std::min<size_t>(onDisk.size(), size_t(std::max(EntryCount, 0))));
    Wpisy = keptEntries;
    EntryCount = keptCount;
    CurrentIndex = keptIndex;
    return onDisk;
}

void WindowsTest::SelectRows(const std::vector<int>& rows)
{
    QListWidget* list = FGlowny->Lista;
    FGlowny->Lista->programmatic++;
    list->clearSelection();
    for (int row : rows)
        list->item(row)->setSelected(true);
    if (!rows.empty()) {
        list->setCurrentRow(rows.front(), QItemSelectionModel::NoUpdate);
        CurrentIndex = rows.front();
    }
    FGlowny->Lista->programmatic--;
}

std::vector<int> WindowsTest::SelectedRows() const
{
    std::vector<int> rows;
    for (int i = 0; i < FGlowny->Lista->count(); ++i)
        if (FGlowny->Lista->item(i)->isSelected())
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
