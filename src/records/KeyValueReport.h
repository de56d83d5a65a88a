#pragma once
#include <QString>
#include <QStringList>

// The sectioned key=value form of the technical file's reports: a banner of
// four comment lines naming the report, an empty line, then sections in
// square brackets with "key=value" lines, ";" comments, and an empty line
// closing each section.
class KeyValueReport {
public:
    explicit KeyValueReport(const QString& title);

    // The four banner lines for a title, without the empty line after them.
    static QStringList banner(const QString& title);

    KeyValueReport& comment(const QString& text);   // "; " + text
    KeyValueReport& line(const QString& text);      // a line exactly as given
    KeyValueReport& section(const QString& name);   // "[" + name + "]"
    KeyValueReport& entry(const QString& key, const QString& value);
    KeyValueReport& endSection();                   // the empty line after a section

    const QStringList& lines() const { return lines_; }

private:
    QStringList lines_;
};

// "True" or "False", as the reports write a flag.
QString TrueFalse(bool value);
// A text value in double quotes.
QString Quoted(const QString& text);
