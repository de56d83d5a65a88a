#pragma once
#include <QDir>
#include <QWidget>

// Saves a picture of a window into the build folder ("ui-snapshots"), for
// people to review the layouts. Returns false when nothing could be saved.
inline bool Snapshot(QWidget* widget, const QString& name)
{
    const QString folder = QStringLiteral(TOLVI_BINARY_DIR "/ui-snapshots");
    QDir().mkpath(folder);
    widget->ensurePolished();
    if (!widget->testAttribute(Qt::WA_WState_Created))
        widget->adjustSize();
    return widget->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
