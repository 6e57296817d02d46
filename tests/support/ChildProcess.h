#pragma once
// Work a test runs in a process of its own, so that it can be killed
// half-way: the test program is started again with "--child NAME", and its
// main runs the function registered under that name instead of the tests.
// Processes are started with posix_spawn, which ThreadSanitizer follows.

#include <QByteArray>
#include <QStringList>
#include <vector>

using TTestChild = int (*)();

// Registers a child at static initialisation; returns true. A child that
// runs the program (program) gets the program's own application object, as
// main() makes it, instead of the tests' QApplication.
bool RegisterTestChild(const char* name, TTestChild child, bool program = false);
// The named child runs the program.
bool TestChildRunsProgram(const char* name);
// Runs the registered child (its result is the process's exit code); 2 when
// no child has that name.
int RunRegisteredChild(const char* name);

// The texts as the null-terminated array of C strings that posix_spawn
// takes (in the local 8-bit encoding), after the given leading entries.
class TCStringArray {
public:
    explicit TCStringArray(const QStringList& texts, char* const* leading = nullptr);
    char** Data() { return FPointers.data(); }

private:
    std::vector<QByteArray> FBytes;
    std::vector<char*> FPointers;
};

struct TProcessEnd {
    bool Signalled = false; // ended by a signal (Code is the signal)
    int Code = -1;          // the exit code, or the signal; -1: never started
};

// Runs the program with its arguments, the environment extended by the
// NAME=value lines, and waits for its end. Its standard output (and error)
// is collected into output when given, else shared with the caller.
TProcessEnd RunProcess(const QStringList& arguments, const QStringList& environment = {}, QByteArray* output = nullptr);

// Starts the program as RunProcess does, its output shared with the caller,
// and returns at once: its process id, or 0 when it did not start.
int StartProcess(const QStringList& arguments, const QStringList& environment = {});
// Waits for the end of a started process; one still running after
// timeoutMs is killed (SIGKILL), and that is its end.
TProcessEnd WaitProcess(int pid, int timeoutMs);

// This test program as the child of that name.
TProcessEnd RunTestChildProcess(const char* name, const QStringList& environment);
int StartTestChildProcess(const char* name, const QStringList& environment);
