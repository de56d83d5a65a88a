#pragma once
#include <QString>
#include <QStringList>

// The technical file's working folder, "Packet" in the data folder, with
// its five folders and their README files. Clearing it removes only what
// lies inside it: a symbolic link in it is removed as a link, never
// followed, and a "Packet" that is itself a link is replaced by a folder
// without touching what it pointed to.
class PacketFolder {
public:
    static inline const QString Name = QStringLiteral("Packet");
    // The folders under the root and the heading of each one's README.
    struct Folder {
        QString name;
        QString heading;
    };
    static const QList<Folder>& folders();

    explicit PacketFolder(const QString& dataFolder);
    QString path() const { return path_; }
    QString file(const QString& relative) const;

    // Empties the folder, creating it when missing. Throws std::runtime_error
    // when it cannot, or when the data folder is not an absolute path.
    void clear() const;
    // Clears the folder, creates the five folders and starts each README.
    void prepare() const;

    // Writes a file whole (lines ended CR LF). Throws when it cannot.
    void write(const QString& relative, const QStringList& lines) const;
    void append(const QString& relative, const QStringList& lines) const;
    // What copying a file in found: copied, missing (nothing written), or
    // present but left out, with the reason.
    struct Copy {
        bool copied = false;
        QString skipped;   // e.g. "it is a link"; empty when copied or missing
    };
    // Copies a regular file in. A file that is a symbolic link, lies below the
    // data folder behind one, or is no regular file (a FIFO, a device) is
    // never followed or read: its content could be anyone's.
    Copy copy(const QString& source, const QString& relative) const;
    // The README line of a file: its name, a TAB, "[OK]" or "[--]".
    void noteFile(const QString& folder, const QString& fileName, bool withContent) const;
    // The README line of a file left out: "[--]" and why.
    void noteSkipped(const QString& folder, const QString& fileName, const QString& why) const;
    // The empty line and "Done." that close a README.
    void closeReadme(const QString& folder) const;

private:
    QString dataFolder_;
    QString path_;
};
