#pragma once

#include <QString>

// The reverse-DNS id the installed files are named by (desktop entry, metainfo, icon).
QString ApplicationId();

// True when executableDir is the bin/ of an installed prefix: the prefix holds our desktop entry
// (share/applications/<id>.desktop). An installed program never writes beside itself.
bool IsInstalledLayout(const QString& executableDir);

// The directory every data file lives in (the catalog, the user list, activity files, the export),
// always ending in '/'. Chosen in this order: $KINETRAX_DATA_DIR when set and not empty; the
// executable's directory when it is writable and not an installed prefix (portable use); the
// per-user application data directory, created when missing unless createMissing is false (a command
// that only reads it). Decide it once at start-up and pass it on.
QString ResolveDataDir(const QString& envValue, const QString& executableDir, bool createMissing = true);

// ResolveDataDir with the process's environment and executable; needs a QCoreApplication.
QString DataDirFromEnvironment(bool createMissing = true);
