#pragma once
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>

// The per-user application settings kept by the platform (organisation
// "Karvex", application the program title): "SettingRTC", legacy values and
// the like. Tests and the command line's --data-dir give an ini file instead.
//
// The file gets the guard of the data folder's files before it is read: one
// that is not a regular file (a FIFO, a device) or is over the size limit is
// left unread and unwritten; the values of this run are then kept in memory
// and the defaults are used.
class PerUserSettings {
public:
    // Empty iniFile: the platform's per-user store.
    explicit PerUserSettings(const QString& iniFile = {}, const QString& appTitle = QStringLiteral("Tolvi"));

    // section/key, e.g. value("Settings", "SettingRTC", 0).
    QVariant value(const QString& section, const QString& key, const QVariant& fallback = {}) const;
    void setValue(const QString& section, const QString& key, const QVariant& value);
    void remove(const QString& section, const QString& key);
    bool contains(const QString& section, const QString& key) const;
    QStringList keys(const QString& section) const;

    // The file the values are kept in.
    QString fileName() const { return fileName_; }
    // Why the file was left unread; empty when it was read (or is new).
    QString skipped() const { return skipped_; }

private:
    QString fileName_;
    QString skipped_;
    std::unique_ptr<QSettings> settings_;   // null when the file was skipped
    QVariantMap unsaved_;                   // this run's values when it was
};
