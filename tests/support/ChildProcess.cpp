#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::map<std::string, TTestChild>& Children()
{
    static std::map<std::string, TTestChild> children;
    return children;
}

} // namespace

bool RegisterTestChild(const char* name, TTestChild child)
{
    Children()[name] = child;
    return true;
}

int RunRegisteredChild(const char* name)
{
    const auto child = Children().find(name);
    return child == Children().end() ? 2 : child->second();
}

TCStringArray::TCStringArray(const QStringList& texts, char* const* leading)
{
    for (const QString& text : texts)
        FBytes.push_back(text.toLocal8Bit());
    for (; leading && *leading; ++leading)
        FPointers.push_back(*leading);
    for (QByteArray& bytes : FBytes)
        FPointers.push_back(bytes.data());
    FPointers.push_back(nullptr);
}

TProcessEnd RunProcess(const QStringList& arguments, const QStringList& environment, QByteArray* output)
{
    TCStringArray argv(arguments);
    TCStringArray env(environment, environ);

    int fds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output && ::pipe2(fds, O_CLOEXEC) == 0) {
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    }
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv.Data()[0], &actions, nullptr, argv.Data(), env.Data());
    posix_spawn_file_actions_destroy(&actions);
    if (fds[1] >= 0)
        ::close(fds[1]);
    TProcessEnd end;
    if (!failed && fds[0] >= 0) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            output->append(buffer, n);
    }
    if (fds[0] >= 0)
        ::close(fds[0]);
    if (failed)
        return end;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    end.Signalled = WIFSIGNALED(status);
    end.Code = end.Signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    return end;
}

TProcessEnd RunTestChildProcess(const char* name, const QStringList& environment)
{
    return RunProcess({QCoreApplication::applicationFilePath(), QStringLiteral("--child"), QString::fromLatin1(name)}, environment);
}
