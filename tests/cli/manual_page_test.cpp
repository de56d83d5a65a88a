// The manual pages of the programs against the programs
// themselves: every command and option that --help lists is described in
// the page's source under docs/man, and the page describes none that the
// program does not have. A command or option added to a program fails here
// until its page says what it does.
#include "CliProcess.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

struct Names {
    QSet<QString> commands;
    QSet<QString> options;
};

// Option names ("-o", "--output") at the start of a help or page line.
QSet<QString> optionNames(const QString& head)
{
    QSet<QString> names;
    static const QRegularExpression option(QStringLiteral("(?:^|[ ,])(--?[A-Za-z][\\w-]*)"));
    for (auto it = option.globalMatch(head); it.hasNext();)
        names.insert(it.next().captured(1));
    return names;
}

// "--help": the lines under "Commands:" up to a blank line start with the
// command's name; option lines start with two spaces and a dash.
Names fromHelp(const QString& help)
{
    Names names;
    bool inCommands = false;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Commands:"))) {
            inCommands = true;
            continue;
        }
        if (line.trimmed().isEmpty())
            inCommands = false;
        if (inCommands)
            names.commands.insert(line.trimmed().section(QLatin1Char(' '), 0, 0));
        else if (line.startsWith(QLatin1String("  -")))
            names.options |= optionNames(line.trimmed().section(QStringLiteral("  "), 0, 0));
    }
    return names;
}

// The page's reStructuredText: commands are the "**name**" terms of the
// COMMANDS section, options the option-list entries (lines starting "-").
Names fromPage(const QString& page)
{
    Names names;
    QString section;
    const QStringList lines = page.split(QLatin1Char('\n'));
    static const QRegularExpression term(QStringLiteral("^\\*\\*([a-z][\\w-]*)\\*\\*"));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (i + 1 < lines.size() && lines[i + 1].startsWith(QLatin1String("====")) && !line.isEmpty())
            section = line.trimmed();
        if (section == QLatin1String("COMMANDS")) {
            if (const auto match = term.match(line); match.hasMatch())
                names.commands.insert(match.captured(1));
        } else if (section == QLatin1String("OPTIONS") && line.startsWith(QLatin1Char('-'))) {
            names.options |= optionNames(line);
        }
    }
    return names;
}

// The names of one set that the other lacks, sorted, for the failure message.
std::string missingFrom(const QSet<QString>& names, const QSet<QString>& from)
{
    QStringList list;
    for (const QString& name : names)
        if (!from.contains(name))
            list.append(name);
    list.sort();
    return list.join(QLatin1Char(' ')).toStdString();
}

struct PageCase {
    const char* name;
    const char* program;   // under the build folder
    const char* page;      // under docs/man
};

void PrintTo(const PageCase& c, std::ostream* os) { *os << c.page; }

class ManualPage : public ::testing::TestWithParam<PageCase> {};

TEST_P(ManualPage, DescribesExactlyTheCommandsAndOptionsOfHelp)
{
    const PageCase c = GetParam();
    QProcess process;
    process.start(QStringLiteral(TOLVI_BINARY_DIR "/") + QLatin1String(c.program), {QStringLiteral("--help")});
    const CliFinished run = FinishCli(process);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile file(QStringLiteral(TOLVI_SOURCE_DIR "/docs/man/") + QLatin1String(c.page));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.page;

    const Names help = fromHelp(run.out);
    const Names page = fromPage(QString::fromUtf8(file.readAll()));
    ASSERT_FALSE(help.options.isEmpty()) << "no options found in --help";
    EXPECT_EQ(missingFrom(help.commands, page.commands), "") << "commands " << c.page << " does not describe";
    EXPECT_EQ(missingFrom(page.commands, help.commands), "") << "commands of " << c.page << " that --help lacks";
    EXPECT_EQ(missingFrom(help.options, page.options), "") << "options " << c.page << " does not describe";
    EXPECT_EQ(missingFrom(page.options, help.options), "") << "options of " << c.page << " that --help lacks";
}

INSTANTIATE_TEST_SUITE_P(Programs, ManualPage,
    ::testing::Values(PageCase{"TolviCli", "cli/tolvi-cli", "tolvi-cli.1.rst"},
        PageCase{"TolviSim", "sim/tolvi-sim", "tolvi-sim.1.rst"},
        // The desktop program answers --help on standard output without a display.
        PageCase{"Tolvi", "ui/tolvi", "tolvi.1.rst"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
