#include "UpdateNames.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace {

bool hasControlCharacter(const QString& name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

bool isInside(const QString& canonicalFolder, const QString& canonicalPath)
{
    return canonicalPath.startsWith(canonicalFolder + QLatin1Char('/'));
}

ConfinedPath refused(const QString& why)
{
    return ConfinedPath{QString(), why};
}

} // namespace

ConfinedPath ConfineToFolder(const QString& folder, const QString& name)
{
    if (name.isEmpty())
        return refused(QStringLiteral("the name is empty"));
    if (name.contains(QLatin1Char(':')) || hasControlCharacter(name))
        return refused(QStringLiteral("the name is not a relative path"));
    QString relative = name;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relative.startsWith(QLatin1Char('/')))
        return refused(QStringLiteral("the name is an absolute path"));
    relative = QDir::cleanPath(relative);
    if (relative == QLatin1String("..") || relative.startsWith(QLatin1String("../")))
        return refused(QStringLiteral("the name leads out of the application folder"));
    if (relative == QLatin1String("."))
        return refused(QStringLiteral("the name is the application folder itself"));

    const QString base = QFileInfo(folder).canonicalFilePath();
    if (base.isEmpty())
        return refused(QStringLiteral("the application folder does not exist"));

    // The deepest part of the path that exists is resolved with its links;
    // what follows it does not exist yet, so it cannot be a link.
    const QStringList parts = relative.split(QLatin1Char('/'));
    int existing = parts.size();
    QString resolved;
    for (; existing > 0; --existing) {
        const QString prefix = base + QLatin1Char('/') + parts.mid(0, existing).join(QLatin1Char('/'));
        const QFileInfo info(prefix);
        if (info.isSymLink() && !info.exists())
            return refused(QStringLiteral("the name is a link that points nowhere"));
        if (info.exists()) {
            resolved = info.canonicalFilePath();
            break;
        }
    }
    if (existing == 0)
        resolved = base;
    else if (!isInside(base, resolved))
        return refused(QStringLiteral("the name is a link that points out of the application folder"));
    const QStringList rest = parts.mid(existing);
    const QString path = rest.isEmpty() ? resolved : resolved + QLatin1Char('/') + rest.join(QLatin1Char('/'));
    if (!isInside(base, path))
        return refused(QStringLiteral("the name is the application folder itself"));
    return ConfinedPath{path, QString(), path != base + QLatin1Char('/') + relative};
}

bool IsPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'))
        && !hasControlCharacter(name);
}

bool IsWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}
