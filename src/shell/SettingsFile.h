#pragma once
#include <QString>
#include <optional>

// Entries of the program's settings files ("app.txt", "user.txt", the
// instrument record files) by path. A file that does not exist is not a
// settings file: reading it gives nothing and writing it creates nothing.
// link/SettingsStore offers the same files under store names; the shell
// reads its own files here.

// The entry's text, or nullopt when the file or the entry is missing.
std::optional<QString> ReadSettingsEntry(const QString& path, const QString& section, const QString& key);
QString ReadSettingsText(const QString& path, const QString& section, const QString& key, const QString& fallback);

// Creates or replaces the entry (and its section), keeping every other line
// as it was. False, with the file unchanged, when the file is missing or
// read-only, the name or value cannot be stored, or the new content could not
// be written.
bool WriteSettingsEntry(const QString& path, const QString& section, const QString& key, const QString& value);
