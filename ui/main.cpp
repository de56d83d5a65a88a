#include "TolviApplication.h"
#include "shell/Startup.h"
#include "shell/CommandLineOptions.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char** argv)
{
    IgnoreFileSizeLimitSignal();
    PinSystemTimeZone();
    // Answered before any window or display is needed.
    QStringList rawArguments;
    for (int i = 1; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    if (AsksForHelp(rawArguments)) {
        std::fputs(CommandLineHelp().toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Karvex"));
    QApplication::setApplicationName(QStringLiteral("Tolvi"));
    QApplication::setApplicationVersion(QStringLiteral(TOLVI_VERSION));
    // The installed menu entry and icon (tolvi.desktop, icon theme name "tolvi").
    QGuiApplication::setDesktopFileName(QStringLiteral("tolvi"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tolvi")));
    // The window lives on in the tray when it is closed to it; the tray's
    // "Close" ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    TolviApplication::Options options;
    options.appFolder = QCoreApplication::applicationDirPath();
    options.arguments = QCoreApplication::arguments().mid(1);
    // "--demo" is ours, not one of the program's start-up options.
    options.demo = options.arguments.removeAll(QStringLiteral("--demo")) > 0;
    options.connectToDemo = options.demo;
    TolviApplication tolvi(options);
    tolvi.start();
    QObject::connect(&tolvi.window(), &MainWindow::shuttingDown, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
