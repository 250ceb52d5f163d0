#include "deletion/BackupNames.h"
#include "deletion/FileOperations.h"
#include "system/Handles.h"
#include "system/LongPath.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <cwctype>

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

TEST(FileOperations, TheShellIsHandedOnlyNamesItTakesUnaltered)
{
    for (const wchar_t* taken : {L"C:\\a\\report.txt", L"\\\\?\\C:\\a\\report", L"\\\\?\\UNC\\server\\share\\a.txt",
             L"C:\\a b\\.hidden", L"C:\\console\\con_x.txt", L"C:\\a\\COM10.txt", L"C:\\a\\ lead"}) {
        EXPECT_TRUE(ShellTakesName(taken)) << taken;
    }
    // The shell would drop a trailing dot or blank and reach the sibling,
    // open a device, or be unable to take the path at all.
    for (const wchar_t* refused : {L"\\\\?\\C:\\a\\report.", L"\\\\?\\C:\\a\\name ", L"\\\\?\\C:\\dir.\\a.txt",
             L"\\\\?\\C:\\dir \\a.txt", L"\\\\?\\C:\\a\\NUL", L"\\\\?\\C:\\a\\con.txt", L"\\\\?\\C:\\a\\Aux .log",
             L"\\\\?\\C:\\a\\lpt1", L"\\\\?\\C:\\a\\COM\u00b9.txt", L"\\\\?\\C:\\a\\CONOUT$", L"\\\\?\\C:\\a\\..",
             L"\\\\?\\C:\\a\\\\b.txt", L"relative\\a.txt", L"\\\\?\\GLOBALROOT\\Device\\x"}) {
        EXPECT_FALSE(ShellTakesName(refused)) << refused;
    }
    const std::wstring longest = L"C:\\" + std::wstring(MAX_PATH - 4, L'x');
    EXPECT_TRUE(ShellTakesName(longest));
    EXPECT_FALSE(ShellTakesName(longest + L"x")) << "past MAX_PATH";
}

TEST(FileOperations, AReasonIsOneLine)
{
    for (const DWORD error : {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_FILE_EXISTS}) {
        const std::wstring text = SystemErrorText(error);
        EXPECT_FALSE(text.empty());
        EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
        EXPECT_FALSE(iswspace(text.back()));
    }
}

TEST(FileOperations, ACopyOfAnOpenFileKeepsItsTimesAndAttributesOrLeavesNothing)
{
    TempTree tree;
    const std::wstring source = tree.MakeFile(L"s\\a.bin", std::string(3 << 20, 'z') + "tail");
    const FILETIME time = MakeFileTime(131000000000000000ull);
    ASSERT_TRUE(SetFileTimes(source, nullptr, nullptr, &time));
    ASSERT_TRUE(AddAttributes(source, FILE_ATTRIBUTE_READONLY));
    vandrelcommon::system::KernelHandle file(
        ::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    char first = 0;
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(file.Get(), &first, 1, &got, nullptr)); // the copy starts at the start anyway
    const std::wstring target = tree.MakeFolder(L"t") + L"\\a.bin";
    ASSERT_TRUE(CopyOpenFile(file.Get(), target));
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(source));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &time), 0);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, 0u);

    // The target exists: the copy fails and leaves it as it was.
    ::SetLastError(0);
    EXPECT_FALSE(CopyOpenFile(file.Get(), target));
    EXPECT_EQ(::GetLastError(), DWORD(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(source));
    // Into a folder that is not there: nothing is left behind.
    EXPECT_FALSE(CopyOpenFile(file.Get(), tree.Path(L"missing\\a.bin")));
    EXPECT_FALSE(Exists(tree.Path(L"missing")));
}
