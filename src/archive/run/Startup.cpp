#include "archive/run/Startup.h"

#include "archive/run/ArchiveRun.h"
#include "core/Messages.h"
#include "platform/Platform.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/UiPorts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

bool Unattended = false;

namespace {

QPointer<QTimer> zegar;
// Outcome of the unattended run, for its exit status.
bool logWriteFailed = false;

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

void FormCreate(const QStringList& arguments)
{
    LogLines = std::make_unique<QStringList>();
    Unattended = IsUnattendedCommandLine(arguments);
    logWriteFailed = false;
    RunFoundBusy = false;
}

void FormShow()
{
    ListFilePath = DataDirectory() + QStringLiteral("Dane.dat");
    // What a killed save of the list or the log left behind.
    RemoveStaleSaveCopies(ListFilePath);
    RemoveStaleSaveCopies(LogFilePath());
    LoadList();
    if (!Unattended)
        FillListBox();
    RunWindowPort().SetStatusPanelVisible(false);
    Archiving = false;
    StopRequested = false;
    Zegar().start();
}

QTimer& Zegar()
{
    if (!zegar) {
        zegar = new QTimer(QCoreApplication::instance());
        zegar->setSingleShot(true);
        zegar->setInterval(ZegarIntervalMs);
        QObject::connect(zegar.data(), &QTimer::timeout, zegar.data(), Guarded([] { ZegarTimer(); }));
    }
    return *zegar;
}

void ZegarTimer()
{
    Zegar().stop();
    RunUnattended();
}

void RunUnattended()
{
    if (!Unattended)
        return;
    RunWindowPort().Minimize();
    try {
        ArchiveAll();
    } catch (const LogWriteError&) {
        logWriteFailed = true;
        throw;
    }
    RunWindowPort().Terminate();
}

void FormClose()
{
    ReleaseLogLines();
}

int UnattendedExitStatus()
{
    // Another run of this program folder was at work: this one did nothing.
    if (RunFoundBusy)
        return ExitFailure;
    if (ListLoadDamaged || logWriteFailed)
        return ExitFailure;
    return ErrorsOccurred ? ExitEntriesFailed : ExitArchived;
}

int RunHeadless(const QStringList& arguments)
{
    FormCreate(arguments);
    if (!Unattended) {
        ReportToStandardError(Msg::NoDisplayNeedsAll());
        FormClose();
        return ExitFailure;
    }
    int status = ExitFailure;
    try {
        // Creating the main window creates its packer, which loads the library first.
        SevenZipPacker packer;
        InstallZipek(&packer);
        try {
            FormShow();
            // Nothing to show and nobody to wait for: the timer's tick is taken at once.
            ZegarTimer();
            status = UnattendedExitStatus();
        } catch (...) {
            ReportToStandardError(UserTextOf(std::current_exception()));
        }
        InstallZipek(nullptr);
    } catch (...) {
        ReportToStandardError(UserTextOf(std::current_exception()));
    }
    FormClose();
    return status;
}
