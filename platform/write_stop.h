#pragma once

// Test hooks for the failure and crash-consistency tests of the data files.
//
// Kill: when KINETRAX_STOP_AT_WRITE holds a number n > 0, the n-th call of StopPointBeforeWrite in this
// process kills the process with SIGKILL, as a power loss would at that moment. It is called before
// every change the program makes to a data file (a whole-file replacement just before its rename, a
// creation, a removal) and before each write into the pedometer's memory. Unset, empty or not a number:
// nothing happens.
inline constexpr const char* StopAtWriteEnvironmentVariable = "KINETRAX_STOP_AT_WRITE";

void StopPointBeforeWrite();

// Failure: the writers of data files call FileWriteFails before each change and fail as on a full disk
// when it is true. It is true only for the n-th call after FailFileWriteForTests(n) (n = 0 cancels).
// Also a stop point.
bool FileWriteFails();
void FailFileWriteForTests(int n);
// Whether the write asked for by FailFileWriteForTests has failed since.
bool FailedFileWriteForTests();

// The error text of a write that FileWriteFails refused.
const char* InjectedWriteErrorText();
