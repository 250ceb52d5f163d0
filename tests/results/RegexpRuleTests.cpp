#include "results/RegexpRule.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

using namespace clonarium;

namespace {

using namespace vandrelcommon::ui;

RegexpRule Rule(std::vector<std::wstring> expressions, MatchTarget target, RegexpMode mode = NewSelection)
{
    RegexpRule rule;
    rule.expressions = std::move(expressions);
    rule.target = target;
    rule.mode = mode;
    rule.Compile();
    return rule;
}

// Runs `work` on a thread with the stack the program gives its own threads,
// and checks that the work ran to its end (a thread that overflows its stack
// may simply vanish).
void OnProgramSizedThread(std::function<void()> work)
{
    struct Job {
        std::function<void()> work;
        bool finished = false;
    } job{std::move(work)};
    HANDLE thread = ::CreateThread(
        nullptr, CLONARIUM_THREAD_STACK_SIZE,
        [](void* param) -> DWORD {
            auto* job = static_cast<Job*>(param);
            job->work();
            job->finished = true;
            return 0;
        },
        &job, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(::WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    ::CloseHandle(thread);
    EXPECT_TRUE(job.finished);
}

TEST(MatchSubject, NameFolderOrWholePath)
{
    EXPECT_EQ(MatchSubject(L"C:\\a\\b.txt", FileName), L"b.txt");
    EXPECT_EQ(MatchSubject(L"C:\\a\\b.txt", FolderPath), L"C:\\a");
    EXPECT_EQ(MatchSubject(L"C:\\a\\b.txt", FullPath), L"C:\\a\\b.txt");
    EXPECT_EQ(MatchSubject(L"plain", FileName), L"");
    EXPECT_EQ(MatchSubject(L"plain", FolderPath), L"");
    EXPECT_EQ(MatchSubject(L"plain", FullPath), L"plain");
    EXPECT_EQ(MatchSubject(L"C:\\a\\b.txt", static_cast<MatchTarget>(9)), L"C:\\a\\b.txt");
}

TEST(RegexpRule, WholeSubjectMustMatchIgnoringCase)
{
    const RegexpRule doc = Rule({L".*?\\.doc$"}, FileName);
    EXPECT_TRUE(doc.Matches(L"C:\\work\\REPORT.DOC"));
    EXPECT_FALSE(doc.Matches(L"C:\\work\\report.docx"));

    const RegexpRule drive = Rule({L"d:\\\\.*?"}, FileName);
    EXPECT_FALSE(drive.Matches(L"D:\\photos\\cat.jpg")); // a file name holds no backslash
    EXPECT_TRUE(Rule({L"d:\\\\.*?"}, FullPath).Matches(L"D:\\photos\\cat.jpg"));
    EXPECT_FALSE(Rule({L"d:\\\\.*?"}, FullPath).Matches(L"C:\\d:\\x"));

    const RegexpRule fragment = Rule({L"holiday"}, FileName);
    EXPECT_FALSE(fragment.Matches(L"C:\\holiday photo.jpg"));
    EXPECT_TRUE(fragment.Matches(L"C:\\pics\\Holiday"));

    const RegexpRule named = Rule({L".*?\\\\FILENAME(\\.[^.]*$|$)"}, FullPath);
    EXPECT_TRUE(named.Matches(L"C:\\x\\filename.txt"));
    EXPECT_TRUE(named.Matches(L"C:\\x\\FileName"));
    EXPECT_FALSE(named.Matches(L"C:\\x\\filename.tar.gz"));
    EXPECT_FALSE(named.Matches(L"C:\\x\\myfilename.txt"));

    EXPECT_TRUE(Rule({L"C:\\\\a"}, FolderPath).Matches(L"c:\\A\\b.txt"));
}

TEST(RegexpRule, InvalidExpressionsStayListedButNeverMatch)
{
    const RegexpRule rule = Rule({L"([unclosed", L"*star", L"", L".*\\.jpg"}, FileName);
    EXPECT_EQ(rule.expressions.size(), 4u);
    EXPECT_EQ(rule.compiled.size(), 2u); // the empty text is a valid expression
    EXPECT_TRUE(rule.Matches(L"C:\\a.JPG"));
    EXPECT_FALSE(rule.Matches(L"C:\\a.png"));
    EXPECT_TRUE(Rule({L""}, FileName).Matches(L"nofolder"));
    // Back-references are what the safe matcher cannot do: refused like a syntax error.
    EXPECT_FALSE(CompileRegexp(L"(a)\\1", true).has_value());
    EXPECT_TRUE(CompileRegexp(L"(a)b", false).has_value());
}

TEST(RegexpRule, CaseMattersOnlyWhenAskedFor)
{
    const auto sensitive = CompileRegexp(L"abc", false);
    ASSERT_TRUE(sensitive.has_value());
    EXPECT_FALSE(std::regex_match(std::wstring(L"ABC"), *sensitive));
    const auto insensitive = CompileRegexp(L"abc", true);
    ASSERT_TRUE(insensitive.has_value());
    EXPECT_TRUE(std::regex_match(std::wstring(L"ABC"), *insensitive));
}

TEST(RegexpRule, ModeTable)
{
    const std::wstring hit = L"C:\\x\\a.tmp";
    const std::wstring miss = L"C:\\x\\a.txt";
    auto state = [&](RegexpMode mode, const std::wstring& path) {
        return Rule({L".*\\.tmp"}, FileName, mode).NewCheckState(path);
    };
    EXPECT_EQ(state(NewSelection, hit), Checked);
    EXPECT_EQ(state(NewSelection, miss), Unchecked);
    EXPECT_EQ(state(AddToSelection, hit), Checked);
    EXPECT_EQ(state(AddToSelection, miss), std::nullopt);
    EXPECT_EQ(state(SubtractFromSelection, hit), Unchecked);
    EXPECT_EQ(state(SubtractFromSelection, miss), std::nullopt);
    EXPECT_EQ(state(IntersectWithSelection, hit), std::nullopt);
    EXPECT_EQ(state(IntersectWithSelection, miss), Unchecked);
    EXPECT_EQ(state(static_cast<RegexpMode>(7), hit), Checked);
    EXPECT_EQ(state(static_cast<RegexpMode>(7), miss), Unchecked);
}

TEST(RegexpRule, WithoutExpressionsNothingMatches)
{
    const RegexpRule empty = Rule({}, FullPath, NewSelection);
    EXPECT_EQ(empty.NewCheckState(L"C:\\a"), Unchecked);
    EXPECT_EQ(Rule({}, FullPath, AddToSelection).NewCheckState(L"C:\\a"), std::nullopt);
}

// The longest path Windows allows, against the shipped templates and
// expressions that make a backtracking matcher recurse per character or run
// for ever. The work runs on a thread with the program's own stack size; the
// test would crash or hang if matching were not bounded.
TEST(RegexpRule, LongPathsAndPathologicalExpressionsEndAndDoNotMatch)
{
    OnProgramSizedThread([] {
        std::wstring path = L"C:";
        while (path.size() < 32000) {
            path += L"\\" + std::wstring(200, L'a');
        }
        const std::wstring longName = path + L"\\FILENAME.txt";
        EXPECT_TRUE(Rule({L".*?\\\\FILENAME(\\.[^.]*$|$)"}, FullPath).Matches(longName));
        EXPECT_FALSE(Rule({L".*?\\\\FILENAME(\\.[^.]*$|$)"}, FullPath).Matches(path));
        EXPECT_TRUE(Rule({L".*?\\.txt$"}, FullPath).Matches(longName));
        EXPECT_TRUE(Rule({L"c:\\\\.*?"}, FullPath).Matches(longName));
        for (const wchar_t* hostile : {L"(a|aa)*b", L"(a*)*b", L"(a|a?)+b", L"((a+)+)+b", L"(.*a){12}b"}) {
            EXPECT_FALSE(Rule({hostile}, FullPath).Matches(std::wstring(32000, L'a'))) << hostile;
            EXPECT_FALSE(Rule({hostile}, FullPath).Matches(path)) << hostile;
        }
        EXPECT_TRUE(Rule({L"(a|aa)*b"}, FileName).Matches(L"C:\\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab"));
    });
}

} // namespace
