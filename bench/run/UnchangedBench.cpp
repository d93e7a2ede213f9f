// An unchanged entry made a hard link to its newest archive against packing it again, and an
// unchanged second run over a large folder and a folder of many small files, against restic
// and borg doing their second backup of the same data (when they are installed).
//
//   UnchangedBench [--folder-mb M] [--second-mb S] [--files K] [--rounds R] [--keep DIR] [--no-tools]
//
// Part 1: a folder entry of M MB (default 300) in files of 10 MB, half text-like and half
// incompressible, packed with the run's settings (level 3, solid) and then, unchanged, linked:
// the gathering, the reading of the earlier archive's headers, the comparison and the link.
// Part 2: two folder entries, one of S MB (default 336) and one of K small files (default
// 20,000): the first run packs both, the second run, unchanged, checks and links both. restic
// and borg back up the same two folders into fresh repositories twice; their second backup is
// the figure to compare with. Each figure is the median of R rounds (default 3).

#include "BenchSupport.h"
#include "archive/run/Unchanged.h"
#include "archive/sevenzip/SevenZip.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

using namespace Bench;

// Files of 10 MB (the last one smaller) in 1 MiB blocks, text-like and random in turn.
void MakeLargeFolder(const QString& folder, int megabytes, uint64_t seed)
{
    QDir().mkpath(folder);
    std::mt19937_64 random(seed);
    QByteArray block(1 << 20, '\0');
    for (int m = 0, file = 0; m < megabytes; ++file) {
        QFile f(folder + QStringLiteral("/część %1.bin").arg(file, 3, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write in %s", qPrintable(folder));
        for (int k = 0; k < 10 && m < megabytes; ++k, ++m) {
            if (m % 2 == 0) {
                f.write(TextLike(random, block.size()));
            } else {
                for (qsizetype i = 0; i < block.size(); i += 8) {
                    const uint64_t v = random();
                    std::memcpy(block.data() + i, &v, 8);
                }
                f.write(block);
            }
        }
    }
}

void MakeSmallFilesFolder(const QString& folder, int count)
{
    QDir().mkpath(folder);
    std::mt19937_64 random(7);
    for (int k = 0; k < count; ++k) {
        QFile f(folder + QStringLiteral("/notatka %1.txt").arg(k, 5, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write in %s", qPrintable(folder));
        f.write(TextLike(random, 512 + static_cast<qsizetype>(random() % 7680)));
    }
}

// The packer as the run sets it up for a folder entry.
void Prepare(SevenZipPacker& zip, const QString& source, const QString& archive)
{
    zip.AddOptions = AddSolid;
    zip.LZMACompressType = LZMA;
    zip.LZMACompressStrength = FAST;
    zip.AddRootDir = QFileInfo(source).path() + QLatin1Char('/');
    zip.SZFileName = archive;
    zip.Files.Clear();
    zip.Files.Add(source + QStringLiteral("/*.*"));
}

QString ArchivePath(const QString& docel, const QString& folderName, const QString& nazwa)
{
    QDir().mkpath(docel + QLatin1Char('/') + folderName);
    return docel + QLatin1Char('/') + folderName + QLatin1Char('/') + nazwa + QStringLiteral(".7z");
}

void Pack(SevenZipPacker& zip, const QString& source, const QString& archive)
{
    Prepare(zip, source, archive);
    if (zip.Add() != 0)
        qFatal("packing %s failed", qPrintable(source));
}

// What the run does for an unchanged entry: gather, compare with the newest earlier archive, link.
void CheckAndLink(SevenZipPacker& zip, const QString& source, const QString& docel, const QString& nazwa,
                  const QString& folderName)
{
    const QString target = ArchivePath(docel, folderName, nazwa);
    Prepare(zip, source, target);
    const UnchangedCheck check = CheckUnchanged(zip, zip.ItemsToAdd(), docel, nazwa, folderName, UINT64_MAX);
    if (!check.Unchanged())
        qFatal("%s not found unchanged (%d)", qPrintable(source), static_cast<int>(check.Verdict));
    if (LinkArchive(check.EarlierArchive, target) != 0)
        qFatal("linking %s failed", qPrintable(target));
}

QString FolderName(int n)
{
    return QStringLiteral("Arch_2024%1_%2").arg(101 + n / 60, 4, 10, QLatin1Char('0')).arg(n % 60 + 1000);
}

struct ToolTimes {
    std::vector<double> First, Second;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int folderMegabytes = 300;
    int secondMegabytes = 336;
    int fileCount = 20000;
    int rounds = 3;
    bool tools = true;
    QString keep;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == QLatin1String("--folder-mb"))
            folderMegabytes = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--second-mb"))
            secondMegabytes = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--files"))
            fileCount = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--rounds"))
            rounds = std::max(1, next.toInt()), ++i;
        else if (args[i] == QLatin1String("--keep"))
            keep = next, ++i;
        else if (args[i] == QLatin1String("--no-tools"))
            tools = false;
    }

    QTemporaryDir temporary;
    const QString root = keep.isEmpty() ? temporary.path() : keep;
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    SevenZipPacker zip;
    int folderNumber = 0;

    // ---- Part 1: one unchanged folder entry, linked against packed
    if (folderMegabytes > 0) {
        const QString source = root + QStringLiteral("/zrodla1/Duzy");
        const QString docel = root + QStringLiteral("/kopie1");
        MakeLargeFolder(source, folderMegabytes, 1);
        std::vector<double> packed, linked;
        for (int r = 0; r < rounds; ++r) {
            QDir(docel).removeRecursively();
            QDir().mkpath(docel);
            const QString first = FolderName(folderNumber++);
            packed.push_back(SecondsOf([&] { Pack(zip, source, ArchivePath(docel, first, QStringLiteral("Duzy"))); }));
            const QString second = FolderName(folderNumber++);
            linked.push_back(SecondsOf([&] { CheckAndLink(zip, source, docel, QStringLiteral("Duzy"), second); }));
            std::printf("part 1 round %d: packed %.3f s, linked %.4f s\n", r + 1, packed.back(), linked.back());
            std::fflush(stdout);
        }
        std::printf("part 1: %d MB folder entry: packing %.3f s, unchanged and linked %.4f s: %.3f %% of packing\n",
                    folderMegabytes, Median(packed), Median(linked), 100.0 * Median(linked) / Median(packed));
        QDir(root + QStringLiteral("/zrodla1")).removeRecursively();
        QDir(docel).removeRecursively();
    }

    // ---- Part 2: a second, unchanged run over a large folder and a folder of many small files
    if (secondMegabytes > 0 || fileCount > 0) {
        const QString sources = root + QStringLiteral("/zrodla2");
        const QString large = sources + QStringLiteral("/Dokumenty");
        const QString small = sources + QStringLiteral("/Notatki");
        MakeLargeFolder(large, secondMegabytes, 2);
        MakeSmallFilesFolder(small, fileCount);
        const QString docel = root + QStringLiteral("/kopie2");
        std::vector<double> firstRun, secondRun;
        for (int r = 0; r < rounds; ++r) {
            QDir(docel).removeRecursively();
            QDir().mkpath(docel);
            const QString first = FolderName(folderNumber++);
            firstRun.push_back(SecondsOf([&] {
                Pack(zip, large, ArchivePath(docel, first, QStringLiteral("Dokumenty")));
                Pack(zip, small, ArchivePath(docel, first, QStringLiteral("Notatki")));
            }));
            const QString second = FolderName(folderNumber++);
            secondRun.push_back(SecondsOf([&] {
                CheckAndLink(zip, large, docel, QStringLiteral("Dokumenty"), second);
                CheckAndLink(zip, small, docel, QStringLiteral("Notatki"), second);
            }));
            std::printf("part 2 round %d: first run %.3f s, unchanged second run %.4f s\n", r + 1, firstRun.back(),
                        secondRun.back());
            std::fflush(stdout);
        }
        std::printf("part 2: %d MB folder + %d-file folder: first run %.3f s, unchanged second run (check + link) "
                    "%.4f s\n",
                    secondMegabytes, fileCount, Median(firstRun), Median(secondRun));

        // The same two folders with restic and borg, into fresh repositories each round.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RESTIC_PASSWORD"), QStringLiteral("haslo"));
        env.insert(QStringLiteral("BORG_UNKNOWN_UNENCRYPTED_REPO_ACCESS_IS_OK"), QStringLiteral("yes"));
        env.insert(QStringLiteral("BORG_RELOCATED_REPO_ACCESS_IS_OK"), QStringLiteral("yes"));
        env.insert(QStringLiteral("RESTIC_CACHE_DIR"), root + QStringLiteral("/restic-cache"));
        env.insert(QStringLiteral("BORG_BASE_DIR"), root + QStringLiteral("/borg-base"));
        const QString restic = QStandardPaths::findExecutable(QStringLiteral("restic"));
        const QString borg = QStandardPaths::findExecutable(QStringLiteral("borg"));
        ToolTimes resticTimes, borgTimes;
        for (int r = 0; tools && r < rounds; ++r) {
            if (!restic.isEmpty()) {
                const QString repo = root + QStringLiteral("/restic-repo");
                QDir(repo).removeRecursively();
                if (RunCommand(restic, {QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--repo"), repo}, env)) {
                    const QStringList backup{QStringLiteral("backup"), QStringLiteral("-q"), QStringLiteral("--repo"),
                                             repo, large, small};
                    resticTimes.First.push_back(SecondsOf([&] { RunCommand(restic, backup, env); }));
                    resticTimes.Second.push_back(SecondsOf([&] { RunCommand(restic, backup, env); }));
                    std::printf("restic round %d: first %.3f s, second %.3f s\n", r + 1, resticTimes.First.back(),
                                resticTimes.Second.back());
                }
                QDir(repo).removeRecursively();
            }
            if (!borg.isEmpty()) {
                const QString repo = root + QStringLiteral("/borg-repo");
                QDir(repo).removeRecursively();
                if (RunCommand(borg, {QStringLiteral("init"), QStringLiteral("--encryption=none"), repo}, env)) {
                    borgTimes.First.push_back(SecondsOf(
                        [&] { RunCommand(borg, {QStringLiteral("create"), repo + QStringLiteral("::eins"), large, small}, env); }));
                    borgTimes.Second.push_back(SecondsOf(
                        [&] { RunCommand(borg, {QStringLiteral("create"), repo + QStringLiteral("::zwei"), large, small}, env); }));
                    std::printf("borg round %d: first %.3f s, second %.3f s\n", r + 1, borgTimes.First.back(),
                                borgTimes.Second.back());
                }
                QDir(repo).removeRecursively();
            }
            std::fflush(stdout);
        }
        if (!resticTimes.Second.empty())
            std::printf("restic: first backup %.3f s, unchanged second backup %.3f s\n", Median(resticTimes.First),
                        Median(resticTimes.Second));
        if (!borgTimes.Second.empty())
            std::printf("borg: first backup %.3f s, unchanged second backup %.3f s\n", Median(borgTimes.First),
                        Median(borgTimes.Second));
    }
    return 0;
}
