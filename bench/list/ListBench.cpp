// Loads and saves lists of 100, 1,000 and 10,000 entries through SaveList and LoadList and
// reports the time of each and the peak memory. Each size runs in a child process of its
// own, so the peak memory reported belongs to that size alone.
//   build/bench/list_bench [sizes...] [--repeat N]

#include "core/EntryList.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

long PeakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

EntryVector MakeList(int n)
{
    EntryVector list;
    list.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QString number = QString::number(i + 1);
        list.push_back(Entry{i % 3 ? QStringLiteral("Plik") : QStringLiteral("Folder"),
                             QStringLiteral("Kopia dokumentów nr ") + number,
                             QStringLiteral("/home/użytkownik/Dokumenty/Księgowość/Faktura ") + number + QStringLiteral(".ods"),
                             QStringLiteral("/media/kopie/Zewnętrzny dysk")});
    }
    return list;
}

int RunSize(int n, int repeat)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    EntryList entryList(dir.filePath(QStringLiteral("Dane.dat")));
    const long baseKb = PeakRssKb();
    const EntryVector list = MakeList(n);

    double saveBest = 1e300, loadBest = 1e300;
    for (int r = 0; r < repeat; ++r) {
        entryList.SetEntries(list);
        auto t0 = Clock::now();
        if (!entryList.Save())
            return 1;
        saveBest = std::min(saveBest, Ms(Clock::now() - t0));

        entryList.SetEntries({});
        t0 = Clock::now();
        entryList.Load();
        loadBest = std::min(loadBest, Ms(Clock::now() - t0));
        if (entryList.Count() != n || entryList.LoadDamaged())
            return 1;
    }
    const qint64 fileSize = QFileInfo(entryList.FilePath()).size();
    std::printf("%8d entries  file %9lld bytes  save %8.1f ms  load %8.1f ms  peak RSS %7ld KB (start %ld KB)\n", n,
                static_cast<long long>(fileSize), saveBest, loadBest, PeakRssKb(), baseKb);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {100, 1000, 10000};
    std::printf("list load/save, best of %d (save includes fsync)\n", repeat);
    std::fflush(stdout);
    int status = 0;
    for (int n : sizes) {
        const pid_t pid = fork();
        if (pid == 0) {
            const int rc = RunSize(n, repeat);
            std::fflush(stdout);
            _exit(rc);
        }
        int childStatus = 0;
        waitpid(pid, &childStatus, 0);
        if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) {
            std::fprintf(stderr, "size %d failed\n", n);
            status = 1;
        }
    }
    return status;
}
