#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// Shared by the fuzz targets. An invariant that fails aborts the process, which libFuzzer records as a
// crash and saves the input for.
#define FUZZ_CHECK(condition) ((condition) ? void(0) : FuzzFail(#condition, __FILE__, __LINE__))
[[noreturn]] void FuzzFail(const char* condition, const char* file, int line);

// A directory of the process's own, ending in '/', created on first use and removed at exit. On
// /dev/shm when there is one: the writers sync every file to disk, which would dominate each run.
QString ScratchDir();

// Every entry below dir (directories with an empty value and a trailing '/') with its bytes: a reader
// that must write nothing leaves the snapshot as it was.
using DirSnapshot = std::map<QString, QByteArray>;
DirSnapshot SnapshotDir(const QString& dir);
// Removes everything inside dir, keeping dir itself.
void ClearDir(const QString& dir);

bool WriteFileBytes(const QString& path, const QByteArray& bytes);

// The text as a file in each encoding a byte-order mark selects, mark first: UTF-8, UTF-16 LE and BE,
// UTF-32 LE and BE. Readers must read all five as the same text.
QByteArray WithByteOrderMark(const QString& text, int encoding);
constexpr int ByteOrderMarkEncodings = 5;
