#include "results/Reports.h"

#include "results/TreeCleaner.h"
#include "tests/results/ResultModel.h"
#include "tests/support/FileBytes.h"
#include "tests/support/StrictJson.h"
#include "tests/support/TempTree.h"
#include "system/TextEncoding.h"

#include <gtest/gtest.h>

using namespace clonarium;
using vandrelcommon::system::Utf8FromWide;

namespace {

class ReportTest : public testing::Test {
protected:
    void SetUp() override
    {
        LoadEnglish();
        time = Utf8FromWide(FormatFileTime(FileTimeOf(kTime)));
        ASSERT_FALSE(time.empty());
    }

    // Two exact groups: a name with a quote and a comma, a folder with an ampersand.
    void AddExactGroups()
    {
        AddRecords(tree, {Record(L"c:\\a&b\\say \"hi\", x.txt", 10, kTime), Record(L"c:\\d\\<e>.txt", 10, kTime)});
        AddRecords(tree,
            {Record(L"c:\\f\\g.bin", 3, kTime), Record(L"c:\\f\\h.bin", 3, kTime), Record(L"c:\\f\\i.bin", 3, kTime)});
    }

    static constexpr uint64_t kTime = 132223334450000000; // 2020-01-02 03:04:05 UTC

    ReportContext Context(ResultMode mode)
    {
        ReportContext context;
        context.mode = mode;
        context.date = L"08-12-2026 10:11:12";
        context.statusLine = L"5 files & more";
        context.headers = {L"File name", L"", L"Folder", L"Size", L"Modified", L"Created", L"Last access"};
        if (mode == SimilarImages) {
            context.headers.insert(context.headers.end(), {L"Resolution", L"Similarity"});
        }
        context.headers.push_back(L"Remark");
        context.productAddress = L"https://example.org/?a=1&b=2";
        return context;
    }

    std::string Written(bool (*write)(CVirtualTree&, const ReportContext&, const std::wstring&), ResultMode mode)
    {
        const std::wstring path = temp.Path(L"report");
        EXPECT_TRUE(write(tree, Context(mode), path));
        return ReadFileBytes(path);
    }

    TempTree temp;
    CVirtualTree tree;
    std::string time;
};

TEST_F(ReportTest, CsvQuotesWhatNeedsItAndAddsImageSizes)
{
    const std::wstring path = temp.Path(L"r.csv");
    ASSERT_TRUE(WriteCsvReport(tree, ExactDuplicates, path));
    EXPECT_EQ(ReadFileBytes(path), "\xFF\xFE") << "an empty result is the byte-order mark alone";

    AddExactGroups();
    std::wstring t = FormatFileTime(FileTimeOf(kTime));
    ASSERT_TRUE(WriteCsvReport(tree, ExactDuplicates, path));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"\"2 files, 10 bytes each\",,20\n"
                                             L"\"say \"\"hi\"\", x.txt\",c:\\a&b,10," +
                                             t + L"," + t + L"," + t +
                                             L"\n"
                                             L"<e>.txt,c:\\d,10," +
                                             t + L"," + t + L"," + t +
                                             L"\n"
                                             L"\n"
                                             L"\"3 files, 3 bytes each\",,9\n"
                                             L"g.bin,c:\\f,3," +
                                             t + L"," + t + L"," + t +
                                             L"\n"
                                             L"h.bin,c:\\f,3," +
                                             t + L"," + t + L"," + t +
                                             L"\n"
                                             L"i.bin,c:\\f,3," +
                                             t + L"," + t + L"," + t +
                                             L"\n"
                                             L"\n"));

    tree.RemoveAll();
    AddRecords(tree, {ImageRecord(L"p\\a.jpg", 7, 640, 480), ImageRecord(L"p\\b.png", 5, 32, 16, 93)}, SimilarImages);
    ASSERT_TRUE(WriteCsvReport(tree, SimilarImages, path));
    t = FormatFileTime(FileTimeOf(0));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"2 images,,12\n"
                                             L"a.jpg,p,7," +
                                             t + L"," + t + L"," + t +
                                             L",640,480,100\n"
                                             L"b.png,p,5," +
                                             t + L"," + t + L"," + t +
                                             L",32,16,93\n"
                                             L"\n"));
    EXPECT_EQ(CsvField(L"a\rb"), L"a\rb") << "a carriage return alone is not quoted";
    EXPECT_EQ(CsvField(L"a\nb"), L"\"a\nb\"");
}

TEST_F(ReportTest, CsvCellsASpreadsheetWouldRunAsFormulasAreMarkedAsText)
{
    EXPECT_EQ(CsvField(L"=HYPERLINK(1)"), L"'=HYPERLINK(1)");
    EXPECT_EQ(CsvField(L"+1"), L"'+1");
    EXPECT_EQ(CsvField(L"-rf.txt"), L"'-rf.txt");
    EXPECT_EQ(CsvField(L"@SUM(A1)"), L"'@SUM(A1)");
    EXPECT_EQ(CsvField(L"=a,\"b\""), L"\"'=a,\"\"b\"\"\"") << "marked inside the quotes";
    // Dropping one leading apostrophe gives every name back, also one that
    // looks like a marked formula itself.
    EXPECT_EQ(CsvField(L"'=x"), L"''=x");
    EXPECT_EQ(CsvField(L"'quoted"), L"'quoted");
    EXPECT_EQ(CsvField(L"a=b"), L"a=b");

    AddRecords(tree, {Record(L"c:\\x\\=cmd|calc", 4, kTime), Record(L"c:\\x\\@y", 4, kTime)});
    const std::wstring path = temp.Path(L"r.csv");
    ASSERT_TRUE(WriteCsvReport(tree, ExactDuplicates, path));
    const std::wstring t = FormatFileTime(FileTimeOf(kTime));
    EXPECT_EQ(ReadFileBytes(path), Utf16File(L"\"2 files, 4 bytes each\",,8\n'=cmd|calc,c:\\x,4," + t + L"," + t +
                                             L"," + t + L"\n'@y,c:\\x,4," + t + L"," + t + L"," + t + L"\n\n"));
}

TEST_F(ReportTest, HtmlEscapesEveryTextAndSkipsLockAndRemarkColumns)
{
    const std::string head =
        "\xEF\xBB\xBF<html><head><style type=\"text/css\">td { width: 17%; } th { text-align: left; } table { width: "
        "100%; background-color: #F6F7F9; border-color: #E3E3E3; border-style: solid; border-width: 1px !important; "
        "}</style></head><body><p>Report of exact duplicate files is created with <a "
        "href=\"https://example.org/?a=1&amp;b=2\">Clonarium</a> (08-12-2026 10:11:12).</p>\n"
        "<p>5 files &amp; more</p><table><tr><td><i>File name</i></td><td><i>Folder</i></td><td><i>Size</i></td>"
        "<td><i>Modified</i></td><td><i>Created</i></td><td><i>Last access</i></td></tr></table>\n<br/>";
    EXPECT_EQ(Written(WriteHtmlReport, ExactDuplicates), head + "</body></html>");

    AddRecords(tree, {Record(L"c:\\a&b\\say \"it's\".txt", 10, kTime), Record(L"c:\\d\\\x0416<e>.txt", 10, kTime)});
    const std::string cells = "<td>" + time + "</td><td>" + time + "</td><td>" + time + "</td></tr>";
    EXPECT_EQ(Written(WriteHtmlReport, ExactDuplicates),
        head +
            "\n<table><tr><th colspan=\"2\">2 files, 10 bytes each</th><th>20 bytes</th>"
            "<th colspan=\"3\"></th></tr>\n"
            "\n<tr><td>say &quot;it&apos;s&quot;.txt</td><td>c:\\a&amp;b</td><td>10 bytes</td>" +
            cells + "\n<tr><td>\xD0\x96&lt;e&gt;.txt</td><td>c:\\d</td><td>10 bytes</td>" + cells +
            "\n</table><br/></body></html>");
}

TEST_F(ReportTest, HtmlOfImagesHasResolutionAndWiderGroupRow)
{
    AddRecords(tree, {ImageRecord(L"p\\a.jpg", 7, 640, 480), ImageRecord(L"p\\b.png", 5, 32, 16)}, SimilarImages);
    const std::string html = Written(WriteHtmlReport, SimilarImages);
    EXPECT_NE(html.find("td { width: 12%; }"), std::string::npos);
    EXPECT_NE(html.find("<td><i>Last access</i></td><td><i>Resolution</i></td><td><i>Similarity</i></td></tr></table>"),
        std::string::npos);
    EXPECT_NE(
        html.find("<th colspan=\"2\">2 images</th><th>12 bytes</th><th colspan=\"5\"></th></tr>"), std::string::npos);
    EXPECT_NE(
        html.find("<td>" + Utf8FromWide(FormatFileTime(FileTimeOf(0))) + "</td><td>640x480</td><td>100%</td></tr>"),
        std::string::npos)
        << html;
    EXPECT_EQ(html.find("Remark"), std::string::npos);
}

TEST_F(ReportTest, XmlTotalsAndEscapes)
{
    EXPECT_EQ(Written(WriteXmlReport, ExactDuplicates),
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<clonarium-report>\n\t<general>\n"
        "\t\t<date>08-12-2026 10:11:12</date>\n\t\t<type>Exact duplicates</type>\n"
        "\t\t<total-size>0</total-size>\n\t\t<wasted-size>0</wasted-size>\n"
        "\t\t<duplicates-count>0</duplicates-count>\n\t</general>\n\t<report>\n\t</report>\n"
        "</clonarium-report>");

    AddExactGroups();
    const std::string xml = Written(WriteXmlReport, ExactDuplicates);
    EXPECT_NE(xml.find("\t\t<total-size>29</total-size>\n\t\t<wasted-size>16</wasted-size>\n"
                       "\t\t<duplicates-count>5</duplicates-count>\n"),
        std::string::npos);
    const std::string file = "\t\t\t<duplicate-file>\n\t\t\t\t<path>c:\\a&amp;b\\say &quot;hi&quot;, x.txt</path>\n"
                             "\t\t\t\t<last-write-time>" +
                             time +
                             "</last-write-time>\n"
                             "\t\t\t\t<creation-time>" +
                             time +
                             "</creation-time>\n"
                             "\t\t\t\t<last-access-time>" +
                             time +
                             "</last-access-time>\n"
                             "\t\t\t\t<size>10</size>\n\t\t\t</duplicate-file>\n";
    EXPECT_NE(xml.find("\t<report>\n\t\t<duplicate-group total-size=\"20\" count=\"2\">\n" + file), std::string::npos)
        << xml;
    EXPECT_NE(
        xml.find("</duplicate-file>\n\t\t</duplicate-group>\n\t</report>\n</clonarium-report>"), std::string::npos);

    // Control characters come out as their pictures, tab, line feed and carriage return as they are.
    tree.RemoveAll();
    AddRecords(tree, {Record(L"c:\\x\\\x01"
                             L"bell\x07\x1F\tline\n\rend\xFFFF.txt",
                          1, kTime),
                         Record(L"c:\\y\\z", 1, kTime)});
    const std::string named = "<path>c:\\x\\\xE2\x90\x81"
                              "bell\xE2\x90\x87\xE2\x90\x9F\tline\n\rend\xEF\xBF\xBD.txt</path>";
    EXPECT_NE(Written(WriteXmlReport, ExactDuplicates).find(named), std::string::npos);
    EXPECT_NE(Written(WriteHtmlReport, ExactDuplicates)
                  .find("<td>\xE2\x90\x81"
                        "bell\xE2\x90\x87\xE2\x90\x9F\tline"),
        std::string::npos);
}

TEST_F(ReportTest, XmlOfImagesHasImageInfoAndNoWastedSize)
{
    AddRecords(tree, {ImageRecord(L"p\\a.jpg", 7, 640, 480), ImageRecord(L"p\\b.png", 5, 32, 16)}, SimilarImages);
    const std::string xml = Written(WriteXmlReport, SimilarImages);
    EXPECT_NE(xml.find("<type>Similar images</type>\n\t\t<total-size>12</total-size>\n\t\t<duplicates-count>2<"),
        std::string::npos);
    EXPECT_EQ(xml.find("wasted"), std::string::npos);
    EXPECT_NE(xml.find("<size>7</size>\n\t\t\t\t<image-info width=\"640\" height=\"480\" similarity=\"100\" />\n"),
        std::string::npos);
    EXPECT_NE(xml.find("<size>5</size>\n\t\t\t\t<image-info width=\"32\" height=\"16\" similarity=\"100\" />\n"),
        std::string::npos);
}

// The UTC file time an ISO 8601 text with an offset stands for; 0 when the
// text is not of the form "2020-01-02T04:04:05+01:00".
uint64_t UtcTicksOf(const std::wstring& iso)
{
    SYSTEMTIME local{};
    wchar_t sign = 0;
    unsigned hours = 0, minutes = 0, ends = 0;
    if (iso.size() != 25 ||
        swscanf(iso.c_str(), L"%4hu-%2hu-%2huT%2hu:%2hu:%2hu%lc%2u:%2u%n", &local.wYear, &local.wMonth, &local.wDay,
            &local.wHour, &local.wMinute, &local.wSecond, &sign, &hours, &minutes, &ends) != 9 ||
        ends != 25 || (sign != L'+' && sign != L'-')) {
        return 0;
    }
    FILETIME time{};
    if (!SystemTimeToFileTime(&local, &time)) {
        return 0;
    }
    const int64_t offset = (sign == L'-' ? -1 : 1) * static_cast<int64_t>(hours * 60 + minutes) * 600000000;
    return ((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) - offset;
}

JsonValue ReadJson(const std::string& document)
{
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ReadStrictJson(document, value, error)) << error << "\n" << document;
    return value;
}

TEST(StrictJson, RefusesWhatTheGrammarDoesNotAllow)
{
    JsonValue value;
    std::string error;
    ASSERT_TRUE(ReadStrictJson(" {\"a\":[1,-0.5e+3,true,null,\"\\ud800x\\u00e9\"]}\n", value, error)) << error;
    EXPECT_EQ(value[L"a"].items[4].text, std::wstring(L"\xD800x\xE9"));
    for (const char* bad : {"\xEF\xBB\xBF{}", "{} {}", "[1,]", "{\"a\":1,}", "{\"a\":1,\"a\":2}", "[01]", "[1.]",
             "[\"tab\there\"]", "[\"\\x\"]", "[\"\\u12\"]", "[\"\xED\xA0\x80\"]", "[\"\xC0\xAF\"]",
             "[\"\xF4\x90\x80\x80\"]", "[\"open]", "['single']", "[NaN]", "{a:1}"}) {
        EXPECT_FALSE(ReadStrictJson(bad, value, error)) << bad;
    }
}

// Names a file system may hold but markup and UTF-8 cannot: control
// characters, quotes, backslashes, a line separator, and surrogates without
// their partners next to a proper pair.
TEST_F(ReportTest, JsonCarriesEveryColumnAndGivesHostileNamesBackUnchanged)
{
    const std::wstring hostile[] = {
        L"c:\\q\\say \"hi\", 'x' <&> \\ end.txt",
        L"c:\\q\\\x01\x1F\x7F\ttab\nline\rreturn\x2028.txt",
        std::wstring(L"c:\\q\\high ") + wchar_t(0xD800) + L" low " + wchar_t(0xDC01) + L" pair \xD83D\xDE00 end " +
            wchar_t(0xDBFF),
        L"c:\\\x0444\x0430\x0439\x043B\\\xFFFF\xFFFE.txt",
    };
    AddRecords(tree, {Record(hostile[0], 10, kTime), Record(hostile[1], 10, kTime)});
    AddRecords(tree, {Record(hostile[2], 3, kTime), Record(hostile[3], 3, kTime), Record(L"c:\\f\\i.bin", 3, 0)});
    const std::wstring path = temp.Path(L"r.json");
    const JsonReportContext context{ExactDuplicates, FileTimeOf(kTime), 7};
    ASSERT_TRUE(WriteJsonReport(tree, context, path));
    const std::string bytes = ReadFileBytes(path);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF") << "one plain UTF-8 document, no byte-order mark";
    const JsonValue report = ReadJson(bytes);

    EXPECT_EQ(UtcTicksOf(report[L"date"].text), kTime);
    EXPECT_EQ(report[L"mode"].text, L"exact-duplicates");
    EXPECT_EQ(report[L"total-size"].Integer(), 29);
    EXPECT_EQ(report[L"wasted-size"].Integer(), 16);
    EXPECT_EQ(report[L"duplicates-count"].Integer(), 5);
    EXPECT_EQ(report[L"groups-count"].Integer(), 2);
    EXPECT_EQ(report[L"files-not-read"].Integer(), 7);
    const auto& groups = report[L"groups"].items;
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0][L"caption"].text, L"2 files, 10 bytes each");
    EXPECT_EQ(groups[0][L"total-size"].Integer(), 20);
    EXPECT_EQ(groups[1][L"count"].Integer(), 3);

    std::vector<const JsonValue*> files;
    for (const JsonValue& group : groups) {
        for (const JsonValue& file : group[L"files"].items) {
            files.push_back(&file);
        }
    }
    ASSERT_EQ(files.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        const JsonValue& file = *files[i];
        EXPECT_EQ(file[L"path"].text, hostile[i]) << i;
        EXPECT_EQ(file[L"name"].text, FileNameOf(hostile[i])) << i;
        EXPECT_EQ(file[L"folder"].text, FolderOf(hostile[i])) << i;
        EXPECT_EQ(file[L"size"].kind, JsonValue::Kind::Number);
        for (const wchar_t* time : {L"last-write-time", L"creation-time", L"last-access-time"}) {
            EXPECT_EQ(UtcTicksOf(file[time].text), kTime) << file[time].text;
        }
    }
    EXPECT_EQ(files[4]->operator[](L"size").Integer(), 3);
    EXPECT_EQ(files[4]->operator[](L"last-write-time").kind, JsonValue::Kind::Null) << "a time not kept is null";
    EXPECT_FALSE(files[0]->Has(L"width"));

    // Similar pictures: their sizes in pixels, and no wasted size.
    tree.RemoveAll();
    AddRecords(tree, {ImageRecord(L"p\\a.jpg", 7, 640, 480), ImageRecord(L"p\\b.png", 5, 32, 16)}, SimilarImages);
    ASSERT_TRUE(WriteJsonReport(tree, JsonReportContext{SimilarImages, FileTimeOf(kTime), 0}, path));
    const JsonValue images = ReadJson(ReadFileBytes(path));
    EXPECT_EQ(images[L"mode"].text, L"similar-images");
    EXPECT_FALSE(images.Has(L"wasted-size"));
    EXPECT_EQ(images[L"total-size"].Integer(), 12);
    const JsonValue& picture = images[L"groups"].items.at(0)[L"files"].items.at(0);
    EXPECT_EQ(picture[L"width"].Integer(), 640);
    EXPECT_EQ(picture[L"height"].Integer(), 480);

    tree.RemoveAll();
    ASSERT_TRUE(WriteJsonReport(tree, context, path));
    EXPECT_TRUE(ReadJson(ReadFileBytes(path))[L"groups"].items.empty());
}

TEST_F(ReportTest, WritersAnswerFalseWhenTheFileCannotBeOpenedAndNeverHoldItOpen)
{
    AddExactGroups();
    const std::wstring missing = temp.Path(L"no such folder\\r.txt");
    EXPECT_FALSE(WriteCsvReport(tree, ExactDuplicates, missing));
    EXPECT_FALSE(WriteHtmlReport(tree, Context(ExactDuplicates), missing));
    EXPECT_FALSE(WriteXmlReport(tree, Context(ExactDuplicates), missing));
    EXPECT_FALSE(WriteJsonReport(tree, JsonReportContext{}, missing));

    const std::wstring path = temp.Path(L"r.xml");
    ASSERT_TRUE(WriteXmlReport(tree, Context(ExactDuplicates), path));
    EXPECT_TRUE(DeleteFileW(path.c_str())) << "the writer let go of its file";
}

TEST_F(ReportTest, ClearTreeEmptiesAtOnceAndCleanersAreReapedOnceEnded)
{
    TreeCleaners cleaners;
    cleaners.ClearTree(tree); // an empty tree still gets a cleaner
    EXPECT_EQ(cleaners.Count(), 1u);

    for (int i = 0; i < 2000; ++i) {
        AddRecords(tree, {Record(L"a\\x" + std::to_wstring(i), 1), Record(L"b\\x" + std::to_wstring(i), 1)});
    }
    tree.ExpandAll();
    cleaners.ClearTree(tree);
    EXPECT_EQ(tree.Root().childCount, 0);
    EXPECT_TRUE(tree.Rows().empty());
    EXPECT_EQ(tree.Root().firstChild, nullptr);

    AddRecords(tree, {Record(L"c\\y", 1), Record(L"d\\y", 1)});
    EXPECT_EQ(GroupsOf(tree).size(), 1u) << "a new result fills the tree while the old one is destroyed";
    cleaners.ClearTree(tree);
    ASSERT_LE(cleaners.Count(), 3u);
    for (int attempt = 0; attempt < 100 && cleaners.Count() > 1; ++attempt) {
        Sleep(20);
        cleaners.ClearTree(tree); // reaps the ended ones, then starts one more
    }
    EXPECT_EQ(cleaners.Count(), 1u);
}

} // namespace
