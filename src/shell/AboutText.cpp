#include "AboutText.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>

#ifndef TOLVI_BUILD_DATE
#define TOLVI_BUILD_DATE "unknown"
#endif

namespace {
const QString ManualFileName = QStringLiteral("Tolvi-M Download Software Manual.pdf");
// From <prefix>/bin to the installed shared files.
const QString InstalledShareFolder = QStringLiteral("../share/tolvi");
}

QString AboutText(const QString& programName, const QString& dataFolder)
{
    QString qt = QString::fromLatin1(qVersion());
    if (qt != QLatin1String(QT_VERSION_STR))
        qt += QStringLiteral(" (built with ") + QLatin1String(QT_VERSION_STR) + QLatin1Char(')');
    return QStringList{
        programName + QStringLiteral(" ") + QStringLiteral(TOLVI_VERSION),
        QStringLiteral("Built: ") + QStringLiteral(TOLVI_BUILD_DATE),
        QStringLiteral("Qt: ") + qt,
        QStringLiteral("Data folder: ") + QDir::toNativeSeparators(dataFolder),
    }.join(QLatin1Char('\n'));
}

QString ManualPath(const QString& appFolder)
{
    const QDir app(appFolder);
    const QString beside = app.filePath(ManualFileName);
    const QString installed = QDir::cleanPath(app.filePath(InstalledShareFolder + QLatin1Char('/') + ManualFileName));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
    return beside;
}
