#include "UpdateList.h"

#include <QRegularExpression>

namespace {

UpdateLine classify(const QString& raw, int number)
{
    UpdateLine line;
    line.lineNumber = number;
    if (raw.isEmpty() || raw.startsWith(QLatin1Char('#')))
        return line;
    const QChar first = raw.front();
    if (first == QLatin1Char('*')) {
        line.kind = UpdateLine::Kind::InlineCommand;
        line.text = raw.mid(1);
        if (raw.size() > 1)
            line.command = raw.at(1);
        line.argument = raw.mid(2);
    } else if (first == QLatin1Char('$') || first == QLatin1Char('%')) {
        line.kind = first == QLatin1Char('$') ? UpdateLine::Kind::LogText : UpdateLine::Kind::BalloonText;
        line.text = raw.mid(1);
    } else {
        line.kind = UpdateLine::Kind::FileEntry;
        line.text = raw;
        line.fields = raw.split(UpdateFieldSeparator);
    }
    return line;
}

} // namespace

QList<UpdateLine> ParseUpdateList(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList raw = text.split(lineEnd);
    if (!raw.isEmpty() && raw.back().isEmpty())
        raw.removeLast();
    QList<UpdateLine> lines;
    lines.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i)
        lines.append(classify(raw.at(i), i + 1));
    return lines;
}

bool ReadFileEntry(const UpdateLine& line, UpdateFileEntry& entry)
{
    if (line.kind != UpdateLine::Kind::FileEntry || line.fields.size() < UpdateEntryFieldCount)
        return false;
    entry.name = line.fields.at(0);
    entry.hash = line.fields.at(1);
    entry.address = line.fields.at(2);
    entry.command = UpdateCommandLetter(line.fields.at(3));
    entry.description = line.fields.at(4);
    return true;
}

QChar UpdateCommandLetter(const QString& field)
{
    const QString letter = field.trimmed();
    return letter.isEmpty() ? QChar() : letter.front().toUpper();
}

double ListNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+))"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

QString VersionListName(const QString& fileDescription, const QString& version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    return fileDescription + QStringLiteral("_%1%2.txt").arg(major, 3, 10, QLatin1Char('0')).arg(minor, 3, 10, QLatin1Char('0'));
}

int VersionRevision(const QString& version)
{
    return version.split(QLatin1Char('.')).value(2).toInt();
}
