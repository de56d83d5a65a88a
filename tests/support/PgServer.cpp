#include "PgServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <algorithm>
#include <unistd.h>

namespace {
constexpr int ProgramWaitMs = 60000;
constexpr int DefaultPort = 5432;
const QString ServerUser = QStringLiteral("postgres");

bool RunningAsRoot() { return ::geteuid() == 0; }

QString Output(QProcess& process)
{
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
}
} // namespace

QString PgServer::programFolder()
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) { return a.toDouble() > b.toDouble(); });
    for (const QString& version : found) {
        const QString bin = versions.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

PgServer::PgServer(Listen listen)
{
    if (programFolder().isEmpty()) {
        why_ = QStringLiteral("no PostgreSQL server programs under /usr/lib/postgresql/*/bin");
        return;
    }
    if (!folder_.isValid()) {
        why_ = QStringLiteral("no temporary folder");
        return;
    }
    data_ = folder_.filePath(QStringLiteral("data"));
    if (listen == Listen::Loopback) {
        QTcpServer probe;   // a port free now, left for the server
        if (!probe.listen(QHostAddress::LocalHost, 0)) {
            why_ = QStringLiteral("no free port on 127.0.0.1");
            return;
        }
        tcpPort_ = probe.serverPort();
    }
    const QString passwordFile = folder_.filePath(QStringLiteral("password"));
    {
        QFile file(passwordFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(Password + '\n') < 0) {
            why_ = QStringLiteral("cannot write ") + passwordFile;
            return;
        }
    }
    if (RunningAsRoot()) {
        QProcess chown;
        chown.start(QStringLiteral("chown"), {QStringLiteral("-R"), ServerUser + QLatin1Char(':'), folder_.path()});
        if (!chown.waitForFinished(ProgramWaitMs) || chown.exitCode() != 0) {
            why_ = QStringLiteral("cannot give the folder to the postgres user: ") + Output(chown);
            return;
        }
    }
    if (!runServerProgram(QStringLiteral("initdb"),
            {QStringLiteral("-D"), data_, QStringLiteral("-U"), User, QStringLiteral("--pwfile=") + passwordFile,
                QStringLiteral("--auth=scram-sha-256"), QStringLiteral("--no-sync"), QStringLiteral("--encoding=UTF8"),
                QStringLiteral("--locale=C")}))
        return;
    start();
}

PgServer::~PgServer()
{
    if (running_)
        stop();
}

bool PgServer::runServerProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    const QString path = programFolder() + QLatin1Char('/') + program;
    if (RunningAsRoot())
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), ServerUser, QStringLiteral("--"), path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(ProgramWaitMs) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        why_ = program + QStringLiteral(" failed: ") + Output(process);
        return false;
    }
    return true;
}

bool PgServer::start()
{
    // The socket in our folder, and 127.0.0.1 only when asked.
    QString options = QStringLiteral("-k %1 -c fsync=off").arg(folder_.path());
    options += tcpPort_ ? QStringLiteral(" -c listen_addresses=127.0.0.1 -p %1").arg(tcpPort_)
                        : QStringLiteral(" -c listen_addresses=''");
    running_ = runServerProgram(QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), data_, QStringLiteral("-o"), options, QStringLiteral("-l"),
            folder_.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
            QStringLiteral("start")});
    if (!running_) {
        QFile log(folder_.filePath(QStringLiteral("server.log")));
        if (log.open(QIODevice::ReadOnly))
            why_ += QStringLiteral("\nserver log:\n") + QString::fromLocal8Bit(log.readAll());
    }
    return running_;
}

bool PgServer::stop()
{
    const bool stopped = runServerProgram(QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"), data_, QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    running_ = running_ && !stopped;
    return stopped;
}

QString PgServer::url(const QString& database) const
{
    if (tcpPort_)
        return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(User).arg(tcpPort_).arg(database);
    return QStringLiteral("postgresql://%1@/%2?host=%3").arg(User, database, folder_.path());
}

QString PgServer::psql(const QString& database, const QString& statements) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGPASSWORD"), QString::fromLatin1(Password));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("psql"),
        {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-v"),
            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), folder_.path(), QStringLiteral("-p"),
            QString::number(tcpPort_ ? tcpPort_ : DefaultPort), QStringLiteral("-U"), User, QStringLiteral("-d"), database,
            QStringLiteral("-c"), statements});
    if (!process.waitForFinished(ProgramWaitMs) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("psql failed: ") + Output(process);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool PgServer::createDatabase(const QString& name)
{
    const QString out = psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
    if (out.startsWith(QLatin1String("psql failed")))
        why_ = out;
    return !out.startsWith(QLatin1String("psql failed"));
}
