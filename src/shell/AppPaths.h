#pragma once
#include <QString>

// Where the program keeps its files. Passed to whatever reads or writes them,
// so tests can point everything at a temporary folder.
struct AppPaths {
    QString appFolder;   // the program's own folder (read-only on most installs)
    QString dataFolder;  // the per-user data folder ("Karvex/Tolvi" under the user's data location)

    // A relative path goes to the application folder when it is writable,
    // else to the data folder. Absolute paths are returned unchanged.
    QString resolve(const QString& path) const;
};
