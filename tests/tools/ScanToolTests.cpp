#include "tools/clonarium-scan/ScanCommandLine.h"
#include "tools/clonarium-scan/ScanOutput.h"

#include "deletion/FileOperations.h"
#include "storage/SearchPresets.h"
#include "system/Handles.h"
#include "system/TextEncoding.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScanRun.h"
#include "tests/support/StrictJson.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace clonarium;
using namespace vandrelcommon::system;

namespace {

struct Parsed {
    bool ok = false;
    ScanOptions options;
    std::wstring error;
};

Parsed Parse(const std::vector<std::wstring>& arguments)
{
    Parsed parsed;
    parsed.ok = ParseScanCommandLine(arguments, parsed.options, parsed.error);
    return parsed;
}

} // namespace

TEST(ScanCommandLine, TakesOptionsAndPaths)
{
    Parsed parsed = Parse({L"--mode", L"exact", L"C:\\one", L"--all", L"--", L"--named-like-an-option"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.admitAll);
    EXPECT_EQ(parsed.options.mode, ExactDuplicates);
    EXPECT_EQ(parsed.options.paths, (std::vector<std::wstring>{L"C:\\one", L"--named-like-an-option"}));

    parsed = Parse({L"-", L"D:\\"});
    ASSERT_TRUE(parsed.ok);
    EXPECT_FALSE(parsed.options.admitAll);
    EXPECT_FALSE(parsed.options.noCache);
    EXPECT_FALSE(parsed.options.clearCache);
    EXPECT_EQ(parsed.options.paths.size(), 2u);

    // Emptying the cache needs no path; a search may also leave it alone.
    parsed = Parse({L"--clear-cache"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.clearCache);
    parsed = Parse({L"--no-cache", L"C:\\"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_TRUE(parsed.options.noCache);
}

TEST(ScanCommandLine, RefusesWhatItCannotUseWithAMessage)
{
    const std::vector<std::pair<std::vector<std::wstring>, std::wstring>> cases = {
        {{}, L"no PATH given"},
        {{L"--all"}, L"no PATH given"},
        {{L"--bogus", L"C:\\"}, L"unknown option --bogus"},
        {{L"C:\\", L"--mode"}, L"--mode needs a value"},
        {{L"--mode", L"fuzzy", L"C:\\"}, L"unknown mode 'fuzzy' (exact or images)"},
        {{L"--similarity", L"0", L"C:\\"}, L"--similarity takes a whole number from 1 to 100, not '0'"},
        {{L"--similarity", L"101", L"C:\\"}, L"--similarity takes a whole number from 1 to 100, not '101'"},
        {{L"--similarity", L"8x", L"C:\\"}, L"--similarity takes a whole number from 1 to 100, not '8x'"},
        {{L"--similarity", L"-5", L"C:\\"}, L"--similarity takes a whole number from 1 to 100, not '-5'"},
        {{L"C:\\", L"--preset"}, L"--preset needs a value"},
        {{L"--select", L"keep-best", L"C:\\"},
            L"unknown rule 'keep-best' (keep-first, keep-last, keep-newest-modified, ...)"},
        {{L"--report", L"pdf", L"r.pdf", L"C:\\"}, L"unknown report kind 'pdf' (csv, html, xml or json)"},
        {{L"--report", L"csv", L"-", L"C:\\"}, L"only the json report goes to standard output ('-')"},
        {{L"--select", L"keep-first", L"--delete", L"recycle", L"--report", L"json", L"-", L"C:\\"},
            L"--delete prints what it did, so the report cannot go to standard output too"},
        {{L"C:\\", L"--report", L"csv"}, L"--report needs two values"},
        {{L"--delete", L"permanent", L"C:\\"}, L"--delete deletes only what a --select rule marks"},
        {{L"--select", L"keep-first", L"--delete", L"backup:", L"C:\\"},
            L"--delete takes recycle, permanent or backup:FOLDER, not 'backup:'"},
    };
    for (const auto& [arguments, message] : cases) {
        const Parsed parsed = Parse(arguments);
        EXPECT_FALSE(parsed.ok) << message;
        EXPECT_EQ(parsed.error, message);
    }
}

TEST(ScanCommandLine, RootsAreFilesOrFoldersByWhatThePathNames)
{
    TempTree tree;
    tree.MakeFile(L"folder\\file.txt", "x");
    std::vector<SearchRoot> roots;
    std::wstring error;
    ASSERT_TRUE(ResolveScanRoots({tree.Path(L"folder"), tree.Path(L"folder\\.\\file.txt")}, roots, error));
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_TRUE(roots[0].isFolder);
    EXPECT_FALSE(roots[1].isFolder);
    EXPECT_EQ(roots[1].path, tree.Path(L"folder\\file.txt")); // made absolute and plain

    EXPECT_FALSE(ResolveScanRoots({tree.Path(L"missing")}, roots, error));
    EXPECT_EQ(error, L"no such file or folder: " + tree.Path(L"missing"));
}

TEST(ScanOutput, GroupsAreUtf8LinesEachFollowedByAnEmptyLine)
{
    FileGroup group;
    group.size = 5;
    group.files.push_back({L"C:\\Fotos\\K\u00e4se.jpg"});
    group.files.push_back({L"C:\\\u65e5\u672c\\b.jpg"});
    std::string out;
    AppendGroup(group, out);
    EXPECT_EQ(out, "C:\\Fotos\\K\xc3\xa4se.jpg\r\nC:\\\xe6\x97\xa5\xe6\x9c\xac\\b.jpg\r\n\r\n");
}

TEST(ScanTool, PrintsTheGroupsAndTheCounters)
{
    TempTree tree;
    tree.MakeFile(L"scan\\K\u00e4se.txt", "same");
    tree.MakeFile(L"scan\\copy.txt", "same");
    tree.MakeFile(L"scan\\other.txt", "else");
    tree.MakeFile(L"scan\\tool.exe", "same"); // left out by the default ignore masks
    const ScanRun run = RunScan(tree, L"\"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string first = Utf8FromWide(tree.Path(L"scan\\K\u00e4se.txt")) + "\r\n";
    const std::string second = Utf8FromWide(tree.Path(L"scan\\copy.txt")) + "\r\n";
    EXPECT_TRUE(run.out == first + second + "\r\n" || run.out == second + first + "\r\n") << run.out;
    EXPECT_NE(run.err.find("files indexed: 3\r\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("files skipped: 1\r\nfiles not read: 0\r\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("groups: 1\r\nduplicate files: 2\r\n"), std::string::npos) << run.err;

    const ScanRun all = RunScan(tree, L"--all \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_NE(all.err.find("duplicate files: 3\r\n"), std::string::npos) << all.err;

    // The image search examines every admitted file, picture or not.
    const ScanRun images = RunScan(tree, L"--mode images --all \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(images.exitCode, 0) << images.err;
    EXPECT_TRUE(images.out.empty()) << images.out;
    EXPECT_NE(images.err.find("files indexed: 4\r\n"), std::string::npos) << images.err;
    EXPECT_NE(images.err.find("files not read: 4\r\n"), std::string::npos) << images.err << "none is a picture";
}

TEST(ScanTool, AUsageErrorIsOneLineAndExitCodeTwo)
{
    TempTree tree;
    for (const std::wstring& arguments :
        {std::wstring(L"--bogus C:\\"), std::wstring(L""), std::wstring(L"--similarity 0 C:\\")}) {
        const ScanRun run = RunScan(tree, arguments);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(LineCount(run.err), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("clonarium-scan: ", 0), 0u) << run.err;
    }
}

TEST(ScanCommandLine, PresetFileGivesTheParametersAndIsLeftAsItWas)
{
    TempTree tree;
    SearchParameters preset;
    preset.PresetName = L"Text only";
    preset.UseScanMasks = true;
    preset.ScanMasks = {L"*.txt"};
    preset.Similarity = 60;
    const std::wstring path = tree.Path(L"text.prs");
    ASSERT_TRUE(SavePreset(preset, path));
    const std::string bytes = ReadFileBytes(path);

    Parsed parsed = Parse({L"--preset", path, L"C:\\"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.presetFile, path);
    SearchParameters parameters;
    std::wstring error;
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error)) << error;
    EXPECT_TRUE(parameters == preset);
    EXPECT_EQ(ReadFileBytes(path), bytes); // read, never rewritten

    parsed = Parse({L"--all", L"--preset", path, L"C:\\"});
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error));
    EXPECT_FALSE(parameters.UseIgnoreMasks);
    EXPECT_TRUE(parameters.UseScanMasks); // --all keeps the preset's scan masks

    parsed = Parse({L"--preset", tree.Path(L"missing.prs"), L"C:\\"});
    EXPECT_FALSE(MakeScanParameters(parsed.options, parameters, error));
    EXPECT_EQ(error, L"cannot read the preset file " + tree.Path(L"missing.prs"));
}

TEST(ScanTool, SearchesWithAPreset)
{
    TempTree tree;
    tree.MakeFile(L"scan\\a.txt", "text");
    tree.MakeFile(L"scan\\b.txt", "text");
    tree.MakeFile(L"scan\\a.bin", "data");
    tree.MakeFile(L"scan\\b.bin", "data");
    SearchParameters preset;
    preset.UseScanMasks = true;
    preset.ScanMasks = {L"*.txt"};
    ASSERT_TRUE(SavePreset(preset, tree.Path(L"text.prs")));
    const ScanRun run = RunScan(tree, L"--preset \"" + tree.Path(L"text.prs") + L"\" \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("a.txt"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(".bin"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("files skipped: 2\r\n"), std::string::npos) << run.err;

    const ScanRun missing =
        RunScan(tree, L"--preset \"" + tree.Path(L"none.prs") + L"\" \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(LineCount(missing.err), 1u) << missing.err;
}

TEST(ScanCommandLine, ImageOptionsReachTheParameters)
{
    Parsed parsed = Parse({L"--mode", L"images", L"--similarity", L"70", L"--no-rotations", L"C:\\"});
    ASSERT_TRUE(parsed.ok) << parsed.error;
    SearchParameters parameters;
    std::wstring error;
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error)) << error;
    EXPECT_EQ(parameters.SearchMode, SimilarImages);
    EXPECT_EQ(parameters.Similarity, 70);
    EXPECT_FALSE(parameters.DoRotations);

    parsed = Parse({L"C:\\"});
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error));
    EXPECT_EQ(parameters.SearchMode, ExactDuplicates);
    EXPECT_EQ(parameters.Similarity, 85);
    EXPECT_TRUE(parameters.DoRotations);
    EXPECT_TRUE(parameters.DoMirrors);
    parsed = Parse({L"--mirrors", L"--no-mirrors", L"C:\\"});
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error));
    EXPECT_FALSE(parameters.DoMirrors) << "the last of the two counts";

    // A preset stored before mirror images were matched has no key for it.
    TempTree tree;
    const std::wstring old = tree.MakeFile(L"old.prs", Utf16File(L"[Search]\nSearchMode=1\n"));
    parsed = Parse({L"--preset", old, L"C:\\"});
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error)) << error;
    EXPECT_FALSE(parameters.DoMirrors);
    parsed = Parse({L"--preset", old, L"--mirrors", L"C:\\"});
    ASSERT_TRUE(MakeScanParameters(parsed.options, parameters, error)) << error;
    EXPECT_TRUE(parameters.DoMirrors);
}

TEST(ScanTool, FindsMirrorImagesUnlessToldNotTo)
{
    TempTree tree;
    const std::wstring folder = tree.MakeFolder(L"scan");
    const bool com = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const Canvas scene = DrawScene(11, 200, 140);
    ASSERT_TRUE(WritePicture(tree.Path(L"scan\\photo.jpg"), scene, Format::Jpeg));
    ASSERT_TRUE(WritePicture(tree.Path(L"scan\\selfie.jpg"), Mirrored(scene), Format::Jpeg));
    ASSERT_TRUE(WritePicture(tree.Path(L"scan\\other.png"), DrawScene(12, 200, 140), Format::Png));
    if (com) {
        ::CoUninitialize();
    }
    const std::wstring quoted = L" \"" + folder + L"\"";

    const ScanRun mirrors = RunScan(tree, L"--mode images --all --no-rotations --mirrors" + quoted);
    EXPECT_EQ(mirrors.exitCode, 0) << mirrors.err;
    EXPECT_NE(mirrors.out.find("photo.jpg"), std::string::npos) << mirrors.out;
    EXPECT_NE(mirrors.out.find("selfie.jpg"), std::string::npos) << mirrors.out;
    EXPECT_EQ(mirrors.out.find("other.png"), std::string::npos) << mirrors.out;
    EXPECT_EQ(RunScan(tree, L"--mode images --all" + quoted).out, mirrors.out) << "on unless told";

    const ScanRun none = RunScan(tree, L"--mode images --all --no-mirrors" + quoted);
    EXPECT_EQ(none.exitCode, 0) << none.err;
    EXPECT_TRUE(none.out.empty()) << none.out;
}

TEST(ScanTool, MarksByARuleReportsAndBacksUpOnlyTheMarkedFiles)
{
    TempTree tree;
    const std::wstring oldA = tree.MakeFile(L"scan\\a\\old.txt", "small");
    const std::wstring newA = tree.MakeFile(L"scan\\b\\new.txt", "small");
    const std::wstring oldB = tree.MakeFile(L"scan\\c\\old.dat", "larger content");
    const std::wstring newB = tree.MakeFile(L"scan\\d\\new.dat", "larger content");
    const FILETIME before = MakeFileTime(130000000000000000ull);
    const FILETIME after = MakeFileTime(131000000000000000ull);
    for (const auto& [path, time] : {std::pair{oldA, before}, {newA, after}, {oldB, before}, {newB, after}}) {
        ASSERT_TRUE(SetFileTimes(path, nullptr, nullptr, &time));
    }
    // A name already taken in the backup mirror gets a generated one.
    const std::wstring backup = tree.MakeFolder(L"backup");
    // The mirror of C:\x\y is backup\C\x\y.
    const auto mirror = [&](const std::wstring& path) { return backup + L"\\" + path.substr(0, 1) + path.substr(2); };
    const std::wstring mirroredA = mirror(newA);
    tree.MakeFolder(L"backup" + mirror(tree.Path(L"scan\\b")).substr(backup.size()));
    ASSERT_TRUE(WriteFileBytes(mirroredA, "already here"));

    const std::wstring report = tree.Path(L"report.xml");
    const ScanRun run = RunScan(tree, L"--select keep-oldest-modified --report xml \"" + report +
                                          L"\" --delete backup:\"" + backup + L"\" \"" + tree.Path(L"scan") + L"\"");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string marks = "  " + Utf8FromWide(oldB) + "\r\nx " + Utf8FromWide(newB) + "\r\n\r\n  " +
                              Utf8FromWide(oldA) + "\r\nx " + Utf8FromWide(newA) + "\r\n\r\n";
    EXPECT_EQ(run.out.substr(0, marks.size()), marks) << "the larger group first, the newer copies marked";
    EXPECT_NE(run.out.find("deleted " + Utf8FromWide(newB) + "\r\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("deleted " + Utf8FromWide(newA) + "\r\n"), std::string::npos) << run.out;

    EXPECT_EQ(ReadFileBytes(oldA), "small");
    EXPECT_EQ(ReadFileBytes(oldB), "larger content");
    EXPECT_EQ(::GetFileAttributesW(newA.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(newB.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(mirror(newB)), "larger content");
    EXPECT_EQ(ReadFileBytes(mirroredA), "already here") << "the file in the way is kept";
    WIN32_FIND_DATAW entry;
    const HANDLE find =
        ::FindFirstFileW((mirroredA.substr(0, mirroredA.rfind(L'\\')) + L"\\[*] new.txt").c_str(), &entry);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "the copy got a generated name";
    ::FindClose(find);

    const std::string xml = ReadFileBytes(report);
    EXPECT_NE(xml.find("<duplicates-count>4</duplicates-count>"), std::string::npos) << xml;
    EXPECT_LT(xml.find("total-size=\"28\""), xml.find("total-size=\"10\""));
}

// For scripts: the JSON report alone on standard output with "-", or in a
// file beside the usual lines; names a shell would choke on come back whole.
TEST(ScanTool, WritesTheJsonReportToStandardOutputOrAFile)
{
    TempTree tree;
    const std::wstring names[] = {
        tree.MakeFile(L"scan\\a\\\u041e\u0442\u0447\u0451\u0442 'q' & %x% \U0001F600.txt", "same"),
        tree.MakeFile(L"scan\\b\\\u041e\u0442\u0447\u0451\u0442 'q' & %x% \U0001F600.txt", "same")};
    tree.MakeFile(L"scan\\c\\alone.txt", "other");
    const std::wstring scanned = L" \"" + tree.Path(L"scan") + L"\"";

    const ScanRun piped = RunScan(tree, L"--report json -" + scanned);
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    JsonValue report;
    std::string error;
    ASSERT_TRUE(ReadStrictJson(piped.out, report, error)) << error << "\n" << piped.out;
    EXPECT_EQ(report[L"duplicates-count"].Integer(), 2);
    EXPECT_EQ(report[L"files-not-read"].Integer(), 0);
    ASSERT_EQ(report[L"groups"].items.size(), 1u);
    const auto& files = report[L"groups"].items[0][L"files"].items;
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0][L"path"].text, names[0]);
    EXPECT_EQ(files[1][L"path"].text, names[1]);
    EXPECT_EQ(files[1][L"size"].Integer(), 4);

    const std::wstring file = tree.Path(L"report.json");
    const ScanRun written = RunScan(tree, L"--report json \"" + file + L"\"" + scanned);
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.out, Utf8FromWide(names[0]) + "\r\n" + Utf8FromWide(names[1]) + "\r\n\r\n");
    ASSERT_TRUE(ReadStrictJson(ReadFileBytes(file), report, error)) << error;
    EXPECT_EQ(report[L"groups"].items.size(), 1u);
}

// Names Windows forbids, as Wine lists Linux files: counted, and named, as
// not read; and a folder deeper than the system can reach, counted as a
// folder not read instead of dropping out unseen.
TEST(ScanTool, NamesWhatItCouldNotRead)
{
    TempTree tree;
    const std::wstring scan = tree.MakeFolder(L"scan");
    tree.MakeFile(L"scan\\twin.txt", "same");
    for (const char* name : {"a*b.txt", "q?.txt"}) {
        if (!MakeUnixFile(scan, name, "same")) {
            GTEST_SKIP() << "needs Wine's view of a Unix file system";
        }
    }
    const std::wstring deep = MakeUnreachableFolder(scan);
    ASSERT_FALSE(deep.empty());

    const ScanRun run = RunScan(tree, L"--all --no-cache \"" + scan + L"\"");
    RemoveUnixTree(deep);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("files not read: 2\r\nfolders not read: 1\r\n"), std::string::npos) << run.err;
    const std::string prefix = "not read: " + Utf8FromWide(scan) + "\\";
    size_t named = 0;
    size_t folders = 0;
    for (size_t at = run.err.find(prefix); at != std::string::npos; at = run.err.find(prefix, at + 1)) {
        ++named;
        const size_t end = run.err.find("\r\n", at);
        folders += run.err.compare(end - 1, 1, "\\") == 0;
    }
    EXPECT_EQ(named, 3u) << run.err;
    EXPECT_EQ(folders, 1u) << run.err << "a folder's name ends in a backslash";
}

TEST(ScanTool, ClearCacheSaysWhyWhenTheCacheStays)
{
    TempTree tree;
    const std::wstring cache = ScanCacheFile();
    ASSERT_FALSE(cache.empty());
    ASSERT_TRUE(WriteFileBytes(cache, "not a cache"));
    if (!SetImmutable(cache, true)) {
        GTEST_SKIP() << "no immutable files here (chattr)";
    }
    const ScanRun kept = RunScan(tree, L"--clear-cache");
    SetImmutable(cache, false);
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.err, "clonarium-scan: cannot delete the cache " + Utf8FromWide(cache) + ": " +
                            Utf8FromWide(SystemErrorText(ERROR_ACCESS_DENIED)) + "\r\n");
    EXPECT_EQ(ReadFileBytes(cache), "not a cache");

    const ScanRun cleared = RunScan(tree, L"--clear-cache");
    EXPECT_EQ(cleared.exitCode, 0) << cleared.err;
    EXPECT_EQ(::GetFileAttributesW(cache.c_str()), INVALID_FILE_ATTRIBUTES);
}
