#include "KeyValueReport.h"

KeyValueReport::KeyValueReport(const QString& title) : lines_(banner(title))
{
    lines_ << QString();
}

QStringList KeyValueReport::banner(const QString& title)
{
    const QString heading = QStringLiteral("; === ") + title + QStringLiteral(" ===");
    const QString rule = QStringLiteral("; ") + QString(heading.size() - 2, QLatin1Char('='));
    return {rule, heading, rule, QStringLiteral(";") + QString(heading.size() - 1, QLatin1Char(' '))};
}

KeyValueReport& KeyValueReport::comment(const QString& text)
{
    lines_ << QStringLiteral("; ") + text;
    return *this;
}

KeyValueReport& KeyValueReport::line(const QString& text)
{
    lines_ << text;
    return *this;
}

KeyValueReport& KeyValueReport::section(const QString& name)
{
    lines_ << QLatin1Char('[') + name + QLatin1Char(']');
    return *this;
}

KeyValueReport& KeyValueReport::entry(const QString& key, const QString& value)
{
    lines_ << key + QLatin1Char('=') + value;
    return *this;
}

KeyValueReport& KeyValueReport::endSection()
{
    lines_ << QString();
    return *this;
}

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}
