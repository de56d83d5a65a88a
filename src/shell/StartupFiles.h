#pragma once
#include <QString>

struct AppPaths;

// The two settings files of the data folder.
QString AppSettingsPath(const AppPaths& paths);   // "app.txt": application settings
QString UserSettingsPath(const AppPaths& paths);  // "user.txt": user settings (password, data-file options)

// Creates "app.txt" and "user.txt" with their heading comment when missing;
// existing files are left as they are. False when one could not be created.
bool CreateSettingsFiles(const AppPaths& paths);
