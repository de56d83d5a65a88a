#include "IniFile.h"

#include "DataFileRead.h"

#include "TextFile.h"

#include <QFile>
#include <algorithm>
#include <QStringDecoder>

namespace {

const QByteArray kCrLf("\r\n");
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isUtf8(const QByteArray& raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(raw);   // decoding happens on conversion
    Q_UNUSED(text);
    return !utf8.hasError();
}

QString decodeLine(const QByteArray& raw)
{
    return isUtf8(raw) ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
}

bool fitsLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
}

// An entry line with a new value after the file's own "key=" bytes. A line is
// read as UTF-8 or else as Latin-1 as a whole, so the value takes the key's
// encoding; a value Latin-1 cannot hold turns the whole line into UTF-8.
QByteArray withValue(const QByteArray& keyPart, const QString& value)
{
    if (isUtf8(keyPart))
        return keyPart + value.toUtf8();
    if (fitsLatin1(value))
        return keyPart + value.toLatin1();
    return (QString::fromLatin1(keyPart) + value).toUtf8();
}

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool hasLineBreakOrNul(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) || text.contains(QChar(0));
}

} // namespace

IniFile::Line IniFile::parseLine(const QByteArray& raw, const QByteArray& ending, bool first)
{
    Line line;
    line.raw = raw;
    line.ending = ending;
    const QString text = decodeLine(first && raw.startsWith(kUtf8Bom) ? raw.mid(kUtf8Bom.size()) : raw).trimmed();
    if (text.startsWith(QLatin1Char(';'))) {
        line.kind = Kind::Comment;
    } else if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = text.mid(1, close - 1).trimmed();
        }
    } else {
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq > 0) {
            line.kind = Kind::Entry;
            line.name = text.left(eq).trimmed();
            line.value = text.mid(eq + 1).trimmed();
        }
    }
    return line;
}

IniFile::Line IniFile::entryLine(const QString& key, const QString& value)
{
    return parseLine((key + QLatin1Char('=') + value).toUtf8(), kCrLf, false);
}

IniFile IniFile::fromBytes(const QByteArray& bytes)
{
    IniFile file;
    // Lines end in CR LF, LF or a lone CR (files from older editors), each kept as found.
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype endingSize = 0;
        if (end < bytes.size())
            endingSize = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
        file.lines_.push_back(parseLine(bytes.mid(start, end - start), bytes.mid(end, endingSize), start == 0));
        start = end + endingSize;
    }
    return file;
}

std::optional<IniFile> IniFile::load(const QString& path)
{
    // A device, FIFO, folder or oversized file in its place reads as missing.
    const DataFileRead read = ReadDataFile(path);
    if (!read.bytes)
        return std::nullopt;
    return fromBytes(*read.bytes);
}

QByteArray IniFile::toBytes() const
{
    QByteArray out;
    for (const Line& line : lines_)
        out += line.raw + line.ending;
    return out;
}

bool IniFile::save(const QString& path) const
{
    return WriteFileAtomically(path, toBytes());
}

std::vector<QString> IniFile::owners() const
{
    // Lines before the first header belong to no section; a null string
    // marks them so that no section name (not even "") matches.
    std::vector<QString> owner(lines_.size());
    QString current;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section)
            current = lines_[i].name.isNull() ? QStringLiteral("") : lines_[i].name;
        owner[i] = current;
    }
    return owner;
}

int IniFile::findEntry(const QString& section, const QString& key) const
{
    const auto owner = owners();
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Entry && !owner[i].isNull() && sameName(owner[i], section)
            && sameName(line.name, key))
            return int(i);
    }
    return -1;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const int index = findEntry(section, key);
    if (index < 0)
        return std::nullopt;
    return lines_[size_t(index)].value;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback) const
{
    return value(section, key).value_or(fallback);
}

QList<IniFile::Entry> IniFile::entries(const QString& section) const
{
    QList<Entry> out;
    const auto owner = owners();
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind != Kind::Entry || owner[i].isNull() || !sameName(owner[i], section))
            continue;
        const bool seen = std::any_of(out.cbegin(), out.cend(),
            [&](const Entry& e) { return sameName(e.first, line.name); });
        if (!seen)
            out.append({line.name, line.value});
    }
    return out;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const Line& line : lines_)
        if (line.kind == Kind::Section && !out.contains(line.name, Qt::CaseInsensitive))
            out << line.name;
    return out;
}

void IniFile::insertLine(int index, Line line)
{
    // The line before the new one gets a line end if it had none (the file's
    // last line); its content stays as it was.
    if (index > 0 && lines_[size_t(index - 1)].ending.isEmpty())
        lines_[size_t(index - 1)].ending = kCrLf;
    lines_.insert(lines_.begin() + index, std::move(line));
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    const QString cleanKey = key.trimmed();
    const QString cleanSection = section.trimmed();
    // A key that starts with a byte-order mark would read back without it.
    if (cleanKey.isEmpty() || cleanKey.contains(QLatin1Char('=')) || cleanKey.startsWith(QLatin1Char(';'))
        || cleanKey.startsWith(QLatin1Char('[')) || cleanKey.startsWith(QChar(0xFEFF))
        || cleanSection.contains(QLatin1Char(']'))
        || hasLineBreakOrNul(key) || hasLineBreakOrNul(section) || hasLineBreakOrNul(value))
        return false;

    const int existing = findEntry(cleanSection, cleanKey);
    if (existing >= 0) {
        // Keep the key exactly as the file spelled it (bytes up to "=").
        Line& line = lines_[size_t(existing)];
        const QByteArray keyPart = line.raw.left(line.raw.indexOf('=') + 1);
        line = parseLine(withValue(keyPart, value), kCrLf, existing == 0);
        return true;
    }

    const auto owner = owners();
    int header = -1;
    int lastEntry = -1;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (owner[i].isNull() || !sameName(owner[i], cleanSection))
            continue;
        if (header < 0 && lines_[i].kind == Kind::Section)
            header = int(i);
        else if (header >= 0 && lines_[i].kind == Kind::Section)
            break; // a later block of the same section
        else if (lines_[i].kind == Kind::Entry)
            lastEntry = int(i);
    }
    if (header >= 0) {
        insertLine((lastEntry >= 0 ? lastEntry : header) + 1, entryLine(cleanKey, value));
        return true;
    }
    const int end = int(lines_.size());
    insertLine(end, parseLine((QLatin1Char('[') + cleanSection + QLatin1Char(']')).toUtf8(), kCrLf, end == 0));
    insertLine(end + 1, entryLine(cleanKey, value));
    return true;
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    bool removed = false;
    for (int index = findEntry(section, key); index >= 0; index = findEntry(section, key)) {
        lines_.erase(lines_.begin() + index);
        removed = true;
    }
    return removed;
}

bool IniFile::removeSection(const QString& section)
{
    const auto owner = owners();
    std::vector<Line> kept;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (owner[i].isNull() || !sameName(owner[i], section))
            kept.push_back(lines_[i]);
    const bool removed = kept.size() != lines_.size();
    lines_ = std::move(kept);
    return removed;
}
