#pragma once
#include <QString>
#include <stdexcept>

// MD5 digests as 32 hexadecimal digits, two per digest byte in digest order.
namespace MD5Hash {

// A hashing failure: where it happened ("MD5Hash.HashFile", ...) and what went wrong.
class Failure : public std::runtime_error {
public:
    Failure(QString source, QString text);
    const QString& source() const { return source_; }
    const QString& text() const { return text_; }

private:
    QString source_;
    QString text_;
};

// The digest of the text followed by a line feed, as 8-bit (Latin-1) characters;
// characters outside Latin-1 hash as "?". This is how passwords are stored.
QString HashText(const QString& text, bool upperCase = false);

// The digest of a file's bytes. Throws Failure with "File doesn't exist" for a
// missing file and "Failed to hash data block, system error <n>" when it cannot
// be read.
QString HashFile(const QString& path, bool upperCase = false);

} // namespace MD5Hash
