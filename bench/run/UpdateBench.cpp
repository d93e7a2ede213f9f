// Runs that build on the newest earlier archive, on a corpus of many files, each step timed as the
// run does it for one entry (the entry's archiver: gathering, checks, packing, the check after
// writing), against the 7z command and restic on the same data and the same change.
//
//   UpdateBench [--dir FOLDER] [--rounds R] [--block-mb B[,B...]] [--keep DIR] [--no-tools]
//
// The corpus is FOLDER, copied (default: a copy of /usr/include and /usr/share/doc, about 300 MB
// in 16,000 files). Each round, for each block size B (MiB, 0 = one block), into a fresh
// destination, verification on and whole trees:
//   first     the entry packed for the first time, against `7z a -t7z -mx3 -ms=on` + `7z t`;
//   unchanged the next run: digest confirmed, nothing changed, linked;
//   update    one file gains a line: the archive made from the earlier one;
//   anew      the same state packed anew (as with linking off);
// and restic, into a fresh repository each round: first backup, unchanged second backup, and a
// backup after the same one-line change. Figures are medians of R rounds (default 3).

#include "BenchSupport.h"
#include "archive/run/EntryArchiver.h"
#include "archive/run/RunResult.h"
#include "archive/sevenzip/SevenZip.h"
#include "core/EntryList.h"
#include "core/Messages.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <map>
#include <vector>

namespace {

using namespace Bench;

struct Figures {
    std::vector<double> First, SevenZip, Unchanged, Update, Anew, ResticFirst, ResticUnchanged, ResticChange;
    std::vector<double> FirstSize, SevenZipSize;
};

// One entry archived as the run does it, into the dated folder given.
double ArchiveEntry(SevenZipPacker& packer, const Settings& settings, const Entry& entry, const QString& folderName,
                    int expectedCode, const QString& expectedReason = QString())
{
    ApplyRunSettings(packer, settings);
    EntryArchiver archiver(&packer, settings, folderName, QDateTime::currentDateTimeUtc());
    EntryOutcome outcome;
    const double seconds = SecondsOf([&] { outcome = archiver.Archive(0, entry); });
    if (outcome.Code != expectedCode || (!expectedReason.isEmpty() && !outcome.Reasons.contains(expectedReason)))
        qFatal("%s: code %d, reasons %s", qPrintable(folderName), outcome.Code,
               qPrintable(outcome.Reasons.join(QStringLiteral(" | "))));
    return seconds;
}

double FileSize(const QString& path)
{
    return static_cast<double>(QFileInfo(path).size());
}

QString FolderName(int n)
{
    return QStringLiteral("Arch_2026%1_%2").arg(101 + n / 60, 4, 10, QLatin1Char('0')).arg(n % 60 + 1000);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList corpus{QStringLiteral("/usr/include"), QStringLiteral("/usr/share/doc")};
    int rounds = 3;
    std::vector<uint32_t> blocks{SolidBlockMegabytes};
    bool tools = true;
    QString keep;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == QLatin1String("--dir"))
            corpus = QStringList{next}, ++i;
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, next.toInt()), ++i;
        else if (args[i] == QLatin1String("--block-mb")) {
            blocks.clear();
            for (const QString& b : next.split(QLatin1Char(',')))
                blocks.push_back(b.toUInt());
            ++i;
        } else if (args[i] == QLatin1String("--keep"))
            keep = next, ++i;
        else if (args[i] == QLatin1String("--no-tools"))
            tools = false;
    }

    QTemporaryDir temporary;
    const QString root = keep.isEmpty() ? temporary.path() : keep;
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    const QString source = root + QStringLiteral("/zrodla/Korpus");
    QDir().mkpath(source);
    for (const QString& folder : corpus)
        if (!RunCommand(QStringLiteral("cp"), {QStringLiteral("-r"), folder, source}))
            return 1;
    // The file the change touches: the first plain file of the corpus in name order.
    QString changed;
    {
        QDirIterator it(source, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files << it.next();
        files.sort();
        if (files.isEmpty())
            qFatal("no files in the corpus");
        changed = files.first();
        std::printf("corpus: %lld files; the change appends a line to %s\n", static_cast<long long>(files.size()),
                    qPrintable(changed));
    }
    // Change times of the copy must lie before the first run began.
    QThread::msleep(2100);

    const Entry entry{QStringLiteral("Folder"), QStringLiteral("Korpus"), source, root + QStringLiteral("/kopie")};
    Settings settings;
    settings.Podfoldery = true;
    Settings anew = settings;
    anew.Dowiazania = false;
    const QString updateReason = Msg::ReasonUpdated(1, 0, 0);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RESTIC_PASSWORD"), QStringLiteral("haslo"));
    env.insert(QStringLiteral("RESTIC_CACHE_DIR"), root + QStringLiteral("/restic-cache"));
    const QString restic = tools ? QStandardPaths::findExecutable(QStringLiteral("restic")) : QString();

    std::map<uint32_t, Figures> figures;
    int folderNumber = 0;
    for (int r = 0; r < rounds; ++r) {
        for (const uint32_t block : blocks) {
            Figures& f = figures[block];
            SevenZipPacker packer;
            ConfigurePacker(packer);
            packer.SolidBlockMegabytes = block;
            QDir(entry.Docel).removeRecursively();
            QDir().mkpath(entry.Docel);
            const QString repo = root + QStringLiteral("/restic-repo");
            QDir(repo).removeRecursively();
            const bool withRestic = !restic.isEmpty() &&
                                    RunCommand(restic, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--repo"), repo}, env);
            const QStringList backup{QStringLiteral("backup"), QStringLiteral("-q"), QStringLiteral("--repo"), repo, source};
            if (withRestic)
                f.ResticFirst.push_back(SecondsOf([&] { RunCommand(restic, backup, env); }));

            const QString first = FolderName(folderNumber++);
            f.First.push_back(ArchiveEntry(packer, settings, entry, first, ResultArchived));
            f.FirstSize.push_back(FileSize(entry.Docel + QLatin1Char('/') + first + QStringLiteral("/Korpus.7z")));

            const QString plain = root + QStringLiteral("/7z.7z");
            QFile::remove(plain);
            f.SevenZip.push_back(SecondsOf([&] {
                RunCommand(QStringLiteral("7z"), {QStringLiteral("a"), QStringLiteral("-t7z"), QStringLiteral("-mx3"),
                                                  QStringLiteral("-ms=on"), plain, source});
                RunCommand(QStringLiteral("7z"), {QStringLiteral("t"), plain});
            }));
            f.SevenZipSize.push_back(FileSize(plain));
            QFile::remove(plain);

            f.Unchanged.push_back(ArchiveEntry(packer, settings, entry, FolderName(folderNumber++), ResultArchivedUnchanged));
            if (withRestic)
                f.ResticUnchanged.push_back(SecondsOf([&] { RunCommand(restic, backup, env); }));

            QFile file(changed);
            if (!file.open(QIODevice::Append) || file.write("/* one more line */\n") <= 0)
                qFatal("cannot change %s", qPrintable(changed));
            file.close();
            f.Update.push_back(ArchiveEntry(packer, settings, entry, FolderName(folderNumber++), ResultArchived, updateReason));
            f.Anew.push_back(ArchiveEntry(packer, anew, entry, FolderName(folderNumber++), ResultArchived));
            if (withRestic)
                f.ResticChange.push_back(SecondsOf([&] { RunCommand(restic, backup, env); }));
            QDir(repo).removeRecursively();

            std::printf("round %d, blocks %u MiB: first %.2f s (%.0f B), 7z a+t %.2f s (%.0f B), unchanged %.3f s, "
                        "update %.2f s, anew %.2f s",
                        r + 1, block, f.First.back(), f.FirstSize.back(), f.SevenZip.back(), f.SevenZipSize.back(),
                        f.Unchanged.back(), f.Update.back(), f.Anew.back());
            if (withRestic)
                std::printf("; restic first %.2f s, unchanged %.2f s, change %.2f s", f.ResticFirst.back(),
                            f.ResticUnchanged.back(), f.ResticChange.back());
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    for (const auto& [block, f] : figures) {
        std::printf("\nblocks %u MiB (medians of %d rounds):\n", block, rounds);
        std::printf("  first pack %.2f s against 7z a + 7z t %.2f s: %.3fx; size %.0f against %.0f: %.4fx\n",
                    Median(f.First), Median(f.SevenZip), Median(f.First) / Median(f.SevenZip), Median(f.FirstSize),
                    Median(f.SevenZipSize), Median(f.FirstSize) / Median(f.SevenZipSize));
        std::printf("  one changed file: update %.2f s against packing anew %.2f s: %.3fx\n", Median(f.Update),
                    Median(f.Anew), Median(f.Update) / Median(f.Anew));
        std::printf("  unchanged, digest checked and linked: %.3f s\n", Median(f.Unchanged));
        if (!f.ResticChange.empty())
            std::printf("  restic: first %.2f s, unchanged %.2f s, one changed file %.2f s; update / restic %.2fx, "
                        "unchanged / restic %.2fx\n",
                        Median(f.ResticFirst), Median(f.ResticUnchanged), Median(f.ResticChange),
                        Median(f.Update) / Median(f.ResticChange), Median(f.Unchanged) / Median(f.ResticUnchanged));
    }
    return 0;
}
