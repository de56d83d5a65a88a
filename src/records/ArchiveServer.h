#pragma once
#include <QString>
#include <optional>

// A PostgreSQL database that holds the archives of many instruments, as an
// administrator names it: "postgresql://user@host:port/dbname". A Unix
// socket folder may stand for the host ("?host=/run/postgresql"). The
// address never holds a password: the database client takes it from
// PGPASSWORD or the user's password file (~/.pgpass) itself, so it is never
// in our settings files or the session log.
struct ArchiveServer {
    QString user;          // empty: the client's default (the login name)
    QString host;          // a host name or address, or a socket folder
    int port = 5432;
    QString database;
    QString address;       // as given, for messages and the log

    // The address parsed; nullopt with the reason in problem.
    static std::optional<ArchiveServer> parse(const QString& address, QString& problem);
};
