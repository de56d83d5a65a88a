#include "ArchiveServer.h"

#include <QUrl>
#include <QUrlQuery>

namespace {
constexpr int DefaultPort = 5432;
}

std::optional<ArchiveServer> ArchiveServer::parse(const QString& address, QString& problem)
{
    const QString form = QStringLiteral(" (the form is postgresql://user@host:port/dbname)");
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))) {
        problem = QStringLiteral("not a database address") + form;
        return std::nullopt;
    }
    if (!url.password().isEmpty()) {
        problem = QStringLiteral("the database address may not hold a password: give it in PGPASSWORD or ~/.pgpass");
        return std::nullopt;
    }
    ArchiveServer server;
    server.user = url.userName();
    server.host = url.host();
    server.port = url.port(DefaultPort);
    server.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key != QLatin1String("host")) {
            problem = QStringLiteral("the database address has an unknown parameter: ") + key;
            return std::nullopt;
        }
        server.host = value;
    }
    if (server.database.isEmpty() || server.database.contains(QLatin1Char('/'))) {
        problem = QStringLiteral("the database address names no database: ") + address + form;
        return std::nullopt;
    }
    server.address = url.toString(QUrl::RemovePassword);
    return server;
}
