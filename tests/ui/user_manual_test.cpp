// The user manual against the window: every control the manual's description
// of a page names in bold is on that page, so the manual does not send the
// user to a page that lacks it.
#include "ConfigurePage.h"
#include "DownloadPage.h"
#include "InstrumentThread.h"
#include "MainWindow.h"
#include "SchedulePage.h"
#include "SettingsPage.h"
#include "TempFolder.h"
#include "shell/SessionLog.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The text of the manual's section headed title (a heading underlined with
// "-"), up to the next heading.
QString ManualSection(const QString& title)
{
    QFile file(QStringLiteral(TOLVI_SOURCE_DIR "/docs/manual/manual.rst"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QString text;
    bool inside = false;
    for (int i = 0; i + 1 < lines.size(); ++i) {
        const bool heading = !lines[i].isEmpty() && QRegularExpression(QStringLiteral("^[-=]{3,}$")).match(lines[i + 1]).hasMatch();
        if (heading) {
            if (inside)
                break;
            inside = lines[i].trimmed() == title;
            ++i;
            continue;
        }
        if (inside)
            text += lines[i] + QLatin1Char('\n');
    }
    return text;
}

// The words in bold ("**Refresh Sensor**").
QStringList BoldTerms(const QString& text)
{
    QStringList terms;
    static const QRegularExpression bold(QStringLiteral("\\*\\*([^*]+)\\*\\*"));
    for (auto it = bold.globalMatch(text); it.hasNext();)
        terms << it.next().captured(1).simplified();
    return terms;
}

// The captions of the buttons, boxes and frames on a page.
QStringList Captions(const QWidget* page)
{
    QStringList captions;
    for (const QAbstractButton* button : page->findChildren<QAbstractButton*>())
        captions << button->text().remove(QLatin1Char('&'));
    for (const QGroupBox* box : page->findChildren<QGroupBox*>())
        captions << box->title().remove(QLatin1Char('&'));
    return captions;
}

} // namespace

TEST(UserManual, EveryControlAPageDescriptionNamesIsOnThatPage)
{
    TempFolder folder;
    SessionLog log;
    InstrumentThread thread;
    MainWindow window(log, folder.path());
    const struct {
        const char* section;
        const QWidget* page;
    } pages[] = {
        {"Configure", window.configurePage()},
        {"Download", window.downloadPage()},
        {"Settings", window.settingsPage()},
    };
    for (const auto& p : pages) {
        SCOPED_TRACE(p.section);
        const QStringList terms = BoldTerms(ManualSection(QLatin1String(p.section)));
        ASSERT_FALSE(terms.isEmpty());
        const QStringList captions = Captions(p.page);
        for (const QString& term : terms)
            EXPECT_TRUE(captions.contains(term)) << term.toStdString();
    }
}
