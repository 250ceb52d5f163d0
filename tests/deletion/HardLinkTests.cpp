// Hard links in place of duplicates, and the undo of a run: through the real
// worker and clonarium-scan, over trees made here. Every claim is checked on
// the disk: names, folders, contents, which names are one file, times.
#include "deletion/DeleteUndo.h"
#include "deletion/DeleteWorker.h"
#include "deletion/FileOperations.h"
#include "storage/ApplicationFolders.h"
#include "system/FileIdentity.h"
#include "system/Handles.h"
#include "system/LongPath.h"
#include "system/TextEncoding.h"
#include "tests/deletion/DeletionTestSupport.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScanRun.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <stdexcept>

using namespace clonarium;
using vandrelcommon::system::AddLongPathPrefix;
using vandrelcommon::system::FileIdentity;
using vandrelcommon::system::FindHandle;
using vandrelcommon::system::KernelHandle;
using vandrelcommon::system::Utf8FromWide;
using vandrelcommon::system::WideFromUtf8;

namespace {

// What a file is on the disk: which file its name opens, its bytes, its last
// write time, its attributes and its number of names.
struct OnDisk {
    FileIdentity identity;
    std::string content;
    uint64_t written = 0;
    DWORD attributes = 0;
    DWORD links = 0;
};

OnDisk Look(const std::wstring& path)
{
    OnDisk seen;
    const KernelHandle file(::CreateFileW(AddLongPathPrefix(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (file && vandrelcommon::system::IdentifyFile(file.Get(), seen.identity, &information)) {
        seen.written =
            (uint64_t(information.ftLastWriteTime.dwHighDateTime) << 32) | information.ftLastWriteTime.dwLowDateTime;
        seen.attributes = information.dwFileAttributes;
        seen.links = information.nNumberOfLinks;
    }
    seen.content = ReadFileBytes(AddLongPathPrefix(path));
    return seen;
}

// Every file under `folder` (relative names, as the system spells them) with
// its size, bytes and last write time.
std::map<std::wstring, std::string> Snapshot(const std::wstring& folder, const std::wstring& relative = L"")
{
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW entry;
    const FindHandle find(::FindFirstFileW((AddLongPathPrefix(folder) + L"\\*").c_str(), &entry));
    if (!find) {
        return files;
    }
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = folder + L"\\" + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            files[relative + name + L"\\"] = "folder";
            files.merge(Snapshot(path, relative + name + L"\\"));
            continue;
        }
        const OnDisk seen = Look(path);
        files[relative + name] = std::to_string(seen.content.size()) + " bytes, written " +
                                 std::to_string(seen.written) + ": " + seen.content;
    } while (::FindNextFileW(find.Get(), &entry));
    return files;
}

// What clonarium-scan printed for each file: the first word of its line
// ("linked", "restored", ...) or, for "failed" and "skipped", the reason.
std::map<std::wstring, std::wstring> Outcomes(const std::string& out)
{
    std::map<std::wstring, std::wstring> outcomes;
    for (size_t start = 0, end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::wstring line = WideFromUtf8(out.substr(start, end - start));
        for (const wchar_t* word : {L"deleted ", L"linked ", L"restored "}) {
            if (line.starts_with(word)) {
                outcomes[line.substr(wcslen(word))] = std::wstring(word).substr(0, wcslen(word) - 1);
            }
        }
        for (const wchar_t* word : {L"failed ", L"skipped "}) {
            if (line.starts_with(word)) {
                const size_t colon = line.find(L": ", wcslen(word) + 2); // a path holds no ": " after its drive
                outcomes[line.substr(wcslen(word), colon - wcslen(word))] = line.substr(colon + 2);
            }
        }
    }
    return outcomes;
}

// The journal the program and clonarium-scan keep beside this build's
// settings.
std::wstring ProgramJournal()
{
    ApplicationFolders folders;
    ChooseApplicationFolders(SystemFolderRoots(), folders);
    return folders.journalFile;
}

// A folder of the test's own on another volume: Z: is the second drive of
// Wine's prefix, and its \dev\shm a memory file system of its own.
class OtherVolume {
public:
    OtherVolume()
    {
        folder_ = L"Z:\\dev\\shm\\clonarium-link-" + std::to_wstring(::GetCurrentProcessId());
        if (!::CreateDirectoryW(folder_.c_str(), nullptr)) {
            folder_.clear();
        }
    }
    ~OtherVolume()
    {
        if (!folder_.empty()) {
            RemoveUnixTree(folder_);
        }
    }
    const std::wstring& Folder() const { return folder_; }

private:
    std::wstring folder_;
};

std::vector<std::wstring> Leftovers(const std::wstring& folder)
{
    std::vector<std::wstring> left;
    WIN32_FIND_DATAW entry;
    const FindHandle find(::FindFirstFileW((folder + L"\\~clonarium-*").c_str(), &entry));
    if (find) {
        do {
            left.push_back(entry.cFileName);
        } while (::FindNextFileW(find.Get(), &entry));
    }
    return left;
}

class HardLinks : public testing::Test {
protected:
    void SetUp() override { LoadEnglish(); }

    // Runs the worker on this thread in `mode` over the queued files.
    void Run(std::vector<std::unique_ptr<IDeleteItem>> items, DeleteMode mode = DeleteMode::HardLink,
        DeleteWorker* given = nullptr)
    {
        DeleteWorker own;
        DeleteWorker& worker = given != nullptr ? *given : own;
        for (auto& item : items) {
            worker.Enqueue(std::move(item));
        }
        DeleteParameters parameters{mode, false, tree.MakeFolder(L"backup")};
        parameters.journalFile = journal;
        worker.SetParameters(parameters);
        worker.SetCallback(&callback);
        worker.Run();
    }
    std::wstring ReasonFor(const std::wstring& path) const
    {
        for (const auto& [failed, reason] : callback.failed) {
            if (failed == path) {
                return reason;
            }
        }
        return L"(not failed)";
    }

    TempTree tree;
    std::wstring journal = tree.Path(L"run.journal");
    RecordingDeleteCallback callback;
};

std::vector<std::unique_ptr<IDeleteItem>> One(std::unique_ptr<IDeleteItem> item)
{
    std::vector<std::unique_ptr<IDeleteItem>> items;
    items.push_back(std::move(item));
    return items;
}

} // namespace

// Three groups, names of mixed case in folders of their own, a hidden copy
// and a unique file. Every marked name keeps its folder and its spelling and
// opens the kept copy's file; nothing else changes; and a name that is one
// file with its kept copy already is left as it is, freeing nothing.
TEST_F(HardLinks, EveryMarkedNameOpensTheKeptCopyAndKeepsItsPlace)
{
    const FILETIME old = MakeFileTime(131000000000000000ull);
    std::map<std::wstring, std::string> groups = {{L"a\\Photo.JPG", "picture bytes"},
        {L"b\\photo.jpg", "picture bytes"}, {L"c\\Copy of photo.jpg", "picture bytes"}, {L"a\\doc.txt", "a doc"},
        {L"b\\deeper\\doc.txt", "a doc"}, {L"a\\solo.txt", "only one"}};
    for (const auto& [name, content] : groups) {
        const std::wstring path = tree.MakeFile(L"scan\\" + name, content);
        if (name.starts_with(L"a\\")) {
            ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &old)); // kept: the oldest
        }
    }
    const bool hidden = AddAttributes(tree.Path(L"scan\\b\\photo.jpg"), FILE_ATTRIBUTE_HIDDEN);
    const auto before = Snapshot(tree.Path(L"scan"));

    const ScanRun run = RunScan(
        tree, L"--all --no-cache --select keep-oldest-modified --delete hardlink \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    const auto outcomes = Outcomes(run.out);
    EXPECT_EQ(outcomes.size(), 3u) << run.out;
    for (const auto& [path, outcome] : outcomes) {
        EXPECT_EQ(outcome, L"linked") << Utf8FromWide(path);
    }
    std::vector<std::wstring> names;
    for (const auto& [name, state] : Snapshot(tree.Path(L"scan"))) {
        names.push_back(name);
    }
    std::vector<std::wstring> namesBefore;
    for (const auto& [name, state] : before) {
        namesBefore.push_back(name);
    }
    EXPECT_EQ(names, namesBefore) << "names, spellings and folders stay, and no temporary name is left";
    const OnDisk photo = Look(tree.Path(L"scan\\a\\Photo.JPG"));
    EXPECT_EQ(photo.links, 3u);
    for (const wchar_t* name : {L"scan\\b\\photo.jpg", L"scan\\c\\Copy of photo.jpg"}) {
        const OnDisk linked = Look(tree.Path(name));
        EXPECT_TRUE(linked.identity == photo.identity) << Utf8FromWide(name);
        EXPECT_EQ(linked.content, "picture bytes");
        EXPECT_EQ(linked.attributes, photo.attributes) << "the name has the kept copy's attributes";
    }
    if (!hidden) {
        std::cout << "[ note ] no hidden attribute here: the attributes were the kept copy's anyway\n";
    }
    EXPECT_TRUE(Look(tree.Path(L"scan\\b\\deeper\\doc.txt")).identity == Look(tree.Path(L"scan\\a\\doc.txt")).identity);
    EXPECT_EQ(Look(tree.Path(L"scan\\a\\solo.txt")).links, 1u);
    EXPECT_EQ(before.at(L"a\\solo.txt"), Snapshot(tree.Path(L"scan")).at(L"a\\solo.txt"));

    // Names that are one file already: nothing is linked again, nothing freed.
    Run(One(Queued(tree.Path(L"scan\\b\\photo.jpg"), {tree.Path(L"scan\\a\\Photo.JPG")})));
    EXPECT_EQ(callback.linked, std::vector<std::wstring>{tree.Path(L"scan\\b\\photo.jpg")});
    EXPECT_EQ(callback.freed, 0u);
    EXPECT_EQ(Look(tree.Path(L"scan\\a\\Photo.JPG")).links, 3u);
    EXPECT_TRUE(Leftovers(tree.Path(L"scan\\b")).empty());
}

// A kept copy on another volume, a kept copy rewritten after the search, a
// marked file another program holds open, a read-only marked file, a folder
// where nothing may be made, similar pictures: each fails with its reason,
// and both files stay as they were, two files.
TEST_F(HardLinks, EachRefusalLeavesBothFilesAsTheyWere)
{
    struct Case {
        std::wstring marked;
        std::wstring kept;
        std::wstring reason;
    };
    std::vector<Case> cases;
    std::vector<std::unique_ptr<IDeleteItem>> items;
    const auto add = [&](const std::wstring& name, const std::wstring& kept, const std::wstring& reason,
                         bool sameContent = true) {
        cases.push_back({tree.MakeFile(name, "same"), kept, reason});
        items.push_back(Queued(cases.back().marked, {kept}, sameContent));
    };
    const OtherVolume other;
    if (!other.Folder().empty()) {
        const std::wstring distant = other.Folder() + L"\\far.txt";
        ASSERT_TRUE(WriteFileBytes(distant, "same"));
        add(L"volume\\near.txt", distant, English("link-other-volume"));
    } else {
        std::cout << "[ note ] no \\dev\\shm here: the other volume is not tried\n";
    }
    const std::wstring rewritten = tree.MakeFile(L"kept\\rewritten.txt", "same");
    add(L"changed\\marked.txt", rewritten, English("no-kept-copy"));
    const std::wstring kept = tree.MakeFile(L"kept\\k.txt", "same");
    add(L"held\\marked.txt", kept, SystemErrorText(ERROR_SHARING_VIOLATION));
    add(L"read-only\\marked.txt", kept, English("link-read-only"));
    ASSERT_TRUE(AddAttributes(cases.back().marked, FILE_ATTRIBUTE_READONLY));
    add(L"pictures\\marked.txt", kept, English("link-not-exact"), false);
    add(L"closed\\marked.txt", kept, SystemErrorText(ERROR_ACCESS_DENIED));
    const bool immutable = SetImmutable(tree.Path(L"closed"), true);
    if (!immutable) {
        cases.pop_back();
        items.pop_back();
        std::cout << "[ note ] no immutable folders here (chattr): the closed folder is not tried\n";
    }
    // After the search: the kept copy gets other bytes, its size and time kept.
    const FILETIME time = Seen(rewritten).lastWriteTime;
    ASSERT_TRUE(WriteFileBytes(rewritten, "SAME"));
    ASSERT_TRUE(SetFileTimes(rewritten, nullptr, nullptr, &time));
    std::map<std::wstring, OnDisk> before;
    for (const Case& each : cases) {
        before[each.marked] = Look(each.marked);
        before[each.kept] = Look(each.kept);
    }
    {
        KernelHandle holder(
            ::CreateFileW(tree.Path(L"held\\marked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        Run(std::move(items));
    }
    if (immutable) {
        SetImmutable(tree.Path(L"closed"), false);
    }
    EXPECT_TRUE(callback.linked.empty());
    for (const Case& each : cases) {
        SCOPED_TRACE(Utf8FromWide(each.marked));
        EXPECT_EQ(ReasonFor(each.marked), each.reason);
        for (const std::wstring& path : {each.marked, each.kept}) {
            const OnDisk now = Look(path);
            EXPECT_TRUE(now.identity == before[path].identity);
            EXPECT_EQ(now.content, before[path].content);
            EXPECT_EQ(now.attributes, before[path].attributes);
            EXPECT_EQ(now.links, 1u);
        }
        EXPECT_TRUE(Leftovers(each.marked.substr(0, each.marked.rfind(L'\\'))).empty());
    }
    EXPECT_EQ(UndoableFiles(journal), 0u) << "a run that linked nothing leaves nothing to undo";
}

// A drive without hard links (FAT, exFAT, some network shares; the test bed
// has none, so the system's answer is played): its first file says so in
// full, the others briefly, and each stays as it was.
TEST_F(HardLinks, ADriveWithoutLinksIsToldOnceAndTheRunGoesOn)
{
    const std::wstring kept = tree.MakeFile(L"kept\\k.txt", "same");
    std::vector<std::unique_ptr<IDeleteItem>> items;
    std::vector<std::wstring> marked;
    for (const wchar_t* name : {L"a\\1.txt", L"b\\2.txt", L"c\\3.txt"}) {
        marked.push_back(tree.MakeFile(name, "same"));
        items.push_back(Queued(marked.back(), {kept}));
    }
    DeleteWorker worker;
    int tries = 0;
    worker.SetMakeLinkForTest([&tries](const std::wstring&, const std::wstring&) {
        ++tries;
        ::SetLastError(ERROR_INVALID_FUNCTION);
        return false;
    });
    Run(std::move(items), DeleteMode::HardLink, &worker);
    EXPECT_EQ(tries, 1) << "the drive is not asked again";
    EXPECT_TRUE(callback.linked.empty());
    EXPECT_EQ(ReasonFor(marked[0]), English("no-hard-links"));
    EXPECT_EQ(ReasonFor(marked[1]), English("no-hard-links-here"));
    EXPECT_EQ(ReasonFor(marked[2]), English("no-hard-links-here"));
    for (const std::wstring& path : marked) {
        EXPECT_EQ(Look(path).content, "same");
        EXPECT_EQ(Look(path).links, 1u);
        EXPECT_TRUE(Leftovers(path.substr(0, path.rfind(L'\\'))).empty());
    }
    EXPECT_EQ(Look(kept).links, 1u);
    EXPECT_EQ(UndoableFiles(journal), 0u);
}

// The run stops, as a crash would, after the link is made and before it
// takes the name: the name still holds its own file, and the next run
// removes the temporary name, which is only a second name of the kept copy.
// Nor does a file another program puts under that name ever take it.
TEST_F(HardLinks, AStopBetweenTheLinkAndTheMoveLeavesTheNameAndTheNextRunTidiesUp)
{
    const std::wstring kept = tree.MakeFile(L"kept\\k.txt", "same");
    const std::wstring marked = tree.MakeFile(L"marked\\m.txt", "same");
    {
        // Gone with the worker, as with the program: its handles close.
        DeleteWorker crashing;
        crashing.SetBeforeLinkMovesForTest([] { throw std::runtime_error("stopped"); });
        EXPECT_THROW(Run(One(Queued(marked, {kept})), DeleteMode::HardLink, &crashing), std::runtime_error);
    }
    EXPECT_EQ(Look(marked).links, 1u);
    EXPECT_EQ(Look(marked).content, "same");
    EXPECT_FALSE(Look(marked).identity == Look(kept).identity);
    const std::vector<std::wstring> left = Leftovers(tree.Path(L"marked"));
    ASSERT_EQ(left.size(), 1u) << "the crash left the link under its temporary name";
    EXPECT_TRUE(Look(tree.Path(L"marked\\" + left[0])).identity == Look(kept).identity);
    EXPECT_EQ(UndoableFiles(journal), 1u) << "the undo will look at the disk";

    // The next run, of any mode, tidies first; here it deletes another file.
    const std::wstring other = tree.MakeFile(L"other\\o.txt", "same");
    Run(One(Queued(other, {kept})), DeleteMode::Permanently);
    EXPECT_TRUE(Leftovers(tree.Path(L"marked")).empty());
    EXPECT_EQ(Look(kept).links, 1u);
    EXPECT_EQ(Look(kept).content, "same");
    EXPECT_EQ(Look(marked).content, "same");

    // Another program takes the temporary name before the move: its file
    // never reaches the marked name, and stays its own.
    const FILETIME old = MakeFileTime(131000000000000000ull);
    ASSERT_TRUE(SetFileTimes(kept, nullptr, nullptr, &old));
    const std::wstring raced = tree.MakeFile(L"raced\\m.txt", "same");
    std::wstring impostor;
    DeleteWorker racing;
    racing.SetBeforeLinkMovesForTest([&] {
        impostor = tree.Path(L"raced\\" + Leftovers(tree.Path(L"raced")).at(0));
        ASSERT_TRUE(::DeleteFileW(impostor.c_str()));
        ASSERT_TRUE(WriteFileBytes(impostor, "SAME"));
    });
    Run(One(Queued(raced, {kept})), DeleteMode::HardLink, &racing);
    EXPECT_EQ(ReasonFor(raced), English("no-kept-copy"));
    EXPECT_EQ(Look(raced).content, "same");
    EXPECT_EQ(Look(raced).links, 1u);
    EXPECT_EQ(ReadFileBytes(impostor), "SAME");
    EXPECT_EQ(Look(kept).links, 1u);
}

// Each mode that can be undone, through clonarium-scan, and the undo as a
// second run of it (a restart): the tree is back with its names, sizes,
// contents and last write times. A place taken meanwhile is skipped with a
// reason and never overwritten; once free, a second undo puts the file back.
TEST_F(HardLinks, UndoPutsTheTreeBackAfterEachModeEvenAfterARestart)
{
    const std::wstring programJournal = ProgramJournal();
    ASSERT_FALSE(programJournal.empty());
    for (const wchar_t* mode : {L"hardlink", L"backup:", L"recycle"}) {
        SCOPED_TRACE(Utf8FromWide(mode));
        const std::wstring scan = tree.MakeFolder(L"undo-" + std::wstring(mode).substr(0, 3));
        const FILETIME old = MakeFileTime(131000000000000000ull);
        const FILETIME newer = MakeFileTime(132000000000000000ull);
        for (const wchar_t* name : {L"\\a\\1.txt", L"\\b\\1.txt", L"\\c\\d\\1.txt", L"\\a\\2.txt", L"\\b\\2.txt"}) {
            const std::wstring path = tree.MakeFile(scan.substr(tree.Root().size() + 1) + name,
                std::string("content of ") + (wcschr(name, L'1') ? "one" : "two") + " " + Utf8FromWide(mode));
            ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, wcsstr(name, L"\\a\\") ? &old : &newer));
        }
        const auto before = Snapshot(scan);
        std::wstring deletion = mode;
        if (deletion == L"backup:") {
            deletion += L"\"" + tree.MakeFolder(L"backup") + L"\"";
        }
        const ScanRun run = RunScan(
            tree, L"--all --no-cache --select keep-oldest-modified --delete " + deletion + L" \"" + scan + L"\"");
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
        ASSERT_EQ(Outcomes(run.out).size(), 3u) << run.out;
        ASSERT_EQ(UndoableFiles(programJournal), 3u);

        // Another file takes one place meanwhile.
        const std::wstring taken = scan + L"\\b\\2.txt";
        if (deletion != L"hardlink") {
            ASSERT_TRUE(WriteFileBytes(taken, "a newcomer"));
        }
        const ScanRun undo = RunScan(tree, L"--undo");
        const auto undone = Outcomes(undo.out);
        if (deletion != L"hardlink") {
            EXPECT_EQ(undone.at(taken), English("undo-place-taken"));
            EXPECT_EQ(ReadFileBytes(taken), "a newcomer");
            ASSERT_TRUE(::DeleteFileW(taken.c_str()));
        }
        if (deletion == L"recycle" &&
            undo.out.find(Utf8FromWide(English("undo-recycle-bin-refused"))) != std::string::npos) {
            // Wine's bin names no verb for its Restore command: the files stay
            // in the bin, and the journal keeps them for a later undo.
            for (const auto& [path, outcome] : undone) {
                EXPECT_TRUE(path == taken || outcome == English("undo-recycle-bin-refused")) << Utf8FromWide(path);
                EXPECT_TRUE(TrashFiles().empty() || !Snapshot(TrashFiles()).empty());
            }
            EXPECT_EQ(undo.exitCode, 1);
            EXPECT_EQ(UndoableFiles(programJournal), 3u);
            std::cout << "[ note ] the Recycle Bin gave nothing back here (Wine): its files wait there\n";
            continue;
        }
        if (deletion != L"hardlink") {
            EXPECT_EQ(undo.exitCode, 1) << undo.out;
            EXPECT_EQ(UndoableFiles(programJournal), 1u);
            const ScanRun again = RunScan(tree, L"--undo");
            EXPECT_EQ(Outcomes(again.out), (std::map<std::wstring, std::wstring>{{taken, L"restored"}}));
        } else {
            EXPECT_EQ(undo.exitCode, 0) << undo.out;
            EXPECT_EQ(undone.size(), 3u) << undo.out;
        }
        EXPECT_EQ(Snapshot(scan), before);
        EXPECT_EQ(UndoableFiles(programJournal), 0u);
        EXPECT_EQ(Look(scan + L"\\a\\1.txt").links, 1u);
    }

    // A permanent deletion has no undo.
    tree.MakeFile(L"permanent\\a\\x.txt", "x");
    tree.MakeFile(L"permanent\\b\\x.txt", "x");
    const ScanRun run =
        RunScan(tree, L"--all --no-cache --select keep-first --delete permanent \"" + tree.Path(L"permanent") + L"\"");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(UndoableFiles(programJournal), 0u);
    const ScanRun undo = RunScan(tree, L"--undo");
    EXPECT_EQ(undo.out, "");
    EXPECT_EQ(undo.exitCode, 0);
}
