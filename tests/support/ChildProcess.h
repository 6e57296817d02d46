#pragma once
// Work a test runs in a process of its own, so that it can be killed
// half-way: the test program is started again with "--child NAME", and its
// main runs the function registered under that name instead of the tests.
// Processes are started with posix_spawn, which ThreadSanitizer follows.

#include <QByteArray>
#include <QStringList>
#include <vector>

using TTestChild = int (*)();

// Registers a child at static initialisation; returns true.
bool RegisterTestChild(const char* name, TTestChild child);
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

// This test program as the child of that name.
TProcessEnd RunTestChildProcess(const char* name, const QStringList& environment);
