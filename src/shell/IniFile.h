#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// A sectioned text file of "[section]" headers, "key=value" entries and ";"
// comments, as the program keeps "app.txt", "user.txt" and the instrument
// record files. Section and key names match without regard to case, and
// spaces around names and values are ignored.
//
// The file is kept line by line with its original bytes and line ends, so
// saving after a change rewrites only the changed or added lines (which end
// CR LF); comments, blank lines, unparsable lines and text in other encodings
// come back exactly as they were. Lines may end CR LF, LF or CR alone. A
// line is read as UTF-8 when it is valid UTF-8, else as Latin-1, so no byte
// sequence stops a file from loading; a changed value keeps its line's encoding.
//
// When a section appears more than once, its blocks are read in file order
// and the first entry of a key wins; a change replaces that entry, and a new
// key goes into the first block.
class IniFile {
public:
    using Entry = std::pair<QString, QString>;

    IniFile() = default;
    static IniFile fromBytes(const QByteArray& bytes);
    // nullopt when the file cannot be opened for reading, or is skipped as not
    // a settings file (shell/DataFileRead: not regular, over 1 MB).
    static std::optional<IniFile> load(const QString& path);

    QByteArray toBytes() const;
    // Replaces the file in one step (temporary file, then rename): a failed
    // save leaves the previous content. False when the file could not be written.
    bool save(const QString& path) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& fallback) const;
    bool contains(const QString& section, const QString& key) const { return value(section, key).has_value(); }
    // The section's entries in file order, each key once (its first entry).
    QList<Entry> entries(const QString& section) const;
    // Section names in order of first appearance, each once.
    QStringList sections() const;

    // Creates or replaces an entry, creating the section at the end of the
    // file when missing. Refuses (false, nothing changed) a name or value that
    // would not read back as the same entry: an empty key, a key with "=" or
    // starting with ";" or "[", a section name with "]", any line break or NUL.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // Removes every entry of the key in the section; false when there was none.
    bool removeKey(const QString& section, const QString& key);
    // Removes every block of the section: its header and all lines up to the
    // next section. False when there was none.
    bool removeSection(const QString& section);

private:
    enum class Kind { Other, Comment, Section, Entry };
    struct Line {
        QByteArray raw;     // the line's bytes without its line end
        QByteArray ending;  // "\r\n", "\n", "\r" or empty for a last line without one
        Kind kind = Kind::Other;
        QString name;       // section name or key
        QString value;      // entry value
    };

    static Line parseLine(const QByteArray& raw, const QByteArray& ending, bool first);
    static Line entryLine(const QString& key, const QString& value);
    // Index of the first entry of key in the section, or -1.
    int findEntry(const QString& section, const QString& key) const;
    // Section each line belongs to (empty before the first header).
    std::vector<QString> owners() const;
    void insertLine(int index, Line line);

    std::vector<Line> lines_;
};
