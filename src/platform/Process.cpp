#include "platform/Process.h"

#include <vector>

#include <cerrno>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>  // environ: the process's own environment, declared there for GNU

namespace {

// NUL-terminated copies of the texts and the array of pointers to them that exec wants.
class CStringArray {
public:
    explicit CStringArray(const QStringList& texts)
    {
        for (const QString& text : texts)
            storage.push_back(NativePath(text));
        for (QByteArray& bytes : storage)
            pointers.push_back(bytes.data());
        pointers.push_back(nullptr);
    }
    char** Data() { return pointers.data(); }

private:
    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
};

} // namespace

OsError ReplaceProcess(const QString& program, char** argv)
{
    ::execv(NativePath(program).constData(), argv);
    return errno;
}

OsError RunProcess(const QString& program, const QStringList& arguments, const QStringList& environment,
                   ProcessOutcome& outcome)
{
    outcome = ProcessOutcome();
    CStringArray argv(QStringList(program) + arguments);
    CStringArray envp(environment);
    pid_t child = -1;
    const int started = ::posix_spawnp(&child, NativePath(program).constData(), nullptr, nullptr, argv.Data(),
                                       environment.isEmpty() ? environ : envp.Data());
    if (started != 0)
        return started;
    int status = 0;
    rusage usage{};
    pid_t done;
    do {
        done = ::wait4(child, &status, 0, &usage);
    } while (done < 0 && errno == EINTR);
    if (done < 0)
        return errno;
    outcome.Exited = WIFEXITED(status);
    outcome.ExitStatus = outcome.Exited ? WEXITSTATUS(status) : -1;
    outcome.PeakMemoryKiB = usage.ru_maxrss;  // kilobytes on Linux
    return NoError;
}
