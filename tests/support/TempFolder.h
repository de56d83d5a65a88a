#pragma once
#include "shell/AppPaths.h"

#include <QTemporaryDir>

// A fresh folder per test, standing in for both the application folder and
// the data folder. Removed with the object.
class TempFolder {
public:
    TempFolder() { paths_.appFolder = dir_.path(); paths_.dataFolder = dir_.path(); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    const AppPaths& paths() const { return paths_; }

private:
    QTemporaryDir dir_;
    AppPaths paths_;
};
