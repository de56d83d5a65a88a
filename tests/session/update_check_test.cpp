#include "QtPrinters.h"
#include "UpdateRig.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>

namespace {

const QByteArray NewContent = "new content\n";
const QByteArray OldContent = "old content\n";

// A self-signed certificate for 127.0.0.1, made by the openssl tool.
std::optional<QSslConfiguration> serverCertificate(const QString& folder)
{
    const QString key = QDir(folder).filePath(QStringLiteral("key.pem"));
    const QString certificate = QDir(folder).filePath(QStringLiteral("cert.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", certificate, "-days", "1", "-subj",
            "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        return std::nullopt;
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(UpdateRig::read(certificate)));
    tls.setPrivateKey(QSslKey(UpdateRig::read(key), QSsl::Rsa));
    return tls;
}

// Trusts a certificate in this process for as long as it lives.
class TrustedCertificate {
public:
    explicit TrustedCertificate(const QSslCertificate& certificate) : saved_(QSslConfiguration::defaultConfiguration())
    {
        QSslConfiguration trusting = saved_;
        trusting.addCaCertificate(certificate);
        QSslConfiguration::setDefaultConfiguration(trusting);
    }
    ~TrustedCertificate() { QSslConfiguration::setDefaultConfiguration(saved_); }

private:
    QSslConfiguration saved_;
};

} // namespace

// What the list's in-line commands let through: each case ends with an
// entry that replaces the missing "new.txt" when processing goes on.
TEST(UpdateCheck, InlineCommandsDecideWhetherTheListGoesOn)
{
    struct Case {
        const char* name;
        QStringList lines;
        const char* upgradeOption;   // nullptr: absent
        Prompts::Answer answer;
        bool goesOn;
    };
    const Case cases[] = {
        {"tilde at our revision", {"*~0"}, nullptr, Prompts::Answer::Yes, false},
        {"tilde below our revision", {"*~-1"}, nullptr, Prompts::Answer::Yes, false},
        {"tilde above our revision", {"*~1"}, nullptr, Prompts::Answer::Yes, true},
        {"bang, option absent", {"*!"}, nullptr, Prompts::Answer::Yes, true},
        {"bang, option true", {"*!"}, "True", Prompts::Answer::Yes, false},
        {"equals, option absent", {"*="}, nullptr, Prompts::Answer::Yes, false},
        {"equals, option true", {"*="}, "true", Prompts::Answer::Yes, true},
        {"equals, option false", {"*="}, "False", Prompts::Answer::Yes, false},
        {"question, yes", {"*?Carry on?"}, nullptr, Prompts::Answer::Yes, true},
        {"question, no", {"*?Carry on?"}, nullptr, Prompts::Answer::No, false},
        {"unknown command", {"*Z"}, nullptr, Prompts::Answer::Yes, false},
        {"a bare asterisk", {"*"}, nullptr, Prompts::Answer::Yes, false},
        {"comments and notes", {"# comment", "", "$note"}, nullptr, Prompts::Answer::Yes, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateRig rig;
        if (c.upgradeOption)
            rig.setting(QStringLiteral("WithUpgradeOption"), QString::fromLatin1(c.upgradeOption));
        rig.prompts.answers = {c.answer};
        rig.server.serve(QStringLiteral("/files/new.txt"), NewContent);
        QStringList lines = c.lines;
        lines << UpdateRig::entry(QStringLiteral("new.txt"), UpdateRig::md5(NewContent), QStringLiteral("{url}/files/new.txt"),
            QStringLiteral("R"));
        rig.serveList(lines);
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.end, UpdateOutcome::End::Finished);
        EXPECT_EQ(QFileInfo::exists(rig.appFile(QStringLiteral("new.txt"))), c.goesOn);
        EXPECT_EQ(rig.observer.statuses.last(),
            c.goesOn ? QStringLiteral("Update complete!") : QStringLiteral("No updates found this time."));
    }
}

TEST(UpdateCheck, InlineCommandAndNoteLogLines)
{
    UpdateRig rig;
    rig.serveList({"$Plain note", "%Shown note", "*Q rest"});
    rig.run();
    const QStringList expected{"Checking servers for updates.", "Looking for " + rig.options.server + "Tolvi_001000.txt",
        "", "Plain note", "", "Shown note", "", "In-line command found:", "Q rest",
        "Unknown directive - skipping rest of upgrade"};
    EXPECT_EQ(rig.logTexts, expected);
    ASSERT_EQ(rig.prompts.shown().size(), 2);
    EXPECT_EQ(rig.prompts.shown()[0].text, QStringLiteral("Shown note"));
    EXPECT_EQ(rig.prompts.shown()[0].title, QStringLiteral("Tolvi - Karvex"));
    EXPECT_EQ(rig.prompts.shown()[1].text, QStringLiteral("No updates found this time."));
    EXPECT_EQ(rig.observer.statuses.first(), QStringLiteral("Connecting to the Karvex Technology server..."));
    EXPECT_EQ(rig.server.requested(), QStringList{UpdateRig::ListPath});
    EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("distlist.txt"))), "$Plain note\r\n%Shown note\r\n*Q rest");
}

TEST(UpdateCheck, MissingFileIsReplacedWithTheLogLinesOfTheEntry)
{
    UpdateRig rig;
    const QString hash = UpdateRig::md5(NewContent);
    rig.server.serve(QStringLiteral("/files/new.txt"), NewContent);
    rig.serveList({UpdateRig::entry(QStringLiteral("new.txt"), hash, QStringLiteral("{url}/files/new.txt"),
        QStringLiteral(" r "), QStringLiteral("A new file"))});
    const UpdateOutcome outcome = rig.run();
    EXPECT_TRUE(outcome.updatesFound);
    EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("new.txt"))), NewContent);
    const QStringList tail = rig.logTexts.mid(2);
    const QStringList expected{"Checking File new.txt", " Remote " + hash, " Local  Missing!", " A new file",
        " Downloading " + rig.server.url(QStringLiteral("/files/new.txt")), "OK"};
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(rig.logAt(SessionLog::Warning), QStringList{expected[4]});
    EXPECT_EQ(rig.setting(QStringLiteral("DoHashCheck")), QStringLiteral("True"));
    EXPECT_EQ(rig.observer.statuses.mid(1),
        (QStringList{"Application files updated!", "Update complete!"}));

    // The same list again: the file now matches and nothing is fetched.
    rig.logTexts.clear();
    const UpdateOutcome again = rig.run();
    EXPECT_FALSE(again.updatesFound);
    EXPECT_TRUE(rig.logTexts.contains(QStringLiteral(" File is OK")));
    EXPECT_EQ(rig.server.requested().count(QStringLiteral("/files/new.txt")), 1);
}

TEST(UpdateCheck, EntryWithFewerThanFiveFieldsEndsThroughTheErrorPath)
{
    UpdateRig rig;
    rig.serveList({"$first", "new.txt_:_abc_:_{url}/files/new.txt_:_R", "$never reached"});
    const UpdateOutcome outcome = rig.run();
    EXPECT_EQ(outcome.end, UpdateOutcome::End::Failed);
    const QString error = QStringLiteral(
        "Error 9 (Subscript out of range) on line 2 in procedure btnCheckForUpdates_Click of Form frmMain.");
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{error});
    EXPECT_EQ(rig.logAt(SessionLog::Error), QStringList{error});
    EXPECT_FALSE(rig.logTexts.contains(QStringLiteral("never reached")));
    EXPECT_FALSE(rig.observer.statuses.contains(QStringLiteral("No updates found this time.")));
}

TEST(UpdateCheck, ReplaceAndRestart)
{
    const struct { const char* name; Prompts::Answer answer; bool restart; const char* lastStatus; } cases[] = {
        {"restart now", Prompts::Answer::Yes, true, "Update complete!"},
        {"restart later", Prompts::Answer::No, false, "Update complete!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateRig rig;
        UpdateRig::write(rig.appFile(QStringLiteral("lib/core.dll")), OldContent);
        rig.server.serve(QStringLiteral("/files/core.dll"), NewContent);
        rig.prompts.answers = {c.answer};
        rig.serveList({UpdateRig::entry(QStringLiteral("lib\\core.dll"), UpdateRig::md5(NewContent),
                           QStringLiteral("{url}/files/core.dll"), QStringLiteral("U")),
            UpdateRig::entry(QStringLiteral("after.txt"), QStringLiteral("0"), QStringLiteral("{url}/files/core.dll"),
                QStringLiteral("R"))});
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.restartRequested, c.restart);
        EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("lib/core.dll"))), NewContent);
        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("yesno")),
            QStringList{"Part of the application has been updated and the application needs to restart. Do you wish "
                        "to do so now?"});
        // Yes stops the list: the entry after it is not processed.
        EXPECT_EQ(QFileInfo::exists(rig.appFile(QStringLiteral("after.txt"))), !c.restart);
        EXPECT_EQ(rig.observer.statuses.contains(
                      QStringLiteral("Application files updated - please close the application!")),
            !c.restart);
        EXPECT_EQ(rig.observer.statuses.last(), QString::fromLatin1(c.lastStatus));
        EXPECT_TRUE(rig.logTexts.contains(" Restart after Downloading " + rig.server.url(QStringLiteral("/files/core.dll"))));
    }
}

TEST(UpdateCheck, DocumentIsDownloadedAndOpenedOnlyWhenTheUserAgrees)
{
    for (const Prompts::Answer answer : {Prompts::Answer::Yes, Prompts::Answer::No}) {
        const bool yes = answer == Prompts::Answer::Yes;
        SCOPED_TRACE(yes ? "yes" : "no");
        UpdateRig rig;
        rig.server.serve(QStringLiteral("/docs/notes.pdf"), NewContent);
        rig.prompts.answers = {answer};
        rig.serveList({UpdateRig::entry(QStringLiteral("notes.pdf"), QStringLiteral("x"), QStringLiteral("{url}/docs/notes.pdf"),
            QStringLiteral("O"))});
        rig.run();
        const QString saved = QDir(rig.options.downloadFolder).filePath(QStringLiteral("notes.pdf"));
        EXPECT_EQ(UpdateRig::read(saved), NewContent);
        const QStringList asked = rig.prompts.texts_of(QStringLiteral("yesno"));
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked[0].contains(QStringLiteral("\"notes.pdf\"")));
        EXPECT_TRUE(asked[0].contains(rig.server.url(QStringLiteral("/docs/notes.pdf"))));
        EXPECT_EQ(rig.prompts.openedPaths, yes ? QStringList{saved} : QStringList{});
        EXPECT_EQ(rig.logTexts.contains(QStringLiteral("OK.")), yes);
        EXPECT_FALSE(QFileInfo::exists(rig.appFile(QStringLiteral("notes.pdf"))));
    }
}

TEST(UpdateCheck, WebPageUnknownLetterAndDelete)
{
    UpdateRig rig;
    UpdateRig::write(rig.appFile(QStringLiteral("old.dll")), OldContent);
    rig.serveList({UpdateRig::entry(QStringLiteral("page.txt"), QStringLiteral("x"), QStringLiteral("https://example.invalid/news"),
                       QStringLiteral("w")),
        UpdateRig::entry(QStringLiteral("odd.txt"), QStringLiteral("x"), QStringLiteral("{url}/odd"), QStringLiteral("Q")),
        UpdateRig::entry(QStringLiteral("old.dll"), QStringLiteral("x"), QString(), QStringLiteral("X")),
        UpdateRig::entry(QStringLiteral("gone.dll"), QStringLiteral("x"), QString(), QStringLiteral("X"))});
    const UpdateOutcome outcome = rig.run();
    EXPECT_EQ(outcome.refusedEntries, 0);
    EXPECT_EQ(rig.prompts.openedPaths, QStringList{"https://example.invalid/news"});
    EXPECT_TRUE(rig.logTexts.contains(QStringLiteral("  Navigate to https://example.invalid/news")));
    EXPECT_EQ(rig.logAt(SessionLog::Problem), QStringList{" Unknown or mangled command for upgradable file..."});
    EXPECT_FALSE(QFileInfo::exists(rig.appFile(QStringLiteral("old.dll"))));
    EXPECT_EQ(rig.logTexts.count(QStringLiteral("OK.")), 2);  // a file already gone counts as deleted
    EXPECT_EQ(rig.setting(QStringLiteral("DoHashCheck")), QStringLiteral("True"));
    EXPECT_EQ(rig.server.requested(), QStringList{UpdateRig::ListPath});
}

TEST(UpdateCheck, PackageIsSavedWhereTheUserChooses)
{
    UpdateRig rig;
    const QString chosen = rig.root.filePath(QStringLiteral("chosen/Setup-2.exe"));
    QDir().mkpath(QFileInfo(chosen).path());
    rig.prompts.files = {Prompts::FileChosen{chosen, 0}, std::nullopt};
    rig.server.serve(QStringLiteral("/pkg/setup.exe"), NewContent);
    const QString entry = UpdateRig::entry(QStringLiteral("marker.txt"), QStringLiteral("Setup-2.exe"),
        QStringLiteral("{url}/pkg/setup.exe"), QStringLiteral("D"));
    rig.serveList({entry, entry});  // the second offer is cancelled
    rig.run();
    EXPECT_EQ(UpdateRig::read(chosen), NewContent);
    ASSERT_EQ(rig.prompts.fileChoices.size(), 2);
    EXPECT_EQ(rig.prompts.fileChoices[0].proposedName, QStringLiteral("Setup-2.exe"));
    EXPECT_EQ(rig.prompts.fileChoices[0].defaultExtension, QStringLiteral("exe"));
    EXPECT_TRUE(rig.prompts.fileChoices[0].title.contains(rig.server.url(QStringLiteral("/pkg/setup.exe"))));
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")),
        QStringList{"An upgrade package has been saved to \r\n" + chosen
            + "\r\nYou should close the application now and run the upgrade package."});
    EXPECT_EQ(rig.server.requested().count(QStringLiteral("/pkg/setup.exe")), 1);
    EXPECT_TRUE(rig.observer.percents.contains(100));
    EXPECT_EQ(rig.observer.percents.last(), -1);
    EXPECT_TRUE(rig.observer.statuses.contains(QStringLiteral("New version package available.")));
}

// A transfer that fails or arrives short leaves the old file as it was and
// no temporary file behind.
TEST(UpdateCheck, FailedDownloadLeavesTheOldFile)
{
    using Mode = FixedHttpServer::Response::Mode;
    const struct { const char* name; FixedHttpServer::Response response; } cases[] = {
        {"not found", {404, "no such file"}},
        {"server error", {500, "broken"}},
        {"short", {200, "half of it", Mode::Short}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateRig rig;
        UpdateRig::write(rig.appFile(QStringLiteral("core.dll")), OldContent);
        rig.server.serve(QStringLiteral("/files/core.dll"), c.response);
        rig.serveList({UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QStringLiteral("{url}/files/core.dll"),
            QStringLiteral("R"))});
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.failedTransfers, 1);
        EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("core.dll"))), OldContent);
        EXPECT_EQ(QDir(rig.app).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"core.dll", "distlist.txt"}));
        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")).first(),
            QStringLiteral("Failed to retrieve an update package from the server. Please try again later."));
        EXPECT_EQ(rig.setting(QStringLiteral("DoHashCheck")), QStringLiteral("<absent>"));
        ASSERT_FALSE(rig.logAt(SessionLog::Error).isEmpty());
        EXPECT_TRUE(rig.logAt(SessionLog::Error).first().contains(QStringLiteral("procedure DownloadFile")));
    }
}

// A server that never stops sending: the body streams to the temporary
// file through a bounded buffer and is cut at the size cap; the old file
// stays, nothing is left beside it, and memory never holds more than a
// small part of the body (the cap here is twice the bound).
TEST(UpdateCheck, EndlessFileIsCutAtTheCapWithinBoundedMemory)
{
    constexpr long MemoryBoundKiB = 64 * 1024;
    UpdateRig rig;
    UpdateRig::write(rig.appFile(QStringLiteral("core.dll")), OldContent);
    rig.server.serve(QStringLiteral("/files/core.dll"), {200, {}, FixedHttpServer::Response::Mode::Endless});
    rig.serveList({UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QStringLiteral("{url}/files/core.dll"),
        QStringLiteral("R"))});
    rig.options.limits.maxBytes = 128LL * 1024 * 1024;
    rig.options.limits.deadlineMs = 120000;   // the cap, not the deadline, ends it
    struct rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    const UpdateOutcome outcome = rig.run();
    struct rusage after {};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(outcome.failedTransfers, 1);
    EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("core.dll"))), OldContent);
    EXPECT_EQ(QDir(rig.app).entryList(QDir::Files | QDir::Hidden), (QStringList{"core.dll", "distlist.txt"}));
    EXPECT_TRUE(rig.logAt(SessionLog::Error).join(QLatin1Char('|')).contains(QStringLiteral("more than 134217728 bytes")))
        << rig.logAt(SessionLog::Error).join(QLatin1Char('|')).toStdString();
    // ru_maxrss is the process's peak in KiB: it may only grow by the bound.
    EXPECT_LT(after.ru_maxrss, before.ru_maxrss + MemoryBoundKiB);
}

// Lists that try to reach outside the application folder change nothing
// there and are logged as refused entries.
TEST(UpdateCheck, HostileListsChangeNothingOutsideTheFolder)
{
    const struct { const char* name; const char* entry; } cases[] = {
        {"climbing out", "../outside.txt_:_x_:_{url}/evil_:_R_:_d"},
        {"climbing out, other separator", "..\\outside.txt_:_x_:_{url}/evil_:_U_:_d"},
        {"absolute path", "{root}/outside.txt_:_x_:_{url}/evil_:_R_:_d"},
        {"deleting outside", "../outside.txt_:_x_:_{url}/evil_:_X_:_d"},
        {"link pointing out", "out_:_x_:_{url}/evil_:_R_:_d"},
        {"deleting through a link", "out_:_x_:_{url}/evil_:_X_:_d"},
        {"folder link", "up/outside.txt_:_x_:_{url}/evil_:_R_:_d"},
        {"package name with a separator", "a.txt_:_../../outside.txt_:_{url}/evil_:_D_:_d"},
        {"document name with a separator", "sub/notes.pdf_:_x_:_{url}/evil_:_O_:_d"},
        {"not a web address", "a.txt_:_x_:_file:///etc/passwd_:_R_:_d"},
        {"page that is no web page", "a.txt_:_x_:_file:///etc/passwd_:_W_:_d"},
        {"deleting a folder", "sub_:_x_:__:_X_:_d"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateRig rig;
        QDir().mkpath(rig.appFile(QStringLiteral("sub")));
        QFile::link(rig.root.filePath(QStringLiteral("outside.txt")), rig.appFile(QStringLiteral("out")));
        QFile::link(rig.root.path(), rig.appFile(QStringLiteral("up")));
        rig.server.serve(QStringLiteral("/evil"), "evil");
        rig.serveList({QString::fromLatin1(c.entry).replace(QStringLiteral("{root}"), rig.root.path())});
        const QMap<QString, QByteArray> before = rig.everything();
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.refusedEntries, 1);
        QMap<QString, QByteArray> after = rig.everything();
        after.remove(QStringLiteral("app/distlist.txt"));
        EXPECT_EQ(after, before);
        EXPECT_TRUE(QFileInfo(rig.appFile(QStringLiteral("sub"))).isDir());
        EXPECT_FALSE(rig.server.requested().contains(QStringLiteral("/evil")));
        EXPECT_TRUE(rig.prompts.fileChoices.isEmpty());
        EXPECT_TRUE(rig.prompts.openedPaths.isEmpty());
        ASSERT_EQ(rig.logAt(SessionLog::Problem).size(), 1);
        EXPECT_TRUE(rig.logAt(SessionLog::Problem).first().startsWith(QStringLiteral(" Refused entry ")));
    }
}

TEST(UpdateCheck, ServerThatNeverAnswersEndsWithinTheDeadline)
{
    UpdateRig rig;
    rig.server.serve(UpdateRig::ListPath, {200, {}, FixedHttpServer::Response::Mode::Silent});
    rig.options.limits.stallMs = 300;
    rig.options.limits.deadlineMs = 600;
    QElapsedTimer clock;
    clock.start();
    const UpdateOutcome outcome = rig.run();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(outcome.end, UpdateOutcome::End::ListFailed);
    EXPECT_TRUE(rig.logTexts.contains(QStringLiteral("Failed to retrieve file!")));
    EXPECT_EQ(rig.observer.statuses.last(), QStringLiteral("The latest Version File was not retrieved!"));
    ASSERT_EQ(rig.prompts.shown().size(), 1);
    EXPECT_EQ(rig.prompts.shown()[0].icon, Prompts::Icon::Critical);
    EXPECT_EQ(rig.prompts.shown()[0].text,
        QStringLiteral("Failed to retrieve the latest version file from the server - Please check your internet "
                       "connection and try again."));
    EXPECT_FALSE(QFileInfo::exists(rig.appFile(QStringLiteral("distlist.txt"))));
}

TEST(UpdateCheck, WithoutAServerNothingIsTried)
{
    for (const char* server : {"", "ftp://host/updates/"}) {
        SCOPED_TRACE(server);
        UpdateRig rig;
        rig.options.server = QString::fromLatin1(server);
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.end, UpdateOutcome::End::NoServer);
        EXPECT_TRUE(rig.server.requested().isEmpty());
        ASSERT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")).size(), 1);
        if (!*server) {
            EXPECT_EQ(rig.observer.statuses, QStringList{NoUpdateServerText});
        }
    }
    // The server comes from "app.txt" unless one is given.
    UpdateRig rig;
    EXPECT_TRUE(UpdateOptionsFor(rig.services, QStringLiteral("1.0.0")).server.isEmpty());
    rig.setting(QStringLiteral("Server"), QStringLiteral("https://updates.example/ftp/Distribution/Updates/"));
    const UpdateCheckOptions options = UpdateOptionsFor(rig.services, QStringLiteral("1.0.0"));
    EXPECT_EQ(options.server, QStringLiteral("https://updates.example/ftp/Distribution/Updates/"));
    EXPECT_EQ(options.listName, QStringLiteral("Tolvi_001000.txt"));
    EXPECT_EQ(UpdateOptionsFor(rig.services, QStringLiteral("1.0.0"), QStringLiteral("http://other/")).server,
        QStringLiteral("http://other/"));
}

// A folder owned by the package manager: replacing and deleting are
// skipped; notices, web pages and packages still work.
TEST(UpdateCheck, ManagedFolderKeepsItsFiles)
{
    UpdateRig rig;
    rig.options.appFolderManaged = true;
    UpdateRig::write(rig.appFile(QStringLiteral("core.dll")), OldContent);
    rig.server.serve(QStringLiteral("/files/core.dll"), NewContent);
    const QString chosen = rig.root.filePath(QStringLiteral("setup.exe"));
    rig.prompts.files = {Prompts::FileChosen{chosen, 0}};
    rig.serveList({"%A notice",
        UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QStringLiteral("{url}/files/core.dll"), QStringLiteral("R")),
        UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QString(), QStringLiteral("X")),
        UpdateRig::entry(QStringLiteral("page"), QStringLiteral("x"), QStringLiteral("https://example.invalid/"), QStringLiteral("W")),
        UpdateRig::entry(QStringLiteral("m"), QStringLiteral("setup.exe"), QStringLiteral("{url}/files/core.dll"), QStringLiteral("D"))});
    const UpdateOutcome outcome = rig.run();
    EXPECT_EQ(outcome.managedEntries, 2);
    EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("core.dll"))), OldContent);
    EXPECT_EQ(UpdateRig::read(chosen), NewContent);
    EXPECT_EQ(rig.prompts.openedPaths, QStringList{"https://example.invalid/"});
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("balloon")).contains(QStringLiteral("A notice")));
    EXPECT_TRUE(rig.logTexts.contains(QStringLiteral(" core.dll is managed by the system's package manager - skipped")));
    EXPECT_FALSE(QFileInfo::exists(rig.appFile(QStringLiteral("distlist.txt"))));
    EXPECT_TRUE(QFileInfo::exists(QDir(rig.data).filePath(QStringLiteral("distlist.txt"))));
    EXPECT_EQ(rig.setting(QStringLiteral("DoHashCheck")), QStringLiteral("<absent>"));
}

TEST(UpdateCheck, DryRunSaysWhatWouldBeDoneAndChangesNothing)
{
    UpdateRig rig;
    rig.options.dryRun = true;
    UpdateRig::write(rig.appFile(QStringLiteral("core.dll")), OldContent);
    UpdateRig::write(rig.appFile(QStringLiteral("same.txt")), NewContent);
    rig.serveList({"*?Go on?",
        UpdateRig::entry(QStringLiteral("same.txt"), UpdateRig::md5(NewContent), QStringLiteral("{url}/x"), QStringLiteral("R")),
        UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QStringLiteral("{url}/x"), QStringLiteral("R")),
        UpdateRig::entry(QStringLiteral("core.dll"), QStringLiteral("x"), QString(), QStringLiteral("X")),
        UpdateRig::entry(QStringLiteral("notes.pdf"), QStringLiteral("x"), QStringLiteral("{url}/x"), QStringLiteral("O")),
        UpdateRig::entry(QStringLiteral("m"), QStringLiteral("setup.exe"), QStringLiteral("{url}/x"), QStringLiteral("D")),
        UpdateRig::entry(QStringLiteral("../evil"), QStringLiteral("x"), QStringLiteral("{url}/x"), QStringLiteral("R"))});
    const QMap<QString, QByteArray> before = rig.everything();
    const UpdateOutcome outcome = rig.run();
    EXPECT_EQ(rig.everything(), before);
    EXPECT_TRUE(rig.prompts.shown().isEmpty());  // no question, no message, no balloon
    EXPECT_TRUE(rig.prompts.fileChoices.isEmpty());
    EXPECT_EQ(rig.server.requested(), QStringList{UpdateRig::ListPath});
    ASSERT_EQ(outcome.plan.size(), 7);
    EXPECT_EQ(outcome.plan[0], QStringLiteral("would ask: Go on?"));
    EXPECT_EQ(outcome.plan[1], QStringLiteral("same.txt: up to date"));
    EXPECT_TRUE(outcome.plan[2].startsWith(QStringLiteral("core.dll: would replace ")));
    EXPECT_TRUE(outcome.plan[3].startsWith(QStringLiteral("core.dll: would delete ")));
    EXPECT_TRUE(outcome.plan[4].startsWith(QStringLiteral("notes.pdf: would download ")));
    EXPECT_TRUE(outcome.plan[5].startsWith(QStringLiteral("m: would offer to save ")));
    EXPECT_TRUE(outcome.plan[6].startsWith(QStringLiteral("../evil: refused")));
}

// The server may be an https one; its certificate must be one the system trusts.
TEST(UpdateCheck, HttpsServerIsUsedOnlyWithATrustedCertificate)
{
    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "trusted" : "untrusted");
        UpdateRig rig;
        const std::optional<QSslConfiguration> tls = serverCertificate(rig.root.path());
        if (!tls)
            GTEST_SKIP() << "the openssl tool could not make a certificate";
        FixedHttpServer secure(*tls);
        secure.serve(QStringLiteral("/files/new.txt"), NewContent);
        secure.serve(UpdateRig::ListPath,
            UpdateRig::entry(QStringLiteral("new.txt"), UpdateRig::md5(NewContent), secure.url(QStringLiteral("/files/new.txt")),
                QStringLiteral("R"))
                .toUtf8());
        rig.options.server = secure.url(QStringLiteral("/updates/"));
        std::optional<TrustedCertificate> trust;
        if (trusted)
            trust.emplace(tls->localCertificate());
        const UpdateOutcome outcome = rig.run();
        EXPECT_EQ(outcome.end, trusted ? UpdateOutcome::End::Finished : UpdateOutcome::End::ListFailed);
        EXPECT_EQ(UpdateRig::read(rig.appFile(QStringLiteral("new.txt"))), trusted ? NewContent : QByteArray("<missing>"));
    }
}

// A check the user asked for ends with a sentence where the check has not
// said its outcome itself.
TEST(UpdateCheck, OutcomeSaidToTheUser)
{
    using End = UpdateOutcome::End;
    struct Case { const char* name; End end; bool updatesFound; QString said; };
    const Case cases[] = {
        {"no server", End::NoServer, false, NoUpdateServerText},
        {"no list", End::ListFailed, false,
            "The list of updates could not be fetched from the update server. Please try again later."},
        {"nothing to update", End::Finished, false, "This program is up to date."},
        {"updates: their questions said it", End::Finished, true, QString()},
        {"failed: its error box said it", End::Failed, false, QString()},
        {"cancelled", End::Cancelled, false, QString()},
    };
    for (const Case& c : cases) {
        UpdateOutcome outcome;
        outcome.end = c.end;
        outcome.updatesFound = c.updatesFound;
        EXPECT_EQ(UpdateOutcomeText(outcome), c.said) << c.name;
    }
}
