#include "Hashing.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace MD5Hash {

Failure::Failure(QString source, QString text)
    : std::runtime_error((source + QStringLiteral(": ") + text).toStdString()),
      source_(std::move(source)), text_(std::move(text))
{
}

namespace {

QString digestText(const QByteArray& digest, bool upperCase)
{
    const QString hex = QString::fromLatin1(digest.toHex());
    return upperCase ? hex.toUpper() : hex;
}

} // namespace

QString HashText(const QString& text, bool upperCase)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toLatin1();
    return digestText(QCryptographicHash::hash(bytes, QCryptographicHash::Md5), upperCase);
}

QString HashFile(const QString& path, bool upperCase)
{
    const QString source = QStringLiteral("MD5Hash.HashFile");
    if (!QFileInfo(path).isFile())
        throw Failure(source, QStringLiteral("File doesn't exist"));
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) || file.error() != QFileDevice::NoError) {
        const int systemError = errno;
        throw Failure(source, QStringLiteral("Failed to hash data block, system error ")
                                  + QString::number(systemError));
    }
    return digestText(hash.result(), upperCase);
}

} // namespace MD5Hash
