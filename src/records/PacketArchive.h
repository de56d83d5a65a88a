#pragma once
#include <QString>

// Packs a folder tree into a standard ZIP archive with relative paths and
// forward slashes. The archive is written to a temporary file beside the
// target and renamed over it only once it is complete and closed, so a
// failed pack leaves any earlier archive as it was. Symbolic links in the
// tree are left out, not followed.
struct PackResult {
    bool ok = false;
    int zipError = 0;      // the archiver's error code, 0 when the failure was not its own
    QString message;       // what went wrong, for the log and the user
};

PackResult PackFolder(const QString& folder, const QString& archivePath);
