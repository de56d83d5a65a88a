#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: a cluster made by initdb in a
// temporary folder, listening on a Unix socket in that folder only (so
// servers of tests running side by side never meet) or also on 127.0.0.1 at
// a free port (as a server on the network is reached), password login for
// one user, stopped and removed with the object. As root (as on CI, where
// initdb refuses to run) the server programs run as the unprivileged
// "postgres" user, who is given the folder.
class PgServer {
public:
    // The password of the user; the tests give it to the programs in
    // PGPASSWORD, as a lab's administrator would.
    static inline const QByteArray Password = "tolvi-test-password";
    static inline const QString User = QStringLiteral("tolvi");

    enum class Listen { SocketOnly, Loopback };

    // Makes and starts the cluster; why() says what failed.
    explicit PgServer(Listen listen = Listen::SocketOnly);
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // The folder of the server programs (the newest installed version),
    // empty when none is installed.
    static QString programFolder();

    bool running() const { return running_; }
    QString why() const { return why_; }

    // Makes an empty database; false with why() set.
    bool createDatabase(const QString& name);
    // The address of a database for --archive-db and "Database=".
    QString url(const QString& database) const;

    // psql's output of the statements (unaligned, tuples only), or why it
    // failed with "psql failed: " in front.
    QString psql(const QString& database, const QString& statements) const;

    // Stops the server now (a server going away); start() starts it again
    // on the same cluster.
    bool stop();
    bool start();

private:
    // Runs a server program (as "postgres" when we are root); false with
    // why() set to its output when it failed.
    bool runServerProgram(const QString& program, const QStringList& arguments);

    QTemporaryDir folder_;
    QString data_;
    int tcpPort_ = 0;                 // 0: the socket only
    bool running_ = false;
    QString why_;
};
