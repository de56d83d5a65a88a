#pragma once
#include <QProcess>
#include <QString>

// What a tolvi-cli run left behind: its exit status (-1 when it crashed or had
// not ended within two minutes) and what it wrote.
struct CliFinished {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliFinished FinishCli(QProcess& process)
{
    CliFinished finished;
    if (!process.waitForFinished(120000))
        return finished;
    finished.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    finished.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    finished.err = QString::fromLocal8Bit(process.readAllStandardError());
    return finished;
}

// Runs the built tolvi-cli with its settings, records and log in dataFolder.
inline CliFinished RunCliWithData(const QString& dataFolder, QStringList arguments)
{
    arguments.prepend(dataFolder);
    arguments.prepend(QStringLiteral("--data-dir"));
    QProcess process;
    process.start(QStringLiteral(TOLVI_BINARY_DIR "/cli/tolvi-cli"), arguments);
    return FinishCli(process);
}
