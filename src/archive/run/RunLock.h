#pragma once
// One run at a time for one program folder: a lock file beside the list, held from the start of
// a run until its log is written, so two runs (a cron "/all" while the window archives) never
// write the same log and archives.

#include <QString>

#include <memory>

class QLockFile;

// The lock file, beside the list.
QString RunLockPath();

class RunLock {
public:
    RunLock();
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // False only when another run holds the lock. A lock that cannot be made at all (an
    // unwritable data folder) lets the run go on: it reports its own trouble with the log.
    bool Take();
    void Release();

private:
    std::unique_ptr<QLockFile> lock;
};
