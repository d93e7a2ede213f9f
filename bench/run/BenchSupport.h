#pragma once
// What the run's benchmarks share: timing, medians, document-like content and running a command.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace Bench {

using Clock = std::chrono::steady_clock;

inline double SecondsOf(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename T>
T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Text-like content: words drawn from a small vocabulary, so it compresses like documents do.
inline QByteArray TextLike(std::mt19937_64& random, qsizetype size)
{
    static const char* const words[] = {"archiwum", "kopia",  "zapasowa", "plik",   "folder", "dane",
                                        "raport",   "faktura", "2024",    "lista",  "wpis",   "Skrytkar",
                                        "notatka",  "zdjęcie", "umowa",   "projekt", "wersja", "kwiecień"};
    QByteArray out;
    out.reserve(size + 16);
    while (out.size() < size) {
        out += words[random() % std::size(words)];
        out += (random() % 11 == 0) ? '\n' : ' ';
    }
    out.truncate(size);
    return out;
}

// Runs a command to its end; false (with what it said on standard error) unless it succeeded.
inline bool RunCommand(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed:\n%s\n", qPrintable(program), qPrintable(arguments.join(QLatin1Char(' '))),
                     p.readAll().constData());
        return false;
    }
    p.readAll();
    return true;
}

} // namespace Bench
