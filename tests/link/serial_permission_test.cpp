// The permission-denied text for a serial device this user may not open,
// over a real pseudo-terminal whose modes the test changes. Root opens every
// device whatever its mode, so these tests skip when run as root.
#include "LinkRig.h"
#include "SilentLine.h"
#include "link/SerialPermission.h"
#include "link/SerialPortTable.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {


bool processHasGroup(gid_t gid)
{
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i)
        if (groups[i] == gid)
            return true;
    return ::getegid() == gid;
}

class SerialPermissionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() == 0)
            GTEST_SKIP() << "root may open every device, so no device refuses it";
        ASSERT_FALSE(line.path().isEmpty()) << "no pseudo-terminal";
        struct stat info {};
        ASSERT_EQ(::stat(path().toLocal8Bit().constData(), &info), 0);
        groupId = info.st_gid;
        const group* entry = ::getgrgid(groupId);
        groupName = entry ? QString::fromLocal8Bit(entry->gr_name) : QString::number(groupId);
    }
    QString path() const { return line.path(); }
    void setMode(mode_t mode) { ASSERT_EQ(::chmod(path().toLocal8Bit().constData(), mode), 0); }
    // The fix "join the group" applies only to a user outside the device's group.
    bool userOutsideGroup() const { return !processHasGroup(groupId); }

    SilentLine line;
    gid_t groupId = 0;
    QString groupName;
};

struct ModeCase {
    const char* name;
    mode_t mode;
    bool joinFixesIt;   // the group may read and write: the text gives the usermod command
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class SerialPermissionModes : public SerialPermissionTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SerialPermissionModes, TextNamesTheDeviceItsGroupAndTheFix)
{
    const ModeCase c = GetParam();
    if (c.joinFixesIt && !userOutsideGroup())
        GTEST_SKIP() << "this user is in the device's group " << groupName.toStdString();
    setMode(c.mode);

    const auto problem = SerialAccessProblem(path());
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(*problem, SerialPermissionText(path()));
    EXPECT_TRUE(problem->startsWith(QStringLiteral("Permission denied on ") + path())) << problem->toStdString();
    EXPECT_TRUE(problem->contains(QLatin1Char('"') + groupName + QLatin1Char('"'))) << problem->toStdString();
    const QString join = QStringLiteral("\"sudo usermod -aG %1 $USER\", then log out and log in again.").arg(groupName);
    if (c.joinFixesIt) {
        EXPECT_TRUE(problem->contains(QStringLiteral("you are not in its group"))) << problem->toStdString();
        EXPECT_TRUE(problem->endsWith(join)) << problem->toStdString();
    } else {
        // Joining a group that may not use the device would not help.
        EXPECT_FALSE(problem->contains(QStringLiteral("usermod"))) << problem->toStdString();
        EXPECT_TRUE(problem->contains(QStringLiteral("ask the administrator"))) << problem->toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, SerialPermissionModes,
    ::testing::Values(ModeCase{"GroupMayReadAndWrite", 0060, true}, ModeCase{"GroupMayOnlyRead", 0040, false},
        ModeCase{"NobodyButRoot", 0000, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialPermissionTest, NoTextForADeviceThisUserMayOpenOrOneThatIsMissing)
{
    setMode(0600);
    EXPECT_FALSE(SerialAccessProblem(path()).has_value());
    EXPECT_FALSE(SerialAccessProblem(QStringLiteral("/dev/no-such-serial-device")).has_value());
    EXPECT_FALSE(SerialAccessProblem(QString()).has_value());
}

// The port table's probe logs the same text, and the denied-port list (what
// "tolvi-cli ports" marks and an unsuccessful auto-connect explains) holds
// the port with its device and text.
TEST_F(SerialPermissionTest, PortTableLogsTheTextAndTheDeniedListHoldsThePort)
{
    LinkRig rig;
    rig.portMap.addOverride(LinkRig::TestPort, path());
    setMode(0060);
    SerialPortTable table{rig.log, rig.portMap};

    EXPECT_FALSE(table.COMAvailable(LinkRig::TestPort));
    const QString text = SerialPermissionText(path());
    EXPECT_TRUE(rig.logged(text, SessionLog::Problem)) << text.toStdString();

    const QList<DeniedPort> denied = DeniedSerialPorts(rig.portMap);
    const auto it = std::find_if(denied.begin(), denied.end(), [](const DeniedPort& d) { return d.port == LinkRig::TestPort; });
    ASSERT_NE(it, denied.end());
    EXPECT_EQ(it->device, path());
    EXPECT_EQ(it->text, text);

    setMode(0600);
    EXPECT_TRUE(table.COMAvailable(LinkRig::TestPort));
    const QList<DeniedPort> after = DeniedSerialPorts(rig.portMap);
    EXPECT_TRUE(std::none_of(after.begin(), after.end(), [](const DeniedPort& d) { return d.port == LinkRig::TestPort; }));
}

} // namespace
