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

// The command line the tests run where the instrument answers every request:
// tolvi-cli built with a shorter pause after each request (QuickTiming.h).
inline QString BriskCli()
{
    return QStringLiteral(TOLVI_BINARY_DIR "/cli/tolvi-cli-brisk");
}

// Runs the command line with its settings, records and log in dataFolder.
inline CliFinished RunCliWithData(const QString& dataFolder, QStringList arguments)
{
    arguments.prepend(dataFolder);
    arguments.prepend(QStringLiteral("--data-dir"));
    QProcess process;
    process.start(BriskCli(), arguments);
    return FinishCli(process);
}
