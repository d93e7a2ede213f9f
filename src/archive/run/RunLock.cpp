#include "archive/run/RunLock.h"

#include "platform/Platform.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>

namespace {

constexpr int UnreadableRunLockAgeSeconds = 60;

} // namespace

QString RunLockPath()
{
    return DataDirectory() + QStringLiteral("Skrytkar.lock");
}

RunLock::RunLock() = default;
RunLock::~RunLock() = default;

bool RunLock::Take()
{
    auto candidate = std::make_unique<QLockFile>(RunLockPath());
    // Only a lock whose process has ended is stale: a long run must keep it however long it takes.
    candidate->setStaleLockTime(0);
    bool taken = candidate->tryLock(0);
    if (!taken && candidate->error() == QLockFile::LockFailedError) {
        // A lock file that names no process (cut short by a power loss, say) would keep every
        // run out for good: once it is older than a run needs to write it, it is stale.
        qint64 pid = 0;
        QString host, application;
        const QFileInfo file(RunLockPath());
        if (!candidate->getLockInfo(&pid, &host, &application) &&
            file.lastModified().secsTo(QDateTime::currentDateTime()) > UnreadableRunLockAgeSeconds) {
            candidate->removeStaleLockFile();
            taken = candidate->tryLock(0);
        }
    }
    if (taken) {
        lock = std::move(candidate);
        return true;
    }
    return candidate->error() != QLockFile::LockFailedError;
}

void RunLock::Release()
{
    lock.reset();
}
