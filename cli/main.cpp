#include "CliSession.h"
#include "Commands.h"
#include "ExitCode.h"
#include "shell/AboutText.h"
#include "shell/DataFolder.h"
#include "shell/Startup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QSet>
#include <cstdio>
#include <memory>

namespace {

void printError(const QString& line)
{
    std::fputs(("tolvi-cli: " + line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

const CliCommand* findCommand(const QString& name)
{
    for (const CliCommand& command : AllCommands())
        if (command.name == name)
            return &command;
    return nullptr;
}

QString commandList()
{
    QString text = QStringLiteral("\nCommands:\n");
    for (const CliCommand& command : AllCommands()) {
        const QString synopsis = command.arguments.isEmpty() ? command.name : command.name + QLatin1Char(' ') + command.arguments;
        text += QStringLiteral("  %1  %2\n").arg(synopsis, -16).arg(command.summary);
    }
    text += QStringLiteral(
        "\nExit status: 0 success, 1 usage error, 2 no instrument answered, 3 an operation failed,\n"
        "4 refused (password or confirmation), 5 done in part (a download saved what could be read, or collect\n"
        "found an instrument whose memory could not be read in full),\n"
        "6 the readings were saved but not added to the archive.\n");
    return text;
}

// Whether the command draws a printed page (summary --pdf): text on a page
// needs the fonts, which come with a QGuiApplication. It draws off screen,
// so no display is needed.
bool DrawsPages(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--pdf" || argument == "-pdf" || argument.startsWith("--pdf=") || argument.startsWith("-pdf="))
            return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv)
{
    if (!DrawsPages(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char** argv)
{
    IgnoreFileSizeLimitSignal();
    PinSystemTimeZone();
    const std::unique_ptr<QCoreApplication> application = MakeApplication(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("tolvi-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TOLVI_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tolvi-M on the command line: talks to the hand-held unit over a "
                                                    "serial port or a network serial bridge.")
        + commandList());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"),
        QStringLiteral("Show the version, build date, Qt version and data folder."));
    const QCommandLineOption port(QStringLiteral("port"),
        QStringLiteral("The instrument's port: a number (7), COM7, a device path, or net://host:port."),
        QStringLiteral("P"));
    const QCommandLineOption autoConnect(QStringLiteral("auto"), QStringLiteral("Try every listed port in turn."));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Use the built-in simulated instrument."));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
        QStringLiteral("Keep settings, records and the session log in DIR instead of the per-user data folder."),
        QStringLiteral("DIR"));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Answer Yes to every confirmation."));
    const QCommandLineOption password(QStringLiteral("password"),
        QStringLiteral("The password for guarded operations (else TOLVI_PASSWORD, else asked on the terminal)."),
        QStringLiteral("TEXT"));
    parser.addOptions({help, version, port, autoConnect, demo, dataDir, yes, password});
    // Commands may share an option (--json): it is listed once.
    QSet<QString> listed;
    for (const CliCommand& command : AllCommands())
        for (const QCommandLineOption& option : command.options)
            if (!listed.contains(option.names().first())) {
                listed.insert(option.names().first());
                parser.addOption(option);
            }
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands below."),
        QStringLiteral("COMMAND [ARGUMENTS]"));

    if (!parser.parse(app.arguments())) {
        printError(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return ExitOk;
    }
    if (parser.isSet(version)) {
        const QString folder = parser.isSet(dataDir) ? QDir(parser.value(dataDir)).absolutePath()
                                                     : ChooseDataFolder(QCoreApplication::applicationDirPath()).path;
        std::fputs((AboutText(QStringLiteral("tolvi-cli"), folder) + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
        return ExitOk;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        printError(QStringLiteral("no command given (see --help)"));
        return ExitUsage;
    }
    const CliCommand* command = findCommand(positional.takeFirst());
    if (!command) {
        printError(QStringLiteral("unknown command: ") + parser.positionalArguments().first() + QStringLiteral(" (see --help)"));
        return ExitUsage;
    }
    if (positional.size() < command->minArguments || positional.size() > command->maxArguments) {
        const QString synopsis = command->arguments.isEmpty() ? QStringLiteral("no arguments") : command->arguments;
        printError(QStringLiteral("usage: tolvi-cli [options] ") + command->name + QLatin1Char(' ') + command->arguments
            + QStringLiteral(" (") + command->name + QStringLiteral(" takes ") + synopsis + QLatin1Char(')'));
        return ExitUsage;
    }
    if (parser.isSet(port) && parser.isSet(autoConnect)) {
        printError(QStringLiteral("--port and --auto exclude each other"));
        return ExitUsage;
    }

    CliOptions options;
    options.port = parser.value(port);
    options.autoConnect = parser.isSet(autoConnect);
    options.demo = parser.isSet(demo);
    options.dataDir = parser.value(dataDir);
    options.assumeYes = parser.isSet(yes);
    if (parser.isSet(password))
        options.password = parser.value(password);
    else if (qEnvironmentVariableIsSet("TOLVI_PASSWORD"))
        options.password = qEnvironmentVariable("TOLVI_PASSWORD");
    options.arguments = app.arguments();

    CliSession session(options);
    const int started = session.start();
    if (started != ExitOk)
        return started;
    return command->run(session, positional, parser);
}
