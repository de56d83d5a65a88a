#pragma once
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

// Reads an Intel HEX file with an independent reader (python3-intelhex) and
// returns the bytes from address 0 to size - 1; empty when it cannot.
inline QByteArray ReadIntelHex(const QString& path, int size)
{
    // The distribution's interpreter carries the packaged reader.
    const QString interpreter = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                   : QStringLiteral("python3");
    QProcess python;
    python.start(interpreter,
        {QStringLiteral("-c"),
            QStringLiteral("import sys, intelhex\n"
                           "h = intelhex.IntelHex(sys.argv[1])\n"
                           "sys.stdout.write(bytes(h.tobinarray(start=0, size=int(sys.argv[2]))).hex())\n"),
            path, QString::number(size)});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return {};
    return QByteArray::fromHex(python.readAllStandardOutput());
}
