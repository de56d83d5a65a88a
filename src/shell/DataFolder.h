#pragma once
#include <QString>

// The per-user folder where the program keeps its settings files, records
// and session log: the user's data location + "Karvex/Tolvi".
struct DataFolderChoice {
    QString path;
    // False when the platform offered no per-user data location or the
    // folder could not be created; path is then the application folder and
    // the session log goes to its fallback file.
    bool perUser = false;
};

// The platform's per-user data location (empty when it has none).
QString PerUserDataLocation();

// Picks the data folder under dataLocation, creating it with any missing
// parent folders. An empty dataLocation, or one where the folder cannot be
// created, gives the application folder.
DataFolderChoice ChooseDataFolder(const QString& appFolder, const QString& dataLocation = PerUserDataLocation());
