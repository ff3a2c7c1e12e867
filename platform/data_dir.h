#pragma once

#include <QString>

// The directory every data file lives in (the catalog, the user list, activity files, the export),
// always ending in '/'. Chosen in this order: $KINETRAX_DATA_DIR when set and not empty; the
// executable's directory when it is writable (portable use); the per-user application data directory,
// created when missing. Decide it once at start-up and pass it on.
QString ResolveDataDir(const QString& envValue, const QString& executableDir);

// ResolveDataDir with the process's environment and executable; needs a QCoreApplication.
QString DataDirFromEnvironment();
