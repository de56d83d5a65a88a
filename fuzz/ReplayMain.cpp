// Feeds files to a fuzz target's entry function without the fuzzer: every
// file under each folder named (a missing folder counts as empty), or a file
// named directly. The normal build runs the seeds and the kept regression
// inputs this way, so a fault a fuzz run once found stays fixed.
#include "FuzzCheck.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

bool Replay(const QString& path)
{
    // The name first, so that a crash shows which input caused it.
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    return true;
}

}

int main(int argc, char** argv)
{
    int replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isFile()) {
            ok = Replay(path) && ok;
            ++replayed;
            continue;
        }
        QDirIterator files(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString file = files.next();
            if (QFileInfo(file).fileName() == QLatin1String("README"))
                continue;
            ok = Replay(file) && ok;
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return ok ? 0 : 1;
}
