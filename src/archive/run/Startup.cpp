#include "archive/run/Startup.h"

#include "archive/run/ArchiveRun.h"
#include "archive/run/EntryArchiver.h"
#include "archive/run/RunLog.h"
#include "archive/run/RunNotice.h"
#include "core/Messages.h"
#include "platform/Platform.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// Lower-casing of ASCII letters only: "/ALL" and "/All" count, other scripts do not.
QString AsciiLowerCase(QString text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return text;
}

bool IsOption(const QString& name)
{
    return name.startsWith(QLatin1Char('-'));
}

// An option's name as QCommandLineParser takes it: without its dashes.
QString OptionName(const QString& name)
{
    qsizetype dashes = 0;
    while (dashes < name.size() && name.at(dashes) == QLatin1Char('-'))
        ++dashes;
    return name.mid(dashes).section(QLatin1Char('='), 0, 0);
}

void WriteToStandardOutput(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

const std::vector<CommandLineForm>& CommandLineForms()
{
    static const std::vector<CommandLineForm> forms = {
        {{}, StartMode::Interactive, &Msg::UsageInteractive},
        {{QStringLiteral("/all")}, StartMode::Unattended, &Msg::UsageAll},
        // Reading archives back: no display, Qt Core only, like "/all".
        {{QStringLiteral("/verify")}, StartMode::Verify, &Msg::UsageVerify},
        {{QStringLiteral("/restore")}, StartMode::Restore, &Msg::UsageRestore},
        {{QStringLiteral("-h"), QStringLiteral("--help")}, StartMode::Help, &Msg::UsageHelp},
        {{QStringLiteral("-v"), QStringLiteral("--version")}, StartMode::Version, &Msg::UsageVersion},
    };
    return forms;
}

StartCommand ParseCommandLine(const QStringList& arguments)
{
    StartCommand command;
    if (arguments.size() < 2)
        return command;
    const QString first = arguments.at(1);
    const QString firstLowerCase = AsciiLowerCase(first);
    for (const CommandLineForm& form : CommandLineForms()) {
        for (const QString& name : form.Names) {
            if (name.startsWith(QLatin1Char('/')) && firstLowerCase == name) {
                command.Mode = form.Mode;
                return command;
            }
        }
    }
    // A file name (as a desktop may pass one) opens the window, as it always has; so does a
    // lone "-".
    if (!IsOption(first) || first == QLatin1String("-"))
        return command;

    QCommandLineParser parser;
    // "-help" is the long option, not "-h -e -l -p".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const CommandLineForm& form : CommandLineForms()) {
        QStringList names;
        for (const QString& name : form.Names) {
            if (IsOption(name))
                names << OptionName(name);
        }
        if (!names.isEmpty())
            parser.addOption(QCommandLineOption(names));
    }
    if (!parser.parse(arguments)) {
        // The parser's own explanation is English; the user gets the argument as typed.
        command.Mode = StartMode::UnknownOption;
        const QStringList unknown = parser.unknownOptionNames();
        command.UnknownOption = first;
        for (const QString& argument : arguments.mid(1)) {
            if (IsOption(argument) && (unknown.isEmpty() || OptionName(argument) == unknown.first())) {
                command.UnknownOption = argument;
                break;
            }
        }
        return command;
    }
    for (const CommandLineForm& form : CommandLineForms()) {
        for (const QString& name : form.Names) {
            if (IsOption(name) && parser.isSet(OptionName(name))) {
                command.Mode = form.Mode;
                return command;
            }
        }
    }
    return command;  // "--" alone: nothing asked, the window
}

bool IsUnattendedCommandLine(const QStringList& arguments)
{
    return ParseCommandLine(arguments).Mode == StartMode::Unattended;
}

QString UsageText()
{
    // Each form's names in one column, its description beside them.
    struct Row {
        QString Names;
        QString Description;
    };
    std::vector<Row> rows;
    qsizetype width = 0;
    for (const CommandLineForm& form : CommandLineForms()) {
        QString names = QStringLiteral("skrytkar");
        if (!form.Names.isEmpty())
            names += QLatin1Char(' ') + form.Names.join(QStringLiteral(", "));
        width = std::max(width, names.size());
        rows.push_back({names, form.Description()});
    }
    QString text = QString::fromUtf8(ApplicationTitle) + QStringLiteral(": ") + Msg::UsageTitle() +
                   QStringLiteral("\n\n") + Msg::UsageHeading() + QLatin1Char('\n');
    const QString indent(2 + width + 2, QLatin1Char(' '));
    for (const Row& row : rows) {
        const QStringList lines = row.Description.split(QLatin1Char('\n'));
        text += QStringLiteral("  ") + row.Names.leftJustified(width) + QStringLiteral("  ") + lines.first() + QLatin1Char('\n');
        for (const QString& line : lines.mid(1))
            text += indent + line + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + Msg::UsageExitStatuses() + QLatin1Char('\n');
    return text;
}

int PrintUsage()
{
    WriteToStandardOutput(UsageText());
    return ExitArchived;
}

int PrintVersion()
{
    WriteToStandardOutput(QString::fromUtf8(ApplicationTitle) + QLatin1Char('\n'));
    return ExitArchived;
}

int RefuseOption(const QString& option)
{
    ReportToStandardError(Msg::UnknownOption(option) + QLatin1Char('\n') + Msg::UsageHint());
    return ExitFailure;
}

void HeadlessMainWindow::Terminate()
{
    QCoreApplication::exit(0);
}

Startup::Startup(const QStringList& arguments, EntryList& list, MainWindowPort& window,
                 std::function<void()> startArchiveAll)
    : unattended(IsUnattendedCommandLine(arguments)), list(list), window(window),
      startArchiveAll(std::move(startArchiveAll)),
      timer(std::make_unique<QTimer>())
{
    timer->setSingleShot(true);
    timer->setInterval(ZegarIntervalMs);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), Guarded([this] { TimerTick(); }));
}

Startup::~Startup() = default;

void Startup::Show()
{
    list.SetFilePath(DataDirectory() + QStringLiteral("Dane.dat"));
    // What a killed save of the list or the log left behind.
    RemoveStaleSaveCopies(list.FilePath());
    RemoveStaleSaveCopies(LogFilePath());
    list.Load();
    if (!unattended)
        list.FillListBox();
    window.SetStatusPanelVisible(false);
    timer->start();
}

void Startup::TimerTick()
{
    timer->stop();
    RunUnattended();
}

void Startup::RunUnattended()
{
    if (!unattended)
        return;
    window.Minimize();
    startArchiveAll();
}

void Startup::UnattendedRunEnded(const RunResult& result, bool logFailed)
{
    lastRun = result;
    ran = true;
    logWriteFailed = logFailed;
    if (!logFailed)
        window.Terminate();
}

void ArchiveAllInPlace(ArchiveRun& run, Startup& startup)
{
    try {
        const RunResult& result = run.ArchiveAll();
        startup.UnattendedRunEnded(result, false);
    } catch (const LogWriteError&) {
        startup.UnattendedRunEnded(run.Result(), true);
        throw;
    }
}

int Startup::UnattendedExitStatus() const
{
    // Another run of this program folder was at work: this one did nothing.
    if (ran && lastRun.Start == RunStart::FoundBusy)
        return ExitFailure;
    if (list.LoadDamaged() || logWriteFailed)
        return ExitFailure;
    return ran && lastRun.ErrorsOccurred() ? ExitEntriesFailed : ExitArchived;
}

int RunHeadless(const QStringList& arguments)
{
    if (!IsUnattendedCommandLine(arguments)) {
        ReportToStandardError(Msg::NoDisplayNeedsAll());
        return ExitFailure;
    }
    try {
        // The packer loads the library first: without it nothing can be archived.
        SevenZipPacker packer;
        ConfigurePacker(packer);
        return RunHeadlessWith(arguments, packer);
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
    }
    return ExitFailure;
}

int RunHeadlessWith(const QStringList& arguments, SevenZipPacker& packer)
{
    int status = ExitFailure;
    try {
        EntryList list;
        HeadlessMainWindow window;
        std::unique_ptr<Startup> made;
        made = std::make_unique<Startup>(arguments, list, window, [&] {
            RunParameters parameters;
            parameters.Entries = list.Entries();
            parameters.Packer = &packer;
            parameters.Window = &window;
            parameters.Unattended = true;
            ArchiveRun run(std::move(parameters));
            ArchiveAllInPlace(run, *made);
        });
        Startup& startup = *made;
        try {
            startup.Show();
            // Nothing to show and nobody to wait for: the timer's tick is taken at once.
            startup.TimerTick();
            status = startup.UnattendedExitStatus();
            if (const RunResult* ran = startup.LastRun())
                TellDesktop(*ran, NotifySuccessSetting(), LogFilePath());
        } catch (...) {
            ReportToStandardError(UserTextOf(std::current_exception()));
        }
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
    }
    return status;
}
