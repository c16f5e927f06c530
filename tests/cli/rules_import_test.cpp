// mivora-cli import takes the rules by application an export left beside the profile.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/cli_profile_fixture.h"
#include "platform/files.h"

namespace {

using cli_test::CliProfileTest;
using cli_test::Result;

constexpr const char* kUserRules =
    "[Rules]\nCount=1\nPaused=1\nDefaultSet=1\n\n[Rule1]\nApp=editor\nKeySet=3\n";
constexpr const char* kFileRules =
    "[Rules]\nCount=2\nPaused=0\nDefaultSet=2\n\n[Rule1]\nApp=firefox\nKeySet=2\n\n"
    "[Rule2]\nApp=game.exe\nKeySet=3\nStage=4\n";
// What the data folder holds after taking kFileRules over kUserRules: the file's rules and
// default set, this computer's pause.
constexpr const char* kTakenOverUser =
    "[Rules]\nCount=2\nPaused=1\nDefaultSet=2\n\n[Rule1]\nApp=firefox\nKeySet=2\n\n"
    "[Rule2]\nApp=game.exe\nKeySet=3\nStage=4\n";

TEST_F(CliProfileTest, ImportTakesTheRulesBesideTheProfileWithoutReplacingTheUsersUnasked) {
    ASSERT_EQ(0, Run("read").code);
    const std::string profile = dir.File("game.zqa");
    const std::string rulesFile = dir.File("game.rules.ini");
    const std::string own = data + "/AppRules.ini";
    {
        // An export without rules leaves no file beside the profile.
        const Result r = Run("export '" + profile + "'");
        ASSERT_EQ(0, r.code) << r.err;
        ASSERT_FALSE(platform::PathExists(rulesFile));
    }
    struct Case {
        const char* name;
        const char* besideFile;  // nullptr: none
        const char* userRules;   // nullptr: no AppRules.ini
        const char* option;
        const char* expectedRules;  // nullptr: no AppRules.ini afterwards
        std::string out;            // standard output
        std::string errHas;         // a part of standard error ("" when it must be empty)
    };
    const std::string taken = "2 rules by application taken from " + rulesFile;
    const Case cases[] = {
        {"no rules file", nullptr, nullptr, "", nullptr, "", ""},
        {"no user rules", kFileRules, nullptr, "", kFileRules, taken + "\n", ""},
        {"user rules kept", kFileRules, kUserRules, "", kUserRules, "",
         "mivora-cli: kept the data folder's 1 rule by application; the 2 rules by application "
         "in " +
             rulesFile + " were not taken (--rules replaces them)\n"},
        {"user rules replaced", kFileRules, kUserRules, " --rules", kTakenOverUser,
         taken + ", replacing the 1 there was\n", ""},
        {"damaged: a bad rule", "[Rules]\nCount=2\n\n[Rule1]\nApp=a\nKeySet=9\n", kUserRules,
         " --rules", kUserRules, "",
         "mivora-cli: the rules by application in " + rulesFile +
             " were not taken (rule 1 is not a usable rule)\n"},
        {"damaged: no rules section", "App=firefox\n", nullptr, "", nullptr, "",
         "were not taken (no [Rules] section with a Count)"},
        {"damaged: too large", nullptr, nullptr, "", nullptr, "", "were not taken (larger than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(rulesFile.c_str());
        std::remove(own.c_str());
        if (c.besideFile) dir.Write("game.rules.ini", c.besideFile);
        if (std::string(c.name) == "damaged: too large")
            dir.Write("game.rules.ini", std::string(kFileRules) + std::string(70000, '#'));
        if (c.userRules) dir.Write("data/AppRules.ini", c.userRules);
        const Result r = Run("import '" + profile + "'" + c.option);
        // The profile itself is imported whatever the rules file holds.
        EXPECT_EQ(0, r.code) << r.err;
        EXPECT_EQ(c.out, r.out);
        if (c.errHas.empty())
            EXPECT_EQ("", r.err);
        else
            EXPECT_NE(std::string::npos, r.err.find(c.errHas)) << r.err;
        if (c.expectedRules)
            EXPECT_EQ(c.expectedRules, Slurp(own));
        else
            EXPECT_FALSE(platform::PathExists(own));
    }
}

TEST_F(CliProfileTest, ImportRefusesUnknownWordsAndARefusedProfileTakesNoRules) {
    ASSERT_EQ(0, Run("read").code);
    const std::string profile = dir.Write("bad.zqa", std::string(100, 'x'));
    dir.Write("bad.rules.ini", kFileRules);
    const Result bad = Run("import '" + profile + "' --rules");
    EXPECT_NE(0, bad.code);
    EXPECT_EQ("", bad.out);
    EXPECT_FALSE(platform::PathExists(data + "/AppRules.ini"));
    for (const char* words : {" --rule", " --rules --rules", " --force --force"}) {
        const Result r = Run("import '" + dir.File("game.zqa") + "'" + words);
        EXPECT_NE(0, r.code) << words;
        EXPECT_NE(std::string::npos, r.err.find("usage: mivora-cli import")) << words << r.err;
    }
}

}  // namespace
