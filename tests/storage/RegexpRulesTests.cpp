#include "storage/RegexpRules.h"

#include "storage/ApplicationSettings.h"
#include "system/IniFile.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

class RegexpRulesTest : public ::testing::Test {
protected:
    RegexpRulesTest() { settings.regexpsFolder = tree.MakeFolder(L"regexps"); }
    std::wstring RuleFile(const std::wstring& name) const { return settings.regexpsFolder + L"\\" + name; }
    bool Exists(const std::wstring& name) const
    {
        return ::GetFileAttributesW(RuleFile(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    TempTree tree;
    ApplicationSettings settings;
};

TEST_F(RegexpRulesTest, SaveAndLoadKeepNameModeTargetAndOrder)
{
    RegexpRule saved;
    saved.name = L"Temporary files";
    saved.mode = SubtractFromSelection; // unlike the target, so that swapped keys would show
    saved.target = FolderPath;
    saved.expressions = {L".*\\.tmp", L"([broken", L"~.*"};
    ASSERT_TRUE(SaveRule(saved, RuleFile(L"tmp.rer")));
    EXPECT_EQ(saved.file, RuleFile(L"tmp.rer"));

    RegexpRule loaded;
    ASSERT_TRUE(LoadRule(loaded, RuleFile(L"tmp.rer")));
    EXPECT_EQ(loaded.name, L"Temporary files");
    EXPECT_EQ(loaded.mode, SubtractFromSelection);
    EXPECT_EQ(loaded.target, FolderPath);
    EXPECT_EQ(loaded.expressions, saved.expressions);
    EXPECT_EQ(loaded.compiled.size(), 2u); // the broken one stays listed only
    EXPECT_FALSE(loaded.isDefault);
}

TEST_F(RegexpRulesTest, ElevenExpressionsComeBackInKeyOrder)
{
    RegexpRule saved;
    for (int i = 0; i <= 10; ++i) {
        saved.expressions.push_back(L"E" + std::to_wstring(i));
    }
    ASSERT_TRUE(SaveRule(saved, RuleFile(L"eleven.rer")));
    RegexpRule loaded;
    ASSERT_TRUE(LoadRule(loaded, RuleFile(L"eleven.rer")));
    EXPECT_EQ(loaded.expressions,
        (std::vector<std::wstring>{L"E0", L"E1", L"E10", L"E2", L"E3", L"E4", L"E5", L"E6", L"E7", L"E8", L"E9"}));
}

TEST_F(RegexpRulesTest, OddAndMissingValues)
{
    RegexpRule fresh;
    EXPECT_EQ(fresh.target, FullPath);
    EXPECT_EQ(fresh.mode, NewSelection);
    EXPECT_TRUE(fresh.name.empty());

    const std::wstring path = tree.MakeFile(L"regexps\\odd.rer", Utf16File(L"[General]\nsmt=7\n"));
    RegexpRule rule;
    rule.expressions = {L"stale"};
    ASSERT_TRUE(LoadRule(rule, path));
    EXPECT_EQ(static_cast<int32_t>(rule.mode), 7);
    EXPECT_EQ(rule.target, FileName); // "rmo" missing
    EXPECT_EQ(rule.name, L"(Untitled)");
    EXPECT_TRUE(rule.expressions.empty());
    IniFile rewritten;
    ASSERT_TRUE(rewritten.Load(path));
    EXPECT_EQ(rewritten.GetSections().count(L"Regexps"), 1u);

    RegexpRule untouched;
    untouched.name = L"Mine";
    EXPECT_FALSE(LoadRule(untouched, RuleFile(L"missing.rer")));
    EXPECT_EQ(untouched.name, L"Mine");
}

TEST_F(RegexpRulesTest, DefaultRuleFirstThenEveryRuleFile)
{
    tree.MakeFile(L"regexps\\default", Utf16File(L"[General]\nName=Renamed\n[Regexps]\n0=x\n"));
    tree.MakeFile(L"regexps\\one.rer", Utf16File(L"[General]\nName=One\n"));
    tree.MakeFolder(L"regexps\\broken.rer");
    LoadRules(settings);
    ASSERT_EQ(settings.rules.size(), 3u);
    EXPECT_EQ(settings.rules[0]->name, L"(Default)");
    EXPECT_TRUE(settings.rules[0]->isDefault);
    EXPECT_EQ(settings.rules[0]->expressions, std::vector<std::wstring>{L"x"});
    std::vector<std::wstring> rest = {settings.rules[1]->name, settings.rules[2]->name};
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::wstring>{L"", L"One"})); // the unreadable one keeps the new-rule values
    LoadRules(settings);
    EXPECT_EQ(settings.rules.size(), 3u);
}

TEST_F(RegexpRulesTest, NewRulesCountNamesAndFilesSeparately)
{
    LoadRules(settings);
    tree.MakeFile(L"regexps\\(Default) (1).rer", "taken");
    RegexpRule& created = CreateRule(settings, L"(Default)");
    EXPECT_EQ(created.name, L"(Default) (1)");
    EXPECT_EQ(created.file, RuleFile(L"(Default) (1) (1).rer"));
    EXPECT_EQ(created.target, FullPath);
    EXPECT_TRUE(Exists(L"(Default) (1) (1).rer"));
    EXPECT_EQ(CreateRule(settings, L"x|y").file, RuleFile(L"x_y.rer"));
}

TEST_F(RegexpRulesTest, DefaultRuleCannotBeDeleted)
{
    LoadRules(settings);
    CreateRule(settings, L"Gone");
    EXPECT_EQ(DeleteRule(settings, 0), -1);
    EXPECT_EQ(DeleteRule(settings, 1), 0);
    EXPECT_FALSE(Exists(L"Gone.rer"));
    EXPECT_TRUE(Exists(L"default"));
    EXPECT_EQ(settings.rules.size(), 1u);
}

} // namespace
