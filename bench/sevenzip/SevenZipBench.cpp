// Packs a fixed generated corpus (about 200 MB: compressible text, incompressible bytes and a
// folder of a few thousand small files) once with SevenZipPacker::Add and once with
// `7z a -t7z -mx3 -ms=on`, both as child processes so that each one's wall time and peak
// memory (getrusage of the child) are measured alike. Rounds alternate between the two.
//
//   sevenzip_bench [--rounds N] [--dir WORKDIR]
//   sevenzip_bench --add CORPUS ARCHIVE      (the child that runs Add)
//
// With --read it measures the reading side instead: SevenZipReader's Test against `7z t` and
// its Extract against `7z x -y`, on one archive of the same corpus made by the command.
//
//   sevenzip_bench --read [--rounds N] [--dir WORKDIR]
//   sevenzip_bench --test ARCHIVE            (the child that runs Test)
//   sevenzip_bench --extract ARCHIVE FOLDER  (the child that runs Extract)
//
// With --verified it measures what the archive run does: Add with VerifyAfterWrite (written,
// read back from the disk, tested) against `7z a -t7z -mx3 -ms=on` followed by `7z t`; then
// restoring that archive as "/restore" does against `7z x -y`.
//
//   sevenzip_bench --verified [--rounds N] [--dir WORKDIR]
//   sevenzip_bench --add-verified CORPUS ARCHIVE  (the child that runs the verified Add)
//   sevenzip_bench --restore ARCHIVE FOLDER       (the child that restores)

#include "archive/run/RestoreEntry.h"
#include "archive/sevenzip/SevenZip.h"
#include "archive/sevenzip/SevenZipReader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int TextFiles = 4;
constexpr qint64 TextFileSize = 20ll << 20;
constexpr int NoiseFiles = 2;
constexpr qint64 NoiseFileSize = 50ll << 20;
constexpr int SmallFiles = 4000;

bool WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QByteArray Text(std::mt19937& g, qint64 size)
{
    static const char* const Words[] = {"archiwum", "kopia", "zapasowa", "plik", "folder", "dane", "lista",
                                        "backup", "the", "of", "and", "entry", "destination", "source",
                                        "compression", "volume", "progress", "window", "łódź", "źródło",
                                        "1999", "2024", "0x7F", "return", "value", "{", "}", ";"};
    constexpr int WordCount = sizeof Words / sizeof Words[0];
    QByteArray out;
    out.reserve(size + 64);
    std::geometric_distribution<int> lineLength(0.08);
    while (out.size() < size) {
        const int n = 1 + lineLength(g);
        for (int i = 0; i < n; ++i) {
            out += Words[g() % WordCount];
            out += ' ';
        }
        out += QByteArray::number(static_cast<qulonglong>(g() % 100000));
        out += '\n';
    }
    out.truncate(size);
    return out;
}

QByteArray Noise(std::mt19937_64& g, qint64 size)
{
    QByteArray out(size, Qt::Uninitialized);
    for (qint64 i = 0; i + 8 <= size; i += 8) {
        const uint64_t v = g();
        memcpy(out.data() + i, &v, 8);
    }
    return out;
}

// The corpus is made once and kept; its content depends only on fixed seeds.
bool MakeCorpus(const QString& corpus)
{
    if (QFileInfo::exists(corpus + QStringLiteral("/.complete")))
        return true;
    QDir(corpus).removeRecursively();
    if (!QDir().mkpath(corpus + QStringLiteral("/male pliki")))
        return false;
    std::mt19937 text(20240305);
    std::mt19937_64 noise(907);
    for (int i = 0; i < TextFiles; ++i)
        if (!WriteAll(corpus + QStringLiteral("/tekst%1.txt").arg(i), Text(text, TextFileSize)))
            return false;
    for (int i = 0; i < NoiseFiles; ++i)
        if (!WriteAll(corpus + QStringLiteral("/szum%1.bin").arg(i), Noise(noise, NoiseFileSize)))
            return false;
    for (int i = 0; i < SmallFiles; ++i)
        if (!WriteAll(corpus + QStringLiteral("/male pliki/plik%1.txt").arg(i, 5, 10, QLatin1Char('0')),
                      Text(text, 1000 + text() % 9000)))
            return false;
    return WriteAll(corpus + QStringLiteral("/.complete"), QByteArray());
}

// As the archive run packs (solid, fast, a handler that follows the progress); with verify, the
// archive is read back from the disk and tested before it is named, as the run does by default.
int RunAdd(const QString& corpus, const QString& archive, bool verify = false)
{
    SevenZipPacker zip;
    zip.AddOptions = AddSolid | AddRecurseDirs;
    zip.LZMACompressStrength = FAST;
    zip.LPPMDmem = 0;
    zip.LPPMDsize = 0;
    zip.VerifyAfterWrite = verify;
    int64_t last = 0;
    zip.OnProgress = [&](SevenZipPacker*, const QString&, int64_t arc, int64_t) { last = arc; };
    zip.SZFileName = archive;
    zip.AddRootDir = corpus.left(corpus.lastIndexOf(QLatin1Char('/')) + 1);
    zip.Files.Add(corpus + QStringLiteral("/*.*"));
    const int32_t result = zip.Add();
    if (result != 0 || (verify && !zip.LastVerify.Ok())) {
        std::fprintf(stderr, "%s failed: %d\n", verify ? "verified Add" : "Add", result);
        return 1;
    }
    return last > 0 ? 0 : 2;
}

// As "/restore" does: every item into the folder, nothing there overwritten.
int RunRestore(const QString& archive, const QString& folder)
{
    SevenZipPacker zip;
    RestoreRequest request;
    request.ArchivePath = archive;
    request.Folder = folder;
    request.Decide = [](const ArchiveItem&, const ExistingFile&) { return OverwriteAnswer::Skip; };
    uint64_t last = 0;
    request.OnProgress = [&](uint64_t done, uint64_t) { last = done; };
    const RestoreReport report = RestoreArchive(zip, request);
    if (!report.Complete()) {
        std::fprintf(stderr, "restore failed: %d, %zu problems\n", int(report.Result.Status), report.Result.Problems.size());
        return 1;
    }
    return last > 0 ? 0 : 2;
}

struct Measure {
    double Seconds = 0;
    double CpuSeconds = 0;  // user + system: steadier than wall time on a busy machine
    long MaxRssKb = 0;
    int Status = -1;
};

Measure RunChild(const std::vector<std::string>& args, const QString& workDir)
{
    Measure m;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(QFile::encodeName(workDir).constData()) != 0)
            ::_exit(126);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    m.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.MaxRssKb = usage.ru_maxrss;
    m.CpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// ---- Reading: SevenZipReader's Test and Extract against `7z t` and `7z x` ----------------------

int RunTest(const QString& archive)
{
    SevenZipPacker zip;
    SevenZipReader reader(zip);
    // As a window does: a handler that follows the progress.
    uint64_t last = 0;
    reader.OnProgress = [&](uint64_t done, uint64_t) { last = done; };
    if (reader.Open(archive).Status != ArchiveStatus::Ok)
        return 1;
    const ArchiveTestResult result = reader.Test();
    if (!result.Ok()) {
        std::fprintf(stderr, "Test failed: %d\n", int(result.Status));
        return 1;
    }
    return last > 0 ? 0 : 2;
}

int RunExtract(const QString& archive, const QString& folder)
{
    SevenZipPacker zip;
    SevenZipReader reader(zip);
    uint64_t last = 0;
    reader.OnProgress = [&](uint64_t done, uint64_t) { last = done; };
    if (reader.Open(archive).Status != ArchiveStatus::Ok)
        return 1;
    const ExtractResult result = reader.Extract(folder);
    if (!result.Complete()) {
        std::fprintf(stderr, "Extract failed: %d, %zu problems\n", int(result.Status), result.Problems.size());
        return 1;
    }
    return last > 0 ? 0 : 2;
}

// Rounds of one pair (ours, the command), alternating who goes first; before each run `prepare`
// (not measured) clears what the last one left.
struct PairTimes {
    std::vector<double> Ours, Theirs, OursCpu, TheirsCpu, Ratios;
    long OursRss = 0, TheirsRss = 0;
};

bool RunPairs(const char* label, int rounds, const std::vector<std::string>& ours,
              const std::vector<std::string>& theirs, const QString& workDir, const std::function<void()>& prepare,
              PairTimes& t)
{
    for (int round = -1; round < rounds; ++round) {
        double pair[2] = {0, 0};
        for (int which = 0; which < 2; ++which) {
            const bool runOurs = (which == 0) == (round % 2 == 0);
            prepare();
            const Measure m = RunChild(runOurs ? ours : theirs, workDir);
            if (m.Status != 0) {
                std::fprintf(stderr, "%s: %s exited with %d\n", label, runOurs ? "ours" : "7z", m.Status);
                return false;
            }
            if (round < 0)
                continue;
            std::printf("%s round %d %-4s wall %8.3f s  cpu %8.3f s  peak %7ld kB\n", label, round + 1,
                        runOurs ? "ours" : "7z", m.Seconds, m.CpuSeconds, m.MaxRssKb);
            pair[runOurs ? 0 : 1] = m.Seconds;
            (runOurs ? t.Ours : t.Theirs).push_back(m.Seconds);
            (runOurs ? t.OursCpu : t.TheirsCpu).push_back(m.CpuSeconds);
            long& rss = runOurs ? t.OursRss : t.TheirsRss;
            rss = std::max(rss, m.MaxRssKb);
        }
        if (round >= 0)
            t.Ratios.push_back(pair[0] / pair[1]);
    }
    std::printf("%s median wall time: ours %.3f s, 7z %.3f s, ratio %.3f; median of round ratios %.3f\n", label,
                Median(t.Ours), Median(t.Theirs), Median(t.Ours) / Median(t.Theirs), Median(t.Ratios));
    std::printf("%s median cpu time: ours %.3f s, 7z %.3f s, ratio %.3f\n", label, Median(t.OursCpu),
                Median(t.TheirsCpu), Median(t.OursCpu) / Median(t.TheirsCpu));
    std::printf("%s peak memory: ours %ld kB, 7z %ld kB\n", label, t.OursRss, t.TheirsRss);
    return true;
}

int RunReadBench(const QString& dir, int rounds)
{
    const QString corpus = dir + QStringLiteral("/korpus");
    std::printf("corpus: %s\n", qPrintable(corpus));
    if (!MakeCorpus(corpus)) {
        std::fprintf(stderr, "cannot make the corpus\n");
        return 1;
    }
    // One archive, made by the command with the packer's settings, read by both sides.
    const QString archive = dir + QStringLiteral("/odczyt.7z");
    if (!QFileInfo::exists(archive)) {
        const Measure m = RunChild({"7z", "a", "-t7z", "-mx3", "-ms=on", "-bd", archive.toStdString(), "korpus"}, dir);
        if (m.Status != 0) {
            std::fprintf(stderr, "7z a exited with %d\n", m.Status);
            return 1;
        }
    }
    std::printf("archive: %s, %lld bytes\n", qPrintable(archive), QFileInfo(archive).size());
    const std::string self = QCoreApplication::applicationFilePath().toStdString();

    PairTimes test;
    if (!RunPairs("test", rounds, {self, "--test", archive.toStdString()}, {"7z", "t", "-bd", archive.toStdString()},
                  dir, [] {}, test))
        return 1;

    const QString out = dir + QStringLiteral("/wypakowane");
    PairTimes extract;
    const auto clear = [&] {
        QDir(out).removeRecursively();
        // What was just written should not be on its way to the disk while the next one runs.
        ::sync();
    };
    if (!RunPairs("extract", rounds, {self, "--extract", archive.toStdString(), out.toStdString()},
                  {"7z", "x", "-y", "-bd", "-o" + out.toStdString(), archive.toStdString()}, dir, clear, extract))
        return 1;
    clear();
    return 0;
}

// The verified add against `7z a` followed by `7z t`, then restoring that archive against `7z x`.
int RunVerifiedBench(const QString& dir, int rounds)
{
    const QString corpus = dir + QStringLiteral("/korpus");
    std::printf("corpus: %s\n", qPrintable(corpus));
    if (!MakeCorpus(corpus)) {
        std::fprintf(stderr, "cannot make the corpus\n");
        return 1;
    }
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const QString ours = dir + QStringLiteral("/verified.7z");
    const QString theirs = dir + QStringLiteral("/cmd-t.7z");
    const std::string both = "7z a -t7z -mx3 -ms=on -bd '" + theirs.toStdString() + "' korpus >/dev/null && 7z t -bd '" +
                             theirs.toStdString() + "' >/dev/null";
    PairTimes add;
    if (!RunPairs("verified add", rounds, {self, "--add-verified", corpus.toStdString(), ours.toStdString()},
                  {"/bin/sh", "-c", both}, dir,
                  [&] {
                      QFile::remove(ours);
                      QFile::remove(theirs);
                      ::sync();
                  },
                  add))
        return 1;
    if (!QFileInfo::exists(ours) && RunAdd(corpus, ours, true) != 0)
        return 1;

    const QString out = dir + QStringLiteral("/przywrocone");
    const auto clear = [&] {
        QDir(out).removeRecursively();
        ::sync();
    };
    PairTimes restore;
    if (!RunPairs("restore", rounds, {self, "--restore", ours.toStdString(), out.toStdString()},
                  {"7z", "x", "-y", "-bd", "-o" + out.toStdString(), ours.toStdString()}, dir, clear, restore))
        return 1;
    clear();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("--add"))
        return RunAdd(args[2], args[3]);
    if (args.size() == 3 && args[1] == QStringLiteral("--test"))
        return RunTest(args[2]);
    if (args.size() == 4 && args[1] == QStringLiteral("--extract"))
        return RunExtract(args[2], args[3]);
    if (args.size() == 4 && args[1] == QStringLiteral("--add-verified"))
        return RunAdd(args[2], args[3], true);
    if (args.size() == 4 && args[1] == QStringLiteral("--restore"))
        return RunRestore(args[2], args[3]);
    if (args.contains(QStringLiteral("--verified"))) {
        const qsizetype r = args.indexOf(QStringLiteral("--rounds"));
        const qsizetype d = args.indexOf(QStringLiteral("--dir"));
        return RunVerifiedBench(d > 0 && d + 1 < args.size() ? args[d + 1] : QDir::tempPath() + QStringLiteral("/skrytkar-bench-7z"),
                                r > 0 && r + 1 < args.size() ? std::max(1, args[r + 1].toInt()) : 3);
    }
    if (args.contains(QStringLiteral("--read"))) {
        const qsizetype r = args.indexOf(QStringLiteral("--rounds"));
        const qsizetype d = args.indexOf(QStringLiteral("--dir"));
        return RunReadBench(d > 0 && d + 1 < args.size() ? args[d + 1] : QDir::tempPath() + QStringLiteral("/skrytkar-bench-7z"),
                            r > 0 && r + 1 < args.size() ? std::max(1, args[r + 1].toInt()) : 3);
    }

    int rounds = 3;
    QString dir = QDir::tempPath() + QStringLiteral("/skrytkar-bench-7z");
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--rounds"))
            rounds = std::max(1, args[i + 1].toInt());
        else if (args[i] == QStringLiteral("--dir"))
            dir = args[i + 1];
    }
    const QString corpus = dir + QStringLiteral("/korpus");
    std::printf("corpus: %s\n", qPrintable(corpus));
    if (!MakeCorpus(corpus)) {
        std::fprintf(stderr, "cannot make the corpus\n");
        return 1;
    }
    const QString ours = dir + QStringLiteral("/add.7z");
    const QString theirs = dir + QStringLiteral("/cmd.7z");
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::vector<std::string> addArgs{self, "--add", corpus.toStdString(), ours.toStdString()};
    const std::vector<std::string> cmdArgs{"7z", "a", "-t7z", "-mx3", "-ms=on", "-bd", theirs.toStdString(), "korpus"};

    // One unmeasured pass of each brings the corpus into the page cache.
    std::vector<double> addTimes, cmdTimes, addCpu, cmdCpu;
    long addRss = 0, cmdRss = 0;
    for (int round = -1; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            // Alternate who goes first so neither always follows the other.
            const bool runAdd = (which == 0) == (round % 2 == 0);
            QFile::remove(runAdd ? ours : theirs);
            const Measure m = RunChild(runAdd ? addArgs : cmdArgs, dir);
            if (m.Status != 0) {
                std::fprintf(stderr, "%s exited with %d\n", runAdd ? "add" : "7z", m.Status);
                return 1;
            }
            if (round < 0)
                continue;
            std::printf("round %d %-4s wall %8.3f s  cpu %8.3f s  peak %7ld kB\n", round + 1, runAdd ? "Add" : "7z",
                        m.Seconds, m.CpuSeconds, m.MaxRssKb);
            (runAdd ? addTimes : cmdTimes).push_back(m.Seconds);
            (runAdd ? addCpu : cmdCpu).push_back(m.CpuSeconds);
            long& rss = runAdd ? addRss : cmdRss;
            rss = std::max(rss, m.MaxRssKb);
        }
    }
    const double addMedian = Median(addTimes), cmdMedian = Median(cmdTimes);
    std::printf("median wall time: Add %.3f s, 7z %.3f s, ratio %.3f\n", addMedian, cmdMedian, addMedian / cmdMedian);
    const double addBest = *std::min_element(addTimes.begin(), addTimes.end());
    const double cmdBest = *std::min_element(cmdTimes.begin(), cmdTimes.end());
    std::printf("best wall time: Add %.3f s, 7z %.3f s, ratio %.3f\n", addBest, cmdBest, addBest / cmdBest);
    const double addCpuMedian = Median(addCpu), cmdCpuMedian = Median(cmdCpu);
    std::printf("median cpu time: Add %.3f s, 7z %.3f s, ratio %.3f\n", addCpuMedian, cmdCpuMedian,
                addCpuMedian / cmdCpuMedian);
    std::printf("peak memory: Add %ld kB, 7z %ld kB, difference %+ld kB\n", addRss, cmdRss, addRss - cmdRss);
    std::printf("archive sizes: Add %lld bytes, 7z %lld bytes\n", QFileInfo(ours).size(), QFileInfo(theirs).size());
    return 0;
}
