#include "deletion/ConflictPolicy.h"
#include "system/LongPath.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <vector>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;

namespace {

// Answers the questions with the scripted replies, in order, and keeps what
// each question showed.
struct ScriptedUser {
    struct Reply {
        bool ok;
        int32_t index;
        bool applyToAll;
        std::wstring resultPath;
    };
    std::vector<Reply> replies;
    std::vector<ConflictQuestion> asked = {};

    ConflictPolicy::Ask Asker()
    {
        return [this](ConflictQuestion& question) {
            asked.push_back(question);
            const Reply reply = replies.at(asked.size() - 1);
            question.chosenIndex = reply.index;
            question.applyToAll = reply.applyToAll;
            question.resultPath = reply.resultPath;
            return reply.ok;
        };
    }
};

} // namespace

TEST(ConflictPolicy, StoredAnswerPreselectsAndOverwriteForAllAsksNoMore)
{
    TempTree tree;
    const std::wstring source = AddLongPathPrefix(tree.MakeFile(L"src\\a.txt"));
    const std::wstring target = AddLongPathPrefix(tree.MakeFile(L"bk\\a.txt"));
    ScriptedUser user{{{true, 0, true, L""}}};
    ConflictPolicy policy(ConflictAction::AutoGenerate, user.Asker());
    std::wstring asked = target;
    int32_t stored = -1;
    EXPECT_EQ(policy.Resolve(source, asked, &stored), ConflictAction::Overwrite);
    ASSERT_EQ(user.asked.size(), 1u);
    EXPECT_EQ(user.asked[0].chosenIndex, 3);                   // "Rename to" with "Auto generate"
    EXPECT_EQ(user.asked[0].source, tree.Path(L"src\\a.txt")); // shown without the prefix
    EXPECT_EQ(user.asked[0].target, tree.Path(L"bk\\a.txt"));
    EXPECT_EQ(stored, int32_t(ConflictAction::Overwrite));
    EXPECT_EQ(asked, target);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(policy.Resolve(source, asked, nullptr), ConflictAction::Overwrite);
    }
    EXPECT_EQ(user.asked.size(), 1u);

    // The next run starts without "for all", and not at Overwrite: an
    // overwritten backup may be the last copy of a file deleted before.
    ScriptedUser next{{{false, 0, false, L""}}};
    ConflictPolicy nextRun(policy.LastAction(), next.Asker());
    stored = -1;
    EXPECT_EQ(nextRun.Resolve(source, asked, &stored), ConflictAction::Cancel);
    EXPECT_EQ(next.asked.at(0).chosenIndex, 3);
    EXPECT_EQ(stored, -1); // a cancel is not remembered in the settings
}

TEST(ConflictPolicy, TypedRenameIsNeverAppliedToAllAndAutoGenerateIs)
{
    TempTree tree;
    const std::wstring source = AddLongPathPrefix(tree.MakeFile(L"src\\a.txt"));
    const std::wstring target = AddLongPathPrefix(tree.MakeFile(L"bk\\a.txt"));
    ScriptedUser user{{
        {true, 2, true, tree.Path(L"bk\\typed.txt.")},
        {true, 3, true, L""},
    }};
    ConflictPolicy policy(ConflictAction::Overwrite, user.Asker());
    std::wstring renamed = target;
    EXPECT_EQ(policy.Resolve(source, renamed, nullptr), ConflictAction::RenameTo);
    EXPECT_EQ(renamed, AddLongPathPrefix(tree.Path(L"bk\\typed.txt"))); // the trailing dot is not kept
    EXPECT_FALSE(policy.ApplyToAll());

    std::wstring generated = target;
    EXPECT_EQ(policy.Resolve(source, generated, nullptr), ConflictAction::AutoGenerate);
    EXPECT_EQ(user.asked.size(), 2u); // the typed rename did not stand for the next conflict
    EXPECT_NE(generated, target);
    EXPECT_EQ(generated.substr(0, generated.rfind(L'\\')), target.substr(0, target.rfind(L'\\')));
    EXPECT_TRUE(generated.ends_with(L"] a.txt"));

    // From now on every conflict gets a generated name without a question.
    std::wstring again = target;
    EXPECT_EQ(policy.Resolve(source, again, nullptr), ConflictAction::AutoGenerate);
    EXPECT_TRUE(again.ends_with(L"] a.txt"));
    EXPECT_EQ(user.asked.size(), 2u);
}
