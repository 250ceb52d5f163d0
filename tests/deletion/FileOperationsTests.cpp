#include "deletion/BackupNames.h"
#include "deletion/FileOperations.h"
#include "system/LongPath.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;

namespace {

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD Attributes(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str());
}

} // namespace

TEST(FileOperations, ClearReadOnlyClearsThatBitAloneAndRestoreAttributesPutsItBack)
{
    TempTree tree;
    const std::wstring file = tree.MakeFile(L"a.txt", "a");
    if (!AddAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) {
        GTEST_SKIP() << "the file system keeps no hidden attribute here";
    }
    const DWORD before = ClearReadOnly(file);
    EXPECT_EQ(before & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
        DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Attributes(file) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_HIDDEN));

    RestoreAttributes(file, before);
    EXPECT_EQ(Attributes(file), before);

    // A file that went meanwhile is not brought back by the restore.
    ClearReadOnly(file);
    ASSERT_TRUE(::DeleteFileW(file.c_str()));
    RestoreAttributes(file, before);
    EXPECT_FALSE(Exists(file));
}

TEST(FileOperations, RemoveEmptyParentsClimbsUntilAFolderStillHoldsSomething)
{
    TempTree tree;
    tree.MakeFile(L"x\\keep.txt");
    tree.MakeFolder(L"x\\y\\z");
    const std::wstring gone = tree.Path(L"x\\y\\z\\gone.txt");
    RemoveEmptyParents(AddLongPathPrefix(gone));
    EXPECT_FALSE(Exists(tree.Path(L"x\\y\\z")));
    EXPECT_FALSE(Exists(tree.Path(L"x\\y")));
    EXPECT_TRUE(Exists(tree.Path(L"x\\keep.txt")));

    // A subfolder counts as content too.
    tree.MakeFolder(L"p\\q\\sub");
    tree.MakeFolder(L"p\\q\\r");
    RemoveEmptyParents(tree.Path(L"p\\q\\r\\gone.txt"));
    EXPECT_FALSE(Exists(tree.Path(L"p\\q\\r")));
    EXPECT_TRUE(Exists(tree.Path(L"p\\q\\sub")));
}

TEST(FileOperations, PrepareBackupFolderMirrorsEveryComponentAndReusesWhatExists)
{
    TempTree tree;
    const std::wstring root = tree.MakeFolder(L"Bk");
    tree.MakeFile(L"Bk\\C\\old.txt", "old");
    std::wstring out;
    ASSERT_TRUE(PrepareBackupFolder(root, L"C:\\a\\b", out));
    EXPECT_EQ(out, root + L"\\C\\a\\b");
    EXPECT_TRUE(Exists(out));
    EXPECT_TRUE(Exists(root + L"\\C\\old.txt"));

    // A root given with its trailing backslash joins without a doubled one;
    // a network folder keeps its server and share as folders.
    ASSERT_TRUE(PrepareBackupFolder(root + L"\\", L"UNC\\server\\share", out));
    EXPECT_EQ(out, root + L"\\UNC\\server\\share");
    ASSERT_TRUE(PrepareBackupFolder(root, L"", out));
    EXPECT_EQ(out, root);

    // A file in the way of a folder makes the preparation fail.
    tree.MakeFile(L"Bk\\D", "in the way");
    EXPECT_FALSE(PrepareBackupFolder(root, L"D:\\photos", out));
    EXPECT_FALSE(Exists(root + L"\\D\\photos"));
}

TEST(BackupNames, AutoNamesCountUpInTheTargetsFolder)
{
    TempTree tree;
    SYSTEMTIME day{};
    day.wYear = 2026;
    day.wMonth = 12;
    day.wDay = 6;
    const std::wstring target = AddLongPathPrefix(tree.MakeFile(L"a.txt"));
    EXPECT_EQ(MakeAutoBackupName(target, day), AddLongPathPrefix(tree.Path(L"[2026-12-06] a.txt")));
    tree.MakeFile(L"[2026-12-06] a.txt");
    tree.MakeFile(L"[2026-12-06] [1] a.txt");
    EXPECT_EQ(MakeAutoBackupName(target, day), AddLongPathPrefix(tree.Path(L"[2026-12-06] [2] a.txt")));
}

TEST(BackupNames, SuggestionsAndTheNameCheck)
{
    TempTree tree;
    const std::wstring report = tree.MakeFile(L"report.txt");
    tree.MakeFile(L"report (1).txt");
    EXPECT_EQ(SuggestBackupName(report), L"report (2).txt");
    const std::wstring readme = tree.MakeFile(L"README");
    EXPECT_EQ(SuggestBackupName(readme), L"README (1).");
    // A dotted folder does not lend its dot to a file without extension.
    const std::wstring dotted = tree.MakeFile(L"v1.2\\notes");
    EXPECT_EQ(SuggestBackupName(dotted), L"notes (1).");

    EXPECT_TRUE(IsFreeBackupName(report, L"other.txt"));
    EXPECT_FALSE(IsFreeBackupName(report, L"report (1).txt")); // taken
    EXPECT_FALSE(IsFreeBackupName(report, L"c:other.txt"));
    EXPECT_FALSE(IsFreeBackupName(report, L"a?b"));
    EXPECT_FALSE(IsFreeBackupName(report, L"")); // names the folder itself
    EXPECT_EQ(TrimNameEnd(tree.Path(L"README (1).")), tree.Path(L"README (1)"));
}
