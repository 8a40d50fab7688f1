// The line added to an open failure that file permissions caused, for device nodes of several owners.
#include "port/AccessHint.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

TEST(AccessHint, NamesTheGroupOnlyWhereJoiningItGivesAccess) {
    const group* dialout = ::getgrnam("dialout");
    if (dialout == nullptr || ::getuid() != 0) {
        GTEST_SKIP() << "needs the group dialout and root to hand a file to it";
    }
    char folder[] = "/tmp/ardenox-hint-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string node = std::string(folder) + "/ttyUSB0";
    ::close(::creat(node.c_str(), 0600));

    const std::string join =
        "The port belongs to the group dialout: join it with \"sudo usermod -aG dialout $USER\", then log in "
        "again.";
    const std::string ask =
        "Ask the administrator for access to the port (serial ports usually belong to the group dialout).";
    const struct {
        gid_t group;
        mode_t mode;
        int error;
        std::string hint;
    } rows[] = {
        {dialout->gr_gid, 0660, EACCES, join},
        {dialout->gr_gid, 0620, EACCES, ask},  // the group may not read
        {0, 0660, EACCES, ask},                // joining root's group is no advice
        {dialout->gr_gid, 0660, ENOENT, ""},
        {dialout->gr_gid, 0660, EBUSY, ""},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(::chown(node.c_str(), static_cast<uid_t>(-1), row.group), 0);
        ASSERT_EQ(::chmod(node.c_str(), row.mode), 0);
        EXPECT_EQ(AccessHint(node, static_cast<std::uint32_t>(row.error)), row.hint)
            << row.group << " " << std::oct << row.mode << " " << std::dec << row.error;
    }
    EXPECT_EQ(AccessHint(std::string(folder) + "/gone", EACCES), ask);
    ::unlink(node.c_str());
    ::rmdir(folder);
}

}  // namespace
