#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct TRegisteredChild {
    TTestChild Run = nullptr;
    bool Program = false;
};

std::map<std::string, TRegisteredChild>& Children()
{
    static std::map<std::string, TRegisteredChild> children;
    return children;
}

// Starts the program; its output and error go to outputFd when it is open.
pid_t Spawn(const QStringList& arguments, const QStringList& environment, int outputFd)
{
    TCStringArray argv(arguments);
    TCStringArray env(environment, environ);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
    }
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv.Data()[0], &actions, nullptr, argv.Data(), env.Data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

TProcessEnd EndOf(int status)
{
    TProcessEnd end;
    end.Signalled = WIFSIGNALED(status);
    end.Code = end.Signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    return end;
}

} // namespace

bool RegisterTestChild(const char* name, TTestChild child, bool program)
{
    Children()[name] = {child, program};
    return true;
}

bool TestChildRunsProgram(const char* name)
{
    const auto child = Children().find(name);
    return child != Children().end() && child->second.Program;
}

int RunRegisteredChild(const char* name)
{
    const auto child = Children().find(name);
    return child == Children().end() ? 2 : child->second.Run();
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
    int fds[2] = {-1, -1};
    if (output && ::pipe2(fds, O_CLOEXEC) != 0)
        fds[0] = fds[1] = -1;
    const pid_t pid = Spawn(arguments, environment, fds[1]);
    if (fds[1] >= 0)
        ::close(fds[1]);
    if (pid && fds[0] >= 0) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            output->append(buffer, n);
    }
    if (fds[0] >= 0)
        ::close(fds[0]);
    if (!pid)
        return {};
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return EndOf(status);
}

int StartProcess(const QStringList& arguments, const QStringList& environment)
{
    return Spawn(arguments, environment, -1);
}

TProcessEnd WaitProcess(int pid, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return EndOf(status);
        if (ended < 0 && errno != EINTR)
            return {};
        if (std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return EndOf(status);
}

namespace {

QStringList ChildArguments(const char* name)
{
    return {QCoreApplication::applicationFilePath(), QStringLiteral("--child"), QString::fromLatin1(name)};
}

} // namespace

TProcessEnd RunTestChildProcess(const char* name, const QStringList& environment)
{
    return RunProcess(ChildArguments(name), environment);
}

int StartTestChildProcess(const char* name, const QStringList& environment)
{
    return StartProcess(ChildArguments(name), environment);
}
