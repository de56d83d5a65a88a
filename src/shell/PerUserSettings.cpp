#include "PerUserSettings.h"

PerUserSettings::PerUserSettings(const QString& iniFile, const QString& appTitle)
    : settings_(iniFile.isEmpty()
            ? std::make_unique<QSettings>(QStringLiteral("Karvex"), appTitle)
            : std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

static QString keyPath(const QString& section, const QString& key)
{
    return section.isEmpty() ? key : section + QLatin1Char('/') + key;
}

QVariant PerUserSettings::value(const QString& section, const QString& key, const QVariant& fallback) const
{
    return settings_->value(keyPath(section, key), fallback);
}

void PerUserSettings::setValue(const QString& section, const QString& key, const QVariant& value)
{
    settings_->setValue(keyPath(section, key), value);
    settings_->sync();
}

void PerUserSettings::remove(const QString& section, const QString& key)
{
    settings_->remove(keyPath(section, key));
    settings_->sync();
}

bool PerUserSettings::contains(const QString& section, const QString& key) const
{
    return settings_->contains(keyPath(section, key));
}

QStringList PerUserSettings::keys(const QString& section) const
{
    settings_->beginGroup(section);
    const QStringList k = settings_->childKeys();
    settings_->endGroup();
    return k;
}
