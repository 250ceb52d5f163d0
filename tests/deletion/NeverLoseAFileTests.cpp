// The promise of every deletion: a file nobody marked is never touched, the
// last copy of anything never goes, and what is reported is what the disk
// shows. Each case goes through the real worker or clonarium-scan, in all
// three modes, over trees made here, and checks every claim on the disk.
#include "deletion/DeleteWorker.h"
#include "deletion/FileOperations.h"
#include "storage/SearchPresets.h"
#include "system/Handles.h"
#include "system/IniFile.h"
#include "system/LongPath.h"
#include "system/TextEncoding.h"
#include "tests/deletion/DeletionTestSupport.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FindHandle;
using vandrelcommon::system::KernelHandle;
using vandrelcommon::system::Utf8FromWide;
using vandrelcommon::system::WideFromUtf8;

namespace {

struct Mode {
    DeleteMode mode;
    const wchar_t* option; // of clonarium-scan's --delete, without the backup folder
};
const Mode kModes[] = {
    {DeleteMode::ToRecycleBin, L"recycle"},
    {DeleteMode::Permanently, L"permanent"},
    {DeleteMode::BackupInFolder, L"backup:"},
};

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(AddLongPathPrefix(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Content(const std::wstring& path)
{
    return ReadFileBytes(AddLongPathPrefix(path));
}

// Names the system would tidy are made through the long-path form.
std::wstring MakeExact(const TempTree& tree, const std::wstring& relative, const std::string& content)
{
    const std::wstring path = tree.Path(relative);
    tree.MakeFolder(relative.substr(0, relative.rfind(L'\\')));
    EXPECT_TRUE(WriteFileBytes(AddLongPathPrefix(path), content)) << Utf8FromWide(relative);
    return path;
}

// Where Wine's Recycle Bin keeps the files it takes: the Trash of the
// XDG_DATA_HOME the test program runs with. Empty without one.
std::wstring TrashFiles()
{
    wchar_t data[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"XDG_DATA_HOME", data, MAX_PATH) == 0 || data[0] != L'/') {
        return {};
    }
    std::wstring trash = std::wstring(L"Z:") + data + L"/Trash/files";
    std::replace(trash.begin(), trash.end(), L'/', L'\\');
    return trash;
}

// The name the Trash holds the file under: its own, or its own with a
// number when the Trash held that name already.
bool InTrash(const std::wstring& name, const std::string& content)
{
    WIN32_FIND_DATAW entry;
    const std::wstring trash = TrashFiles();
    FindHandle find(::FindFirstFileW(AddLongPathPrefix(trash + L"\\" + name + L"*").c_str(), &entry));
    if (!find) {
        return false;
    }
    do {
        const std::wstring found = entry.cFileName;
        if ((found == name || found.rfind(name + L"-", 0) == 0) && Content(trash + L"\\" + found) == content) {
            return true;
        }
    } while (::FindNextFileW(find.Get(), &entry));
    return false;
}

// The outcome clonarium-scan printed for each file: "deleted", or the reason.
std::map<std::wstring, std::wstring> Outcomes(const std::string& out)
{
    std::map<std::wstring, std::wstring> outcomes;
    for (size_t start = 0, end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::wstring line = WideFromUtf8(out.substr(start, end - start));
        if (line.rfind(L"deleted ", 0) == 0) {
            outcomes[line.substr(8)] = L"deleted";
        } else if (line.rfind(L"failed ", 0) == 0) {
            // "failed PATH: REASON"; a path holds no ": " after its drive.
            const size_t colon = line.find(L": ", 9);
            outcomes[line.substr(7, colon - 7)] = line.substr(colon + 2);
        }
    }
    return outcomes;
}

class NeverLoseAFile : public testing::Test {
protected:
    void SetUp() override { LoadEnglish(); }

    // clonarium-scan over `root`, keeping the oldest file of each group and
    // deleting the rest in `mode`; the backup goes to a folder of the tree.
    ScanRun ScanAndDelete(const Mode& mode, const std::wstring& root, const std::wstring& more = L"")
    {
        std::wstring deletion = mode.option;
        if (mode.mode == DeleteMode::BackupInFolder) {
            deletion += L"\"" + tree.MakeFolder(L"backup") + L"\"";
        }
        return RunScan(
            tree, L"--all " + more + L" --select keep-oldest-modified --delete " + deletion + L" \"" + root + L"\"");
    }

    // Every file the tool reported deleted is gone (and, in backup mode, its
    // copy is in the mirror); every file it reported failed is there with its
    // content; and no line of the output is empty but those between groups.
    void ExpectOutputAgreesWithTheDisk(
        const Mode& mode, const ScanRun& run, const std::map<std::wstring, std::string>& contents)
    {
        const size_t first = std::min(run.out.find("\r\n\r\ndeleted "), run.out.find("\r\n\r\nfailed "));
        ASSERT_NE(first, std::string::npos) << run.out;
        const std::string deletions = run.out.substr(first + 4);
        EXPECT_EQ(deletions.find("\r\n\r\n"), std::string::npos) << "an empty line among the outcomes:\n" << deletions;
        for (const auto& [path, outcome] : Outcomes(run.out)) {
            SCOPED_TRACE(Utf8FromWide(path + L": " + outcome));
            EXPECT_FALSE(outcome.empty());
            if (outcome != L"deleted") {
                EXPECT_TRUE(Exists(path));
                EXPECT_EQ(Content(path), contents.at(path));
                continue;
            }
            EXPECT_FALSE(Exists(path));
            if (mode.mode == DeleteMode::BackupInFolder) {
                std::wstring mirror;
                ASSERT_TRUE(PrepareBackupFolder(tree.Path(L"backup"), path.substr(0, path.rfind(L'\\')), mirror));
                EXPECT_EQ(Content(mirror + path.substr(path.rfind(L'\\'))), contents.at(path));
            } else if (mode.mode == DeleteMode::ToRecycleBin && !TrashFiles().empty()) {
                EXPECT_TRUE(InTrash(path.substr(path.rfind(L'\\') + 1), contents.at(path)));
            }
        }
    }

    TempTree tree;
};

// Immutable flags a test sets, cleared again whatever happens, so that the
// tree can be removed.
class ImmutableFlags {
public:
    ~ImmutableFlags()
    {
        for (const std::wstring& path : set_) {
            SetImmutable(path, false);
        }
    }
    bool Set(const std::wstring& path)
    {
        set_.push_back(path);
        return SetImmutable(path, true);
    }

private:
    std::vector<std::wstring> set_;
};

} // namespace

// 1. Two copies named "report." and a unique "report" beside each: the shell,
// handed "report." without the long-path prefix, would reach "report".
TEST_F(NeverLoseAFile, ANameTheShellWouldTidyNeverReachesItsSibling)
{
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(Utf8FromWide(mode.option));
        std::map<std::wstring, std::string> contents;
        std::vector<std::wstring> siblings;
        const std::wstring run = L"run-" + std::wstring(mode.option).substr(0, 3);
        for (const wchar_t* folder : {L"\\a\\", L"\\b\\"}) {
            for (const auto& [name, sibling] : {std::pair{L"report.", L"report"}, {L"name ", L"name"}}) {
                const std::wstring twin = MakeExact(tree, run + folder + name, "twin " + Utf8FromWide(name));
                const std::wstring unique =
                    MakeExact(tree, run + folder + sibling, Utf8FromWide(run + folder + sibling));
                contents[twin] = Content(twin);
                contents[unique] = Content(unique);
                siblings.push_back(unique);
            }
        }
        ASSERT_TRUE(Exists(tree.Path(run + L"\\a\\report."))) << "no name with a trailing dot here";

        const ScanRun result = ScanAndDelete(mode, tree.Path(run), L"--no-cache");
        for (const std::wstring& sibling : siblings) {
            EXPECT_EQ(Content(sibling), contents[sibling]) << Utf8FromWide(sibling);
        }
        const std::map<std::wstring, std::wstring> outcomes = Outcomes(result.out);
        ASSERT_EQ(outcomes.size(), 2u) << result.out << result.err;
        for (const auto& [path, outcome] : outcomes) {
            if (mode.mode == DeleteMode::ToRecycleBin) {
                EXPECT_EQ(outcome, English("name-not-for-shell")) << Utf8FromWide(path);
            } else {
                EXPECT_EQ(outcome, L"deleted") << Utf8FromWide(path);
            }
        }
        EXPECT_EQ(result.exitCode, mode.mode == DeleteMode::ToRecycleBin ? 1 : 0) << result.err;
        ExpectOutputAgreesWithTheDisk(mode, result, contents);
    }
}

// 2. A Recycle Bin that cannot take files (its folder made immutable), and
// files opened now and then by another program while the run goes on: no
// file is deleted for good.
TEST_F(NeverLoseAFile, TheRecycleBinModeNeverDeletesForGood)
{
    const std::wstring trash = TrashFiles();
    if (trash.empty()) {
        GTEST_SKIP() << "no XDG_DATA_HOME of the test's own: Wine's Recycle Bin would be the user's";
    }
    const std::wstring kept = tree.MakeFile(L"kept\\k.bin", "same bytes");
    std::vector<std::wstring> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(tree.MakeFile(L"refused\\r" + std::to_wstring(i) + L".bin", "same bytes"));
    }
    {
        tree.MakeFolder(L"warm-up");
        // The run makes the Trash folders when it first needs them.
        RecordingDeleteCallback warmUp;
        DeleteWorker worker;
        worker.Enqueue(Queued(tree.MakeFile(L"warm-up\\w.bin", "same bytes"), {kept}));
        worker.SetParameters({DeleteMode::ToRecycleBin, false, L""});
        worker.SetCallback(&warmUp);
        worker.Run();
        ASSERT_EQ(warmUp.deleted.size(), 1u) << "the Recycle Bin does not work here";
    }
    {
        ImmutableFlags flags;
        if (!flags.Set(trash)) {
            GTEST_SKIP() << "no immutable folders here (chattr)";
        }
        RecordingDeleteCallback callback;
        DeleteWorker worker;
        for (const std::wstring& path : queued) {
            worker.Enqueue(Queued(path, {kept}));
        }
        worker.SetParameters({DeleteMode::ToRecycleBin, false, L""});
        worker.SetCallback(&callback);
        worker.Run();
        EXPECT_TRUE(callback.deleted.empty());
        ASSERT_EQ(callback.failed.size(), queued.size());
        for (const auto& [path, reason] : callback.failed) {
            EXPECT_EQ(reason, English("recycle-bin-refused")) << Utf8FromWide(path);
            EXPECT_EQ(Content(path), "same bytes") << Utf8FromWide(path);
        }
    }

    // With a working bin, each file is opened again and again, for reading
    // and writing, by a program that lets nobody delete it meanwhile.
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(Utf8FromWide(mode.option));
        const std::wstring folder = L"held-" + std::wstring(mode.option).substr(0, 3);
        std::vector<std::wstring> files;
        for (int i = 0; i < 30; ++i) {
            files.push_back(tree.MakeFile(folder + L"\\h" + std::to_wstring(i) + L".bin", "same bytes"));
        }
        std::atomic<bool> done = false;
        std::thread holder([&] {
            for (size_t i = 0; !done; i = (i + 1) % files.size()) {
                KernelHandle held(::CreateFileW(files[i].c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
                ::Sleep(i % 3);
            }
        });
        RecordingDeleteCallback callback;
        DeleteWorker worker;
        for (const std::wstring& path : files) {
            worker.Enqueue(Queued(path, {kept}));
        }
        worker.SetParameters({mode.mode, false, tree.MakeFolder(L"backup")});
        worker.SetCallback(&callback);
        worker.Run();
        done = true;
        holder.join();
        EXPECT_EQ(callback.deleted.size() + callback.failed.size(), files.size());
        for (const std::wstring& path : callback.deleted) {
            EXPECT_FALSE(Exists(path)) << Utf8FromWide(path);
            if (mode.mode == DeleteMode::ToRecycleBin) {
                EXPECT_TRUE(InTrash(path.substr(path.rfind(L'\\') + 1), "same bytes")) << Utf8FromWide(path);
            }
        }
        for (const auto& [path, reason] : callback.failed) {
            EXPECT_EQ(Content(path), "same bytes") << Utf8FromWide(path) << ": " << Utf8FromWide(reason);
        }
    }
    EXPECT_EQ(Content(kept), "same bytes");
}

// 3. A kept copy rewritten with its size and time kept is no copy, whether
// the search saw the old bytes or trusted its cache for them.
TEST_F(NeverLoseAFile, EveryModeComparesTheKeptCopyByteForByte)
{
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(Utf8FromWide(mode.option));
        const std::wstring folder = L"cmp-" + std::wstring(mode.option).substr(0, 3);
        const std::wstring marked = tree.MakeFile(folder + L"\\b\\copy.txt", "the only content");
        const std::wstring kept = tree.MakeFile(folder + L"\\a\\copy.txt", "the only content");
        const FILETIME time = MakeFileTime(132000000000000000ull);
        ASSERT_TRUE(SetFileTimes(marked, nullptr, nullptr, &time));
        ASSERT_TRUE(SetFileTimes(kept, nullptr, nullptr, &time));
        // The first search keeps the digests; the second trusts them.
        ASSERT_EQ(RunScan(tree, L"--all \"" + tree.Path(folder) + L"\"").exitCode, 0);
        ASSERT_TRUE(WriteFileBytes(kept, "ANOTHER contents"));
        ASSERT_EQ(ReadFileBytes(kept).size(), std::string("the only content").size());
        ASSERT_TRUE(SetFileTimes(kept, nullptr, nullptr, &time));

        const ScanRun run = ScanAndDelete(mode, tree.Path(folder));
        const std::map<std::wstring, std::wstring> outcomes = Outcomes(run.out);
        ASSERT_EQ(outcomes.size(), 1u) << run.out << "the cache grouped them";
        EXPECT_EQ(outcomes.begin()->second, English("no-kept-copy"));
        EXPECT_EQ(Content(marked), "the only content");
        EXPECT_EQ(Content(kept), "ANOTHER contents");
        EXPECT_EQ(run.exitCode, 1);
    }
}

// 4. Files the system cannot remove, though every call says it did: an
// immutable file, and a file in an immutable folder.
TEST_F(NeverLoseAFile, AFileReportedDeletedIsGone)
{
    ImmutableFlags flags;
    for (const Mode& mode : kModes) {
        SCOPED_TRACE(Utf8FromWide(mode.option));
        const std::wstring folder = L"gone-" + std::wstring(mode.option).substr(0, 3);
        std::map<std::wstring, std::string> contents;
        for (const wchar_t* name :
            {L"\\a\\1.bin", L"\\b\\1.bin", L"\\a\\2.bin", L"\\c\\2.bin", L"\\a\\3.bin", L"\\d\\3.bin"}) {
            const std::wstring path = tree.MakeFile(folder + name, "content " + Utf8FromWide(name).substr(3));
            contents[path] = Content(path);
        }
        // The files of folder a are the oldest, and kept.
        for (const auto& [path, content] : contents) {
            const bool old = path.find(L"\\a\\") != std::wstring::npos;
            const FILETIME time = MakeFileTime(old ? 131000000000000000ull : 132000000000000000ull);
            ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &time));
        }
        if (!flags.Set(tree.Path(folder + L"\\b\\1.bin")) || !flags.Set(tree.Path(folder + L"\\c"))) {
            GTEST_SKIP() << "no immutable files here (chattr)";
        }
        const ScanRun run = ScanAndDelete(mode, tree.Path(folder), L"--no-cache");
        const std::map<std::wstring, std::wstring> outcomes = Outcomes(run.out);
        ASSERT_EQ(outcomes.size(), 3u) << run.out;
        EXPECT_NE(outcomes.at(tree.Path(folder + L"\\b\\1.bin")), L"deleted");
        EXPECT_NE(outcomes.at(tree.Path(folder + L"\\c\\2.bin")), L"deleted");
        EXPECT_EQ(outcomes.at(tree.Path(folder + L"\\d\\3.bin")), L"deleted");
        EXPECT_EQ(run.exitCode, 1);
        ExpectOutputAgreesWithTheDisk(mode, run, contents);
    }
}

// 5. A hard link and a symbolic link to a file of the tree are that file:
// never a group with it, however the roots are given.
TEST_F(NeverLoseAFile, OneFileUnderSeveralNamesIsOneFile)
{
    const std::wstring original = tree.MakeFile(L"scan\\one\\a.txt", "same");
    tree.MakeFolder(L"scan\\two");
    ASSERT_TRUE(::CreateHardLinkW(tree.Path(L"scan\\two\\hard.txt").c_str(), original.c_str(), nullptr));
    ASSERT_TRUE(MakeSymbolicLink(tree.Path(L"scan\\two\\soft.txt"), original, false));
    for (const std::wstring& roots : {L"\"" + tree.Path(L"scan") + L"\"",
             L"\"" + tree.Path(L"scan\\two") + L"\" \"" + tree.Path(L"scan\\one") + L"\""}) {
        for (const wchar_t* cache : {L"", L"--no-cache "}) {
            const ScanRun run = RunScan(tree, L"--all " + std::wstring(cache) + roots);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.out, "") << Utf8FromWide(roots);
            EXPECT_NE(run.err.find("groups: 0\r\n"), std::string::npos) << run.err;
        }
    }
    // A true copy makes a group of two, whichever name of the file comes first.
    const std::wstring copy = tree.MakeFile(L"scan\\copy.txt", "same");
    for (const wchar_t* cache : {L"", L"--no-cache "}) {
        const ScanRun run = RunScan(tree, L"--all " + std::wstring(cache) + L"\"" + tree.Path(L"scan") + L"\"");
        EXPECT_NE(run.err.find("groups: 1\r\nduplicate files: 2\r\n"), std::string::npos) << run.err << run.out;
        EXPECT_NE(run.out.find(Utf8FromWide(copy)), std::string::npos) << run.out;
    }
    EXPECT_EQ(Content(original), "same");
}

// 6. A protected folder whose path is longer than a line the settings reader
// once took whole, and a preset line that tried to carry a key of its own.
TEST_F(NeverLoseAFile, AProtectedFolderIsHonouredWhateverTheLengthOfItsPath)
{
    std::wstring relative = L"scan";
    while (tree.Path(relative).size() < 1100) {
        relative += L"\\" + std::wstring(200, L'p');
    }
    const std::wstring guarded = tree.MakeFile(relative + L"\\guarded.txt", "same");
    const std::wstring other = tree.MakeFile(L"scan\\other.txt", "same");
    ASSERT_GT(tree.Path(relative).size(), 1021u);
    SearchParameters preset;
    preset.ProtectFolders = true;
    preset.ProtectedFolders = {tree.Path(relative)};
    preset.UseIgnoreMasks = false;
    const std::wstring presetFile = tree.Path(L"long.prs");
    ASSERT_TRUE(SavePreset(preset, presetFile));

    for (const Mode& mode : kModes) {
        SCOPED_TRACE(Utf8FromWide(mode.option));
        std::wstring deletion = mode.option;
        if (mode.mode == DeleteMode::BackupInFolder) {
            deletion += L"\"" + tree.MakeFolder(L"backup") + L"\"";
        }
        const ScanRun run = RunScan(tree, L"--preset \"" + presetFile + L"\" --no-cache --select keep-last --delete " +
                                              deletion + L" \"" + tree.Path(L"scan") + L"\"");
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find("protected folders skipped: 1\r\n"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << "the guarded file is in no group";
        EXPECT_EQ(Content(guarded), "same");
        EXPECT_EQ(Content(other), "same");
    }

    // Cut at 1,023 characters, the note's line gave the preset a name of its
    // choosing, written into the file when the preset was saved back.
    const std::wstring note = std::wstring(1018, L'x') + L"PresetName=Evil";
    const std::wstring hostile =
        tree.MakeFile(L"hostile.prs", Utf16File(L"[General]\nPresetName=Fair\nNote=" + note + L"\n"));
    SearchParameters loaded;
    ASSERT_TRUE(LoadPreset(loaded, hostile)); // reads the file and saves it back
    EXPECT_EQ(loaded.PresetName, L"Fair");
    SearchParameters reread;
    ASSERT_TRUE(ReadPresetFile(reread, hostile));
    EXPECT_EQ(reread.PresetName, L"Fair");
    vandrelcommon::system::IniFile saved;
    ASSERT_TRUE(saved.Load(hostile));
    EXPECT_EQ(saved.GetString(L"General", L"Note", L""), note);
}
