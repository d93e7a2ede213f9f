// The unattended archive run against the same work done by the 7z command, timed in the same
// run: 500 small entries, and one large entry; and the peak memory of `skrytkar /all` over one
// folder entry against the 7z command on the same folder.
//
//   RunBench [--small N] [--large-mb M] [--memory-files K] [--memory-mb F] [--rounds R]
//            [--keep DIR] [--program PATH]
//
// Small entries: the run's own overhead per entry is the time of the whole unattended run
// minus the time the same packer spends in Add for the same files (the packing itself), each
// the best of R rounds. The real program started as `skrytkar /all` and one `7z a` per entry
// are timed for comparison. Large entry: the run over one file against `7z a -mx3 -ms=on`.
// Peak memory: the most memory each process held at once (its maximum resident set), for the
// program started as cron starts it (no display) and for `7z a -t7z -mx3 -ms=on`, both over a
// folder of K small files and one file of F MB (--memory-mb -1 leaves it out). --program
// measures another build; 0 for N or M leaves that part out.

#include "BenchSupport.h"
#include "archive/run/ArchiveRun.h"
#include "archive/run/EntryArchiver.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "archive/run/RunPorts.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace Bench;

// Half text-like, half incompressible, in 1 MiB blocks: what a real backup mixes.
void WriteLargeFile(const QString& path, qsizetype megabytes)
{
    std::mt19937_64 random(1234);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block(1 << 20, '\0');
    for (qsizetype m = 0; m < megabytes; ++m) {
        if (m % 2 == 0) {
            f.write(TextLike(random, block.size()));
        } else {
            for (qsizetype k = 0; k < block.size(); k += 8) {
                const uint64_t v = random();
                std::memcpy(block.data() + k, &v, 8);
            }
            f.write(block);
        }
    }
}

// The same work done by the command: one archive of one file, level 3, solid.
bool PackWithCommand(const QString& archive, const QString& file)
{
    return RunCommand(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-mx3"), QStringLiteral("-ms=on"),
                                             QStringLiteral("-bd"), QStringLiteral("-bso0"), archive, file});
}

void Fresh(const QString& dir)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
}

double Best(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}


double MiB(int64_t kib)
{
    return static_cast<double>(kib) / 1024.0;
}

// Starts a program and answers its peak memory in KiB; stops the benchmark when it fails.
int64_t PeakMemoryOf(const QString& program, const QStringList& arguments, const QStringList& environment)
{
    ProcessOutcome outcome;
    const OsError error = RunProcess(program, arguments, environment, outcome);
    if (error != NoError || !outcome.Exited || outcome.ExitStatus != 0)
        qFatal("%s did not succeed (error %d, status %d)", qPrintable(program), error, outcome.ExitStatus);
    return outcome.PeakMemoryKiB;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int smallCount = 500;
    int largeMegabytes = 200;
    int memoryFiles = 200;
    int memoryMegabytes = 64;
    int rounds = 3;
    QString keep;
    QString program = QStringLiteral(SKRYTKAR_BINARY);
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--small"))
            smallCount = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--large-mb"))
            largeMegabytes = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--memory-files"))
            memoryFiles = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--memory-mb"))
            memoryMegabytes = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--program"))
            program = args[i + 1];
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--keep"))
            keep = args[i + 1];
    }

    QTemporaryDir temporary;
    const QString root = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(root);
    const QString sources = root + QStringLiteral("/zrodla");
    const QString programDir = root + QStringLiteral("/program/");
    Fresh(sources);
    Fresh(programDir);
    OverrideProgramDirectory(programDir);

    // The corpus.
    std::mt19937_64 random(42);
    std::vector<QString> small;
    for (int k = 0; k < std::max(smallCount, memoryFiles); ++k) {
        const QString path = sources + QStringLiteral("/dokument %1.txt").arg(k, 4, 10, QLatin1Char('0'));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(TextLike(random, 1024 + static_cast<qsizetype>(random() % 7168)));
        small.push_back(path);
    }
    const QString large = sources + QStringLiteral("/duży plik.bin");
    if (largeMegabytes > 0)
        WriteLargeFile(large, largeMegabytes);

    SevenZipPacker packer;
    ConfigurePacker(packer);
    EntryList list(programDir + QStringLiteral("Dane.dat"));
    // The unattended run in this process, as the program does it after loading the list.
    const auto archiveAll = [&] {
        RunParameters parameters;
        parameters.Entries = list.Entries();
        parameters.Packer = &packer;
        ArchiveRun run(std::move(parameters));
        if (run.ArchiveAll().ErrorsOccurred())
            qFatal("the run reported errors");
    };

    // ---- small entries
    const QString runDest = root + QStringLiteral("/kopie-run");
    const QString addDest = root + QStringLiteral("/kopie-add");
    const QString cmdDest = root + QStringLiteral("/kopie-7z");
    const QString binDest = root + QStringLiteral("/kopie-program");
    std::vector<double> runTimes, addTimes, cmdTimes, binTimes;

    // The real program reads the same list from "Dane.dat" beside its copy.
    const QString binary = programDir + QStringLiteral("skrytkar");
    QFile::remove(binary);
    QFile::copy(program, binary);
    QFile::setPermissions(binary, QFile::permissions(binary) | QFile::ExeOwner);
    EntryVector entries;
    for (int k = 0; k < smallCount; ++k)
        entries.push_back({QStringLiteral("Plik"), QStringLiteral("dokument %1").arg(k), small[static_cast<size_t>(k)], binDest});
    list.SetEntries(entries);
    list.Save();
    QProcessEnvironment headless = QProcessEnvironment::systemEnvironment();
    headless.remove(QStringLiteral("DISPLAY"));
    headless.remove(QStringLiteral("WAYLAND_DISPLAY"));
    headless.remove(QStringLiteral("QT_QPA_PLATFORM"));

    for (int round = 0; round < rounds && smallCount > 0; ++round) {
        // The unattended run in this process, as the program does it after loading the list.
        auto runOnce = [&] {
            Fresh(runDest);
            EntryVector here = entries;
            for (auto& e : here)
                e.Docel = runDest;
            list.SetEntries(here);
            runTimes.push_back(SecondsOf(archiveAll));
            list.SetEntries(entries);
        };
        // The same packing, straight through the packer.
        auto addOnce = [&] {
            Fresh(addDest);
            addTimes.push_back(SecondsOf([&] {
                const QString dated = addDest + QStringLiteral("/Arch_bench");
                QDir().mkdir(dated);
                for (int k = 0; k < smallCount; ++k) {
                    packer.SZFileName = dated + QStringLiteral("/dokument %1.7z").arg(k);
                    packer.AddRootDir = sources;
                    packer.Files.Clear();
                    packer.Files.Add(small[static_cast<size_t>(k)]);
                    if (packer.Add() != 0)
                        qFatal("Add failed");
                }
            }));
        };
        // Alternate the order so neither side always goes first.
        if (round % 2 == 0) {
            runOnce();
            addOnce();
        } else {
            addOnce();
            runOnce();
        }

        // One 7z command per entry.
        Fresh(cmdDest);
        cmdTimes.push_back(SecondsOf([&] {
            for (int k = 0; k < smallCount; ++k)
                PackWithCommand(cmdDest + QStringLiteral("/dokument %1.7z").arg(k), small[static_cast<size_t>(k)]);
        }));

        // The real program, start to end.
        Fresh(binDest);
        binTimes.push_back(SecondsOf([&] { RunCommand(binary, {QStringLiteral("/all")}, headless); }));
    }

    if (smallCount > 0) {
        const double run = Best(runTimes), add = Best(addTimes), cmd = Best(cmdTimes), bin = Best(binTimes);
        std::printf("## %d small entries (best of %d rounds)\n\n", smallCount, rounds);
        std::printf("| what | total s | per entry ms |\n|---|---|---|\n");
        std::printf("| unattended run (ArchiveAll, in process) | %.3f | %.2f |\n", run, 1000 * run / smallCount);
        std::printf("| the same packing through SevenZipPacker::Add | %.3f | %.2f |\n", add, 1000 * add / smallCount);
        std::printf("| run's own overhead (run - packing) | %.3f | %.3f |\n", run - add, 1000 * (run - add) / smallCount);
        std::printf("| `skrytkar /all` without a display (whole program) | %.3f | %.2f |\n", bin, 1000 * bin / smallCount);
        std::printf("| one `7z a -mx3 -ms=on` per entry | %.3f | %.2f |\n\n", cmd, 1000 * cmd / smallCount);
    }

    // ---- one large entry
    if (largeMegabytes > 0) {
        std::vector<double> runLarge, cmdLarge;
        const QString largeRun = root + QStringLiteral("/duze-run");
        const QString largeCmd = root + QStringLiteral("/duze-7z");
        list.SetEntries({{QStringLiteral("Plik"), QStringLiteral("duży plik"), large, largeRun}});
        for (int round = 0; round < rounds; ++round) {
            // Alternate the order so neither side always meets a warm or a cold cache.
            auto runOnce = [&] {
                Fresh(largeRun);
                runLarge.push_back(SecondsOf(archiveAll));
            };
            auto cmdOnce = [&] {
                Fresh(largeCmd);
                cmdLarge.push_back(
                    SecondsOf([&] { PackWithCommand(largeCmd + QStringLiteral("/duży plik.7z"), large); }));
            };
            if (round % 2 == 0) {
                runOnce();
                cmdOnce();
            } else {
                cmdOnce();
                runOnce();
            }
        }
        const double r = Median(runLarge), c = Median(cmdLarge);
        std::printf("## one entry of %d MB (median of %d rounds)\n\n", largeMegabytes, rounds);
        std::printf("| what | s |\n|---|---|\n");
        std::printf("| unattended run (ArchiveAll) | %.3f |\n", r);
        std::printf("| `7z a -mx3 -ms=on` | %.3f |\n", c);
        std::printf("| run / command | %.3f |\n", r / c);
        std::printf("\nrounds, run: ");
        for (double t : runLarge)
            std::printf("%.3f ", t);
        std::printf("\nrounds, command: ");
        for (double t : cmdLarge)
            std::printf("%.3f ", t);
        std::printf("\n");
    }

    // ---- peak memory over one folder entry
    if (memoryMegabytes >= 0) {
        const QString folder = root + QStringLiteral("/folder");
        Fresh(folder);
        for (int k = 0; k < memoryFiles; ++k)
            QFile::copy(small[static_cast<size_t>(k)], folder + QStringLiteral("/dokument %1.txt").arg(k, 4, 10, QLatin1Char('0')));
        if (memoryMegabytes > 0)
            WriteLargeFile(folder + QStringLiteral("/duży plik.bin"), memoryMegabytes);
        const QString programDest = root + QStringLiteral("/pamiec-program");
        const QString commandDest = root + QStringLiteral("/pamiec-7z");
        list.SetEntries({{QStringLiteral("Folder"), QStringLiteral("folder"), folder, programDest}});
        list.Save();
        QStringList cron;
        for (const QString& variable : headless.toStringList())
            cron << variable;

        std::vector<int64_t> programPeaks, commandPeaks;
        for (int round = 0; round < rounds; ++round) {
            auto programOnce = [&] {
                Fresh(programDest);
                programPeaks.push_back(PeakMemoryOf(binary, {QStringLiteral("/all")}, cron));
            };
            auto commandOnce = [&] {
                Fresh(commandDest);
                commandPeaks.push_back(PeakMemoryOf(QStringLiteral("7z"),
                                                    {QStringLiteral("a"), QStringLiteral("-t7z"), QStringLiteral("-mx3"),
                                                     QStringLiteral("-ms=on"), QStringLiteral("-bd"), QStringLiteral("-bso0"),
                                                     commandDest + QStringLiteral("/folder.7z"), folder},
                                                    cron));
            };
            if (round % 2 == 0) {
                programOnce();
                commandOnce();
            } else {
                commandOnce();
                programOnce();
            }
        }
        const int64_t p = Median(programPeaks), c = Median(commandPeaks);
        std::printf("## peak memory, one folder entry: %d small files and %d MB (median of %d rounds)\n\n",
                    memoryFiles, memoryMegabytes, rounds);
        std::printf("| what | peak MiB |\n|---|---|\n");
        std::printf("| `skrytkar /all` without a display | %.1f |\n", MiB(p));
        std::printf("| `7z a -t7z -mx3 -ms=on` | %.1f |\n", MiB(c));
        std::printf("| program - command | %.1f |\n", MiB(p - c));
        std::printf("\nrounds, program: ");
        for (int64_t v : programPeaks)
            std::printf("%.1f ", MiB(v));
        std::printf("\nrounds, command: ");
        for (int64_t v : commandPeaks)
            std::printf("%.1f ", MiB(v));
        std::printf("\n");
    }

    OverrideProgramDirectory(QString());
    return 0;
}
