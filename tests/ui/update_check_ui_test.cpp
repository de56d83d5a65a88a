#include "AppFixture.h"
#include "FixedHttpServer.h"
#include "ModalScript.h"
#include "QtPrinters.h"
#include "session/UpdateCheck.h"

#include <QCryptographicHash>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

// "-u" checks the server named in "app.txt" beside the running window; the
// restart the user agrees to closes the window once the file is replaced.
TEST(UpdateCheckWindow, StartOptionReplacesAFileAndAgreedRestartClosesTheWindow)
{
    AppFixture f;
    f.withoutPassword();
    FixedHttpServer server;
    const QByteArray newer = "newer core\n";
    server.serve(QStringLiteral("/files/core.dll"), newer);
    server.serve(QStringLiteral("/updates/Tolvi_001000.txt"),
        "core.dll_:_" + QCryptographicHash::hash(newer, QCryptographicHash::Md5).toHex() + "_:_"
            + server.url(QStringLiteral("/files/core.dll")).toLatin1() + "_:_U_:_Core library\r\n");
    writeFile(f.dataFile("app.txt"),
        "; === Application Settings ===\r\n[Update]\r\nServer=" + server.url(QStringLiteral("/updates/")).toLatin1() + "\r\n");
    writeFile(QDir(f.appFolder()).filePath("core.dll"), "old core\n");

    ModalScript script;
    script.thenPress(QMessageBox::Yes);
    TolviApplication app(f.options({QStringLiteral("-u")}));
    app.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return script.done() && !app.window().isVisible(); }, 30000));
    EXPECT_EQ(f.read(QDir(f.appFolder()).filePath("core.dll")), QString::fromLatin1(newer));
    ASSERT_EQ(script.messages.size(), 1);
    EXPECT_TRUE(script.messages[0].startsWith("Part of the application has been updated"));
    EXPECT_TRUE(f.read(f.dataFile("app.txt")).contains("DoHashCheck=True"));
}

// The Configure page's button with no server set says so and fetches nothing.
TEST(UpdateCheckWindow, ButtonWithoutAServerSaysSo)
{
    AppFixture f;
    f.withoutPassword();
    TolviApplication app(f.options());
    app.start();
    ModalScript script;
    script.thenPress(QMessageBox::Ok);
    app.window().configurePage()->btnCheckForUpdates->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return script.done(); }, 10000));
    // Said in a box, whole, as well as in the status bar.
    EXPECT_EQ(script.messages, QStringList{NoUpdateServerText});
    EXPECT_EQ(app.window().statusPanels()->panelText(1), NoUpdateServerText);
    EXPECT_TRUE(app.window().isVisible());
}
