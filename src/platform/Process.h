#pragma once
// Processes: another program in place of this one, and child processes started, waited for
// and measured (the benchmarks compare the program's peak memory with the 7z command's).

#include "platform/Files.h"

#include <QStringList>

#include <cstdint>

struct ProcessOutcome {
    bool Exited = false;        // ended by itself, not by a signal
    int ExitStatus = -1;        // its exit status when it ended by itself
    int64_t PeakMemoryKiB = 0;  // the most memory it held at once (maximum resident set)
};

// Replaces this process with `program` (a path), handing it `argv` as it is (argv[0] too, and
// the environment). Returns only when that cannot be done, with the reason.
OsError ReplaceProcess(const QString& program, char** argv);

// Runs `program` (looked up in PATH when it holds no "/") with the arguments given and waits
// for it. `environment` holds "NAME=value" lines; an empty list passes this process's own.
// Its output goes where this process's goes.
OsError RunProcess(const QString& program, const QStringList& arguments, const QStringList& environment,
                   ProcessOutcome& outcome);
