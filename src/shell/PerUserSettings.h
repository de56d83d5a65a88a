#pragma once
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// The per-user application settings kept by the platform (organisation
// "Karvex", application the program title): "SettingRTC", legacy values and
// the like. Tests and the command line's --data-dir give an ini file instead.
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

private:
    std::unique_ptr<QSettings> settings_;
};
