// What a user without access to the mouse is told: the rule's commands only while no rule is in
// any of udev's folders, and commands for a root shell where sudo is missing.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "device/permission_hint.h"
#include "platform/files.h"
#include "support/support.h"

namespace {

TEST(PermissionAdviceTest, ARuleInAnyOfUdevsFoldersIsInPlace) {
    for (const char* dir :
         {"", "/usr/lib/udev/rules.d/", "/lib/udev/rules.d/", "/etc/udev/rules.d/"}) {
        SCOPED_TRACE(dir);
        testing_support::TempDir root;
        if (*dir) {
            ASSERT_TRUE(platform::MakeDirs(root.path() + dir));
            root.Write(std::string(dir + 1) + kUdevRuleFile, "# rule\n");
        }
        // Another rule beside it changes nothing.
        ASSERT_TRUE(platform::MakeDirs(root.path() + "/etc/udev/rules.d"));
        root.Write("etc/udev/rules.d/60-other.rules", "# other\n");
        EXPECT_EQ(CurrentPermissionAdvice(root.path()).ruleInPlace, *dir != '\0');
    }
}

TEST(PermissionAdviceTest, CommandsForARootShellHaveNoSudo) {
    const std::string saved = g_szAppDir;
    g_szAppDir = "/opt/it's here/";
    const std::string withSudo = UdevRuleCommands("\n");
    const std::string root = UdevRuleCommands("\n", false);
    g_szAppDir = saved;
    EXPECT_EQ(withSudo,
              "sudo install -m 644 '/opt/it'\\''s here/70-mivora.rules' /etc/udev/rules.d/\n"
              "sudo udevadm control --reload\nsudo udevadm trigger --subsystem-match=hidraw");
    EXPECT_EQ(root,
              "install -m 644 '/opt/it'\\''s here/70-mivora.rules' /etc/udev/rules.d/\n"
              "udevadm control --reload\nudevadm trigger --subsystem-match=hidraw");
}

}  // namespace
