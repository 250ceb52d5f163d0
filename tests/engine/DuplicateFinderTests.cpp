#include "engine/ContentDigest.h"
#include "engine/DuplicateFinder.h"
#include "system/Handles.h"

#include "tests/engine/AdmitAll.h"
#include "tests/support/TempTree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end()); // the tests' names are ASCII
}

// Writes down every call a finder makes, with file names relative to the
// tree, and lets a test act at chosen points.
class EventLog : public ISearchProcessCallback {
public:
    explicit EventLog(const TempTree& tree) : root_(tree.Root() + L"\\") { }

    void OnStarted() override
    {
        events.push_back("started");
        IControlCallback::OnStarted();
    }
    bool IsCanceled() override
    {
        if (stage_ == StageComparing) {
            ++checksWhileComparing;
        }
        if (beforeCheck) {
            beforeCheck();
        }
        return IControlCallback::IsCanceled();
    }
    void OnFinished() override
    {
        events.push_back("finished");
        IControlCallback::OnFinished();
    }
    void OnFileCompared(uint64_t size) override
    {
        events.push_back("compared " + std::to_string(size));
        if (afterCompared) {
            afterCompared();
        }
    }
    void OnGroupFound(const FileGroup& group) override
    {
        std::string event = "group ";
        event.append(std::to_string(group.size)).append(":");
        for (const FileRecord& file : group.files) {
            event.append(" ").append(Narrow(file.path.substr(file.path.find(root_) == 0 ? root_.size() : 0)));
        }
        events.push_back(event);
    }
    void SetFilesToCompare(int64_t count) override
    {
        events.push_back("to compare " + std::to_string(count));
        if (atFilesToCompare) {
            atFilesToCompare();
        }
    }
    void OnFileIndexed(bool) override
    {
        if (afterIndexed) {
            afterIndexed();
        }
    }
    void RefreshProgress() override { events.push_back("refresh"); }
    void OnProtectedFolderSkipped() override { events.push_back("protected"); }
    void SetStage(int32_t stage) override
    {
        stage_ = stage;
        events.push_back("stage " + std::to_string(stage));
    }
    void OnFileNotRead(const std::wstring&) override { events.push_back("not read"); }
    void OnFolderNotRead(const std::wstring&) override { events.push_back("folder not read"); }

    std::vector<std::string> Groups() const
    {
        std::vector<std::string> groups;
        std::copy_if(events.begin(), events.end(), std::back_inserter(groups),
            [](const std::string& e) { return e.rfind("group", 0) == 0; });
        return groups;
    }
    size_t Count(const std::string& prefix) const
    {
        return std::count_if(
            events.begin(), events.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    }

    std::vector<std::string> events;
    int checksWhileComparing = 0;
    std::function<void()> beforeCheck;
    std::function<void()> afterCompared;
    std::function<void()> afterIndexed;
    std::function<void()> atFilesToCompare;

private:
    std::wstring root_;
    int32_t stage_ = -1;
};

std::vector<std::string> Find(const TempTree& tree, EventLog& log, std::vector<SearchRoot> roots = {},
    const SearchParameters& parameters = AdmitAll())
{
    if (roots.empty()) {
        roots.push_back({tree.Root(), true});
    }
    DuplicateFinder finder(parameters);
    finder.FindDuplicates(roots, &log);
    return log.events;
}

std::vector<SearchRoot> FileRoots(const TempTree& tree, const std::vector<std::wstring>& names)
{
    std::vector<SearchRoot> roots;
    for (const std::wstring& name : names) {
        roots.push_back({tree.Path(name), false});
    }
    return roots;
}

std::string DigestOf(const std::string& content)
{
    return DigestText(MurmurHash3_x86_128(content.data(), content.size(), DuplicateFinder::kDigestSeed));
}

// Keeps a file open without any sharing, so nobody else can open it.
class ExclusiveOpen {
public:
    explicit ExclusiveOpen(const std::wstring& path)
        : handle_(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    { }
    ~ExclusiveOpen() { ::CloseHandle(handle_); }
    bool Holds() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

} // namespace

// Unique sizes are counted first; then files are counted as they are read,
// in ascending order of size; the groups come last, by size.
TEST(DuplicateFinder, ReportsInTheExactOrderOfSizesThenFilesThenGroups)
{
    TempTree tree;
    tree.MakeFile(L"a1", "abc");
    tree.MakeFile(L"e1");
    tree.MakeFile(L"b", "xyz");
    tree.MakeFile(L"u", "only one of this");
    const std::string big(5000, 'c');
    tree.MakeFile(L"c1", big);
    tree.MakeFile(L"a2", "abc");
    tree.MakeFile(L"d", std::string(4999, 'c') + "d");
    tree.MakeFile(L"e2");
    tree.MakeFile(L"c2", big);
    EventLog log(tree);
    const auto events = Find(tree, log, FileRoots(tree, {L"a1", L"e1", L"b", L"u", L"c1", L"a2", L"d", L"e2", L"c2"}));
    EXPECT_EQ(events, (std::vector<std::string>{"started", "stage 0", "to compare 9", "stage 1", "compared 16", //
                          "compared 0", "compared 0", "compared 3", "compared 3", "compared 3",                 //
                          "compared 5000", "compared 5000", "compared 5000",                                    //
                          "group 0: e1 e2", "group 3: a1 a2", "group 5000: c1 c2", "finished"}));
}

TEST(DuplicateFinder, GroupsOfOneSizeComeInAscendingOrderOfTheirDigestText)
{
    TempTree tree;
    std::vector<std::pair<std::string, std::string>> expected; // digest, group event
    for (char c : std::string("pqrst")) {
        const std::string content(100, c);
        const std::wstring name(1, static_cast<wchar_t>(c));
        tree.MakeFile(name + L"1", content);
        tree.MakeFile(L"sub\\" + name + L"2", content);
        std::string event = "group 100: ";
        event.append(1, c).append("1 sub\\").append(1, c).append("2");
        expected.push_back({DigestOf(content), event});
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::wstring> names;
    for (char c : std::string("tsrqp")) { // admission order: first copies, then second ones
        names.push_back(std::wstring(1, static_cast<wchar_t>(c)) + L"1");
    }
    for (char c : std::string("pqrst")) {
        names.push_back(L"sub\\" + std::wstring(1, static_cast<wchar_t>(c)) + L"2");
    }
    EventLog log(tree);
    Find(tree, log, FileRoots(tree, names));
    std::vector<std::string> groups;
    for (const auto& entry : expected) {
        groups.push_back(entry.second);
    }
    EXPECT_EQ(log.Groups(), groups);
    EXPECT_EQ(log.Count("compared 100"), 10u);
}

TEST(DuplicateFinder, FindsAcrossFoldersOnlyFilesOfEqualSizeAndContent)
{
    TempTree tree;
    tree.MakeFile(L"x\\one.txt", "same");
    tree.MakeFile(L"y\\deep\\two.txt", "same");
    tree.MakeFile(L"y\\other.txt", "diff");
    tree.MakeFile(L"z\\longer.txt", "same!");
    tree.MakeFile(L"z\\three.txt", "same");
    EventLog log(tree);
    Find(tree, log, {{tree.Path(L"x"), true}, {tree.Path(L"y"), true}, {tree.Path(L"z"), true}});
    EXPECT_EQ(log.Groups(), std::vector<std::string>{"group 4: x\\one.txt y\\deep\\two.txt z\\three.txt"});
    EXPECT_EQ(log.Count("compared"), 5u);
    EXPECT_EQ(log.Count("to compare 5"), 1u);
}

TEST(DuplicateFinder, KeepsItsOwnCopyOfTheParameters)
{
    TempTree tree;
    tree.MakeFile(L"a.exe", "program");
    tree.MakeFile(L"b.exe", "program");
    tree.MakeFile(L"c.txt", "text");
    tree.MakeFile(L"d.txt", "text");
    SearchParameters parameters = AdmitAll();
    parameters.UseIgnoreMasks = true; // *.exe among them
    DuplicateFinder finder(parameters);
    parameters.UseIgnoreMasks = false;
    EventLog log(tree);
    finder.FindDuplicates({{tree.Root(), true}}, &log);
    EXPECT_EQ(log.Groups(), std::vector<std::string>{"group 4: c.txt d.txt"});
}

TEST(DuplicateFinder, FilesOfAUniqueSizeAreNeverRead)
{
    TempTree tree;
    tree.MakeFile(L"big", std::string(100000, 'b'));
    tree.MakeFile(L"small", "s");
    EventLog log(tree);
    Find(tree, log);
    EXPECT_EQ(log.Count("compared"), 2u);
    EXPECT_EQ(log.checksWhileComparing, 0); // every read is followed by a check
}

// Files that vanish, cannot be opened or fail while being read are left out
// of every group, and the progress still counts them.
TEST(DuplicateFinder, UnreadableFilesAreLeftOutAndStillCounted)
{
    TempTree tree;
    const std::string content(9000, 'k');
    for (const wchar_t* name : {L"a", L"b", L"sub\\locked", L"vanishing"}) {
        tree.MakeFile(name, content);
    }
    const ExclusiveOpen lock(tree.Path(L"sub\\locked"));
    ASSERT_TRUE(lock.Holds());
    EventLog log(tree);
    log.atFilesToCompare = [&] { ::DeleteFileW(tree.Path(L"vanishing").c_str()); };
    // File roots are opened while indexing; the locked file is met by a walk.
    Find(tree, log,
        {{tree.Path(L"a"), false}, {tree.Path(L"sub"), true}, {tree.Path(L"vanishing"), false},
            {tree.Path(L"b"), false}});
    EXPECT_EQ(log.Groups(), std::vector<std::string>{"group 9000: a b"});
    EXPECT_EQ(log.Count("to compare 4"), 1u);
    EXPECT_EQ(log.Count("compared 9000"), 4u);
    EXPECT_EQ(log.events.back(), "finished");
}

// Under Wine, reading a process's memory file from offset 0 fails at once:
// two such files and an empty one all "read" zero bytes, yet only the empty
// one read its whole content.
TEST(DuplicateFinder, FilesFailingAtTheFirstReadAreNotTakenForEmptyFiles)
{
    const std::wstring memory = L"Z:\\proc\\self\\mem";
    const std::wstring threadMemory = L"Z:\\proc\\thread-self\\mem";
    if (::GetFileAttributesW(memory.c_str()) == INVALID_FILE_ATTRIBUTES ||
        ::GetFileAttributesW(threadMemory.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no process memory files on this system";
    }
    TempTree tree;
    tree.MakeFile(L"empty");
    EventLog log(tree);
    Find(tree, log, {{tree.Path(L"empty"), false}, {memory, false}, {threadMemory, false}});
    ASSERT_EQ(log.Count("to compare 3"), 1u);
    EXPECT_TRUE(log.Groups().empty());
    EXPECT_EQ(log.Count("compared 0"), 3u);
}

TEST(DuplicateFinder, AStopDuringIndexingSkipsTheComparison)
{
    TempTree tree;
    tree.MakeFile(L"a", "dup");
    tree.MakeFile(L"b", "dup");
    EventLog log(tree);
    log.afterIndexed = [&] { log.Stop(); };
    EXPECT_EQ(Find(tree, log), (std::vector<std::string>{"started", "stage 0", "finished"}));
}

// The file at which the stop is noticed is not counted; the groups completed
// before it are reported.
TEST(DuplicateFinder, AStopAfterADigestKeepsTheGroupsCompletedBeforeIt)
{
    TempTree tree;
    for (const wchar_t* name : {L"a1", L"a2", L"a3", L"b1", L"b2"}) {
        tree.MakeFile(name, name[0] == L'a' ? "aaa" : "bbbb");
    }
    EventLog log(tree);
    log.afterCompared = [&] {
        if (log.Count("compared") == 2) {
            log.Stop();
        }
    };
    EXPECT_EQ(Find(tree, log, FileRoots(tree, {L"a1", L"a2", L"a3", L"b1", L"b2"})),
        (std::vector<std::string>{"started", "stage 0", "to compare 5", "stage 1", "compared 3", "compared 3",
            "group 3: a1 a2", "finished"}));
}

TEST(DuplicateFinder, AStopDuringALargeReadTakesEffectAfterThatRead)
{
    TempTree tree;
    tree.MakeFile(L"s1", "sm");
    tree.MakeFile(L"s2", "sm");
    const std::string large(16 * ReadPlan{}.chunkSize, 'L');
    tree.MakeFile(L"L1", large);
    tree.MakeFile(L"L2", large);
    EventLog log(tree);
    int stopAt = -1;
    log.beforeCheck = [&] {
        // A few reads into the large file; the small size is done by then.
        if (stopAt < 0 && log.Count("group 2") == 1) {
            stopAt = log.checksWhileComparing + 3;
        }
        if (log.checksWhileComparing == stopAt) {
            log.Stop();
        }
    };
    Find(tree, log, FileRoots(tree, {L"s1", L"L1", L"s2", L"L2"}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"started", "stage 0", "to compare 4", "stage 1", "compared 2",
                              "compared 2", "group 2: s1 s2", "finished"}));
    // The check that noticed the stop was the last: no read followed it.
    EXPECT_EQ(log.checksWhileComparing, stopAt);
}

namespace {

std::vector<std::string> FindWith(bool openAhead, EventLog& log, const std::vector<SearchRoot>& roots)
{
    DuplicateFinder finder(AdmitAll(), openAhead);
    finder.FindDuplicates(roots, &log);
    return log.events;
}

std::set<DWORD> ThreadsOfThisProcess()
{
    std::set<DWORD> threads;
    const vandrelcommon::system::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) {
            threads.insert(entry.th32ThreadID);
        }
    }
    return threads;
}

std::string Content(size_t size, unsigned variant)
{
    std::mt19937 random(static_cast<unsigned>(size));
    std::string content(size, '\0');
    for (char& c : content) {
        c = static_cast<char>(random());
    }
    // Variants differ in their last byte only: files read in parts share
    // their start and are told apart by their end.
    if (size > 0) {
        content.back() = static_cast<char>(content.back() + variant);
    }
    return content;
}

} // namespace

// Sizes from empty to beyond what is read whole at once, each with one to six files
// of three contents, so that a size holds groups, lone files or both; among
// them a locked file and one that vanishes before the comparison.
TEST(DuplicateFinder, OpeningAheadReportsExactlyWhatOpeningInTurnDoes)
{
    TempTree tree;
    std::vector<size_t> sizes = {1, 15, 16, 17, 4095, 4096, 4097, 12288, 65536, 65537, 200000};
    std::mt19937 random(11);
    for (int i = 0; i < 30; ++i) {
        sizes.push_back(1 + random() % 20000);
    }
    int counter = 0;
    const auto name = [&] {
        ++counter;
        return L"d" + std::to_wstring(counter % 4) + L"\\f" + std::to_wstring(counter);
    };
    for (size_t size : sizes) {
        for (unsigned n = 1 + random() % 6; n > 0; --n) {
            tree.MakeFile(name(), Content(size, random() % 3));
        }
    }
    for (int i = 0; i < 3; ++i) {
        tree.MakeFile(name());
    }
    const std::wstring locked = tree.MakeFile(name(), Content(4097, 0));
    const ExclusiveOpen lock(locked);
    ASSERT_TRUE(lock.Holds());

    std::vector<std::string> reported[2];
    for (bool openAhead : {false, true}) {
        const std::wstring vanishing = tree.MakeFile(L"gone\\f", Content(4097, 0));
        EventLog log(tree);
        log.atFilesToCompare = [&] { ::DeleteFileW(vanishing.c_str()); };
        reported[openAhead] = FindWith(openAhead, log, {{tree.Root(), true}});
        EXPECT_EQ(log.Count("compared"), static_cast<size_t>(counter + 1)); // and the vanished one
        EXPECT_EQ(log.Count("group 0:"), 1u);
        EXPECT_GT(log.Count("group"), 20u);
    }
    EXPECT_EQ(reported[true], reported[false]);
}

// Whether the stop comes after a read or after a digest, the callbacks are
// those of opening in turn; once the search returns, the opener threads alive
// at the stop are gone and no file is held open.
TEST(DuplicateFinder, AStopWhileOpeningAheadLeavesNoThreadAndKeepsOnlyCompletedGroups)
{
    TempTree tree;
    const std::string large = Content(ReadPlan{}.wholeAtOnce + 5, 0);
    tree.MakeFile(L"a1", "aaa");
    tree.MakeFile(L"b1", large);
    tree.MakeFile(L"a2", "aaa");
    tree.MakeFile(L"c1", Content(10, 0));
    tree.MakeFile(L"b2", Content(large.size(), 1));
    tree.MakeFile(L"a3", "aaa");
    tree.MakeFile(L"b3", large);
    tree.MakeFile(L"c2", Content(10, 1));
    tree.MakeFile(L"u", "unique");
    tree.MakeFile(L"d1", Content(9000, 0));
    tree.MakeFile(L"d2", Content(9000, 0));
    const std::vector<std::wstring> names = {
        L"a1", L"b1", L"a2", L"c1", L"b2", L"a3", L"b3", L"c2", L"u", L"d1", L"d2"};
    const auto roots = FileRoots(tree, names);

    EventLog complete(tree);
    FindWith(false, complete, roots);
    ASSERT_EQ(complete.Count("group"), 3u);
    size_t mostOpeners = 0; // at a stop: none between two rounds of reading
    for (int stopAt = 1; stopAt <= complete.checksWhileComparing; ++stopAt) {
        SCOPED_TRACE("stop at check " + std::to_string(stopAt));
        std::vector<std::string> reported[2];
        for (bool openAhead : {false, true}) {
            EventLog log(tree);
            const std::set<DWORD> before = ThreadsOfThisProcess();
            std::set<DWORD> atStop;
            log.beforeCheck = [&] {
                if (log.checksWhileComparing == stopAt) {
                    atStop = ThreadsOfThisProcess();
                    log.Stop();
                }
            };
            reported[openAhead] = FindWith(openAhead, log, roots);
            const std::set<DWORD> after = ThreadsOfThisProcess();
            std::vector<DWORD> started;
            std::set_difference(
                atStop.begin(), atStop.end(), before.begin(), before.end(), std::back_inserter(started));
            EXPECT_LE(started.size(), openAhead ? DuplicateFinder::kOpenerThreads : 0);
            mostOpeners = std::max(mostOpeners, started.size());
            for (DWORD thread : started) {
                EXPECT_EQ(after.count(thread), 0u) << "thread " << thread << " outlived the search";
            }
            for (const std::wstring& name : names) {
                EXPECT_TRUE(ExclusiveOpen(tree.Path(name)).Holds()) << Narrow(name) << " is still open";
            }
        }
        EXPECT_EQ(reported[true], reported[false]);
        EXPECT_EQ(reported[true].back(), "finished");
    }
    EXPECT_EQ(mostOpeners, DuplicateFinder::kOpenerThreads);
}

// Of files of one size too large to be read whole at once, those that differ
// in their start or their end are read no further than these (both at one
// opening); only files that share start and end are read whole. Each file is
// counted once.
TEST(DuplicateFinder, FilesOfASharedSizeAreReadOnlyAsFarAsTellsThemApart)
{
    const ReadPlan plan;
    const size_t size = 8 * plan.wholeAtOnce;
    const std::string base = Content(size, 0);
    std::string start = base;
    start.front() = static_cast<char>(start.front() + 1);
    std::string middle = base;
    middle[size / 2] = static_cast<char>(middle[size / 2] + 1);
    TempTree tree;
    for (const auto& [name, content] : std::vector<std::pair<std::wstring, std::string>>{{L"copy1", base},
             {L"start", start}, {L"end", Content(size, 1)}, {L"middle1", middle}, {L"copy2", base},
             {L"middle2", middle}, {L"small1", "small"}, {L"small2", "small"}, {L"other", "other"}}) {
        tree.MakeFile(name, content);
    }
    EventLog log(tree);
    DuplicateFinder finder(AdmitAll());
    finder.FindDuplicates(
        FileRoots(tree, {L"copy1", L"start", L"end", L"middle1", L"copy2", L"middle2", L"small1", L"small2", L"other"}),
        &log);
    const std::vector<std::string> groups = log.Groups();
    const std::string large = "group " + std::to_string(size) + ": ";
    EXPECT_EQ(std::set<std::string>(groups.begin(), groups.end()),
        (std::set<std::string>{"group 5: small1 small2", large + "copy1 copy2", large + "middle1 middle2"}));
    EXPECT_EQ(log.Count("compared"), 9u);
    // Starts and ends of all six, then the whole of four; the small ones
    // whole at once. Each file root is opened once more while indexing, and
    // each of the six members of a group for its identity.
    EXPECT_EQ(finder.BytesRead(), 6 * (plan.headSize + plan.tailSize) + 4 * size + 3 * 5);
    EXPECT_EQ(finder.FilesOpened(), 9u + 6 + 4 + 3 + 6);
}
