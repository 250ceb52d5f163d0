#include "i18n/Localizer.h"
#include "results/DuplicateResult.h"
#include "tests/support/TempTree.h"
#include "tests/support/TestPictures.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/PreviewManager.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

using namespace clonarium;

namespace {

std::string Repeat(const std::string& text, size_t times)
{
    std::string result;
    for (size_t i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST(PreviewFile, ChoosesTextOrHexByFirstBytesAndExtension)
{
    TempTree tree;
    const std::string ascii500(500, 'a');
    const std::string ascii5000(5000, 'a');
    const std::string eightBitEarly = "ab\xE9" + std::string(200, 'c');
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"short.bin", ascii500)), PreviewKind::Text);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"notes.dat", ascii5000)), PreviewKind::Hex);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"notes.txt", ascii5000)), PreviewKind::Text);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"NOTES.Cpp", ascii5000)), PreviewKind::Text);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"accent.dat", eightBitEarly)), PreviewKind::Hex);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"accent.log", eightBitEarly)), PreviewKind::Text);
    // A leading dot starts a name, not an extension; a dot in a folder name
    // is no extension either.
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L".txt", ascii5000)), PreviewKind::Hex);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"dir.txt\\plain", ascii5000)), PreviewKind::Hex);
    EXPECT_EQ(ClassifyFile(tree.MakeFile(L"empty.bin")), PreviewKind::Text);
    EXPECT_EQ(ClassifyFile(tree.Path(L"missing.bin")), PreviewKind::Text);
}

TEST(PreviewFile, HexRowsShowOffsetsBytesAndCharacters)
{
    const uint8_t bytes[] = {0x80, 0x7F, 0x1F, 'A', ' '};
    const std::string row = HexRow(bytes, sizeof(bytes), 0x10, HexOffsetDigits(100));
    EXPECT_EQ(row, "00000010  80 7F 1F 41 20 " + std::string(11 * 3, ' ') + " \x80\x7F.A " + std::string(11, ' '));
    EXPECT_EQ(row.size(), 75u);
    EXPECT_EQ(HexRowColumns(100), 75);

    // Past 4 GiB the offsets grow a digit instead of wrapping.
    const uint64_t big = 0x140000000ull;
    EXPECT_EQ(HexOffsetDigits(big), 9);
    EXPECT_EQ(HexRow(bytes, 1, 0x100000010ull, HexOffsetDigits(big)).substr(0, 16), "100000010  80   ");
    EXPECT_EQ(HexRowColumns(big), 76);
    EXPECT_EQ(HexOffsetDigits(0x100000000ull), 8);
}

TEST(PreviewFile, PicturesKeepTheirSizeOrShrinkWithProportionsCentred)
{
    const RECT small = FitPicture(100, 50, 400, 300);
    EXPECT_EQ(small.left, 150);
    EXPECT_EQ(small.top, 125);
    EXPECT_EQ(small.right - small.left, 100);
    EXPECT_EQ(small.bottom - small.top, 50);

    const RECT wide = FitPicture(1000, 200, 400, 300);
    EXPECT_EQ(wide.left, 0);
    EXPECT_EQ(wide.right, 400);
    EXPECT_EQ(wide.bottom - wide.top, 80);
    EXPECT_EQ(wide.top, 110);

    const RECT tall = FitPicture(300, 900, 400, 300);
    EXPECT_EQ(tall.top, 0);
    EXPECT_EQ(tall.bottom, 300);
    EXPECT_EQ(tall.right - tall.left, 100);
    EXPECT_EQ(tall.left, 150);
}

// The sparse line table finds every line of a file the same as a plain split.
TEST(PreviewFile, LineScanFindsLinesWidthsAndTabs)
{
    LineScan tabs;
    const std::string tabbed = "\tab\n\n12345";
    tabs.Begin(tabbed.size());
    tabs.Feed(reinterpret_cast<const uint8_t*>(tabbed.data()), 2);
    tabs.Feed(reinterpret_cast<const uint8_t*>(tabbed.data()) + 2, tabbed.size() - 2);
    EXPECT_EQ(tabs.lineCount, 3u);
    EXPECT_EQ(tabs.widest, 4u + 3u); // "\tab\n" with the tab 4 columns wide
    tabs.Finish();
    EXPECT_EQ(tabs.widest, 7u);

    // Shown, a tab reaches the next multiple of four columns.
    const std::string line = "\tab\tc";
    const auto* bytes = reinterpret_cast<const uint8_t*>(line.data());
    EXPECT_EQ(VisibleColumns(bytes, line.size(), 0, 20), "    ab  c");
    EXPECT_EQ(VisibleColumns(bytes, line.size(), 2, 4), "  ab");
    EXPECT_EQ(VisibleColumns(bytes, line.size(), 5, 2), "b ");
    EXPECT_EQ(VisibleColumns(bytes, line.size(), 9, 5), "");

    TempTree tree;
    std::string text;
    std::vector<std::string> lines;
    uint64_t widest = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string line(static_cast<size_t>(i * 37 % 211), static_cast<char>('a' + i % 26));
        for (size_t at = static_cast<size_t>(i % 7); at < line.size(); at += static_cast<size_t>(i % 13 + 1)) {
            line[at] = '\t';
        }
        lines.push_back(line);
    }
    lines[1500] = std::string(200000, 'L'); // longer than a mark's spacing
    for (const std::string& line : lines) {
        text += line + "\n";
        widest = std::max<uint64_t>(widest, line.size() + 1 + 3 * std::count(line.begin(), line.end(), '\t'));
    }
    text += "last\t";
    lines.push_back("last\t");
    MappedFile file;
    ASSERT_TRUE(file.Open(tree.MakeFile(L"lines.txt", text)));
    LineScan scan;
    scan.Begin(file.Size());
    for (uint64_t offset = 0; offset < file.Size(); offset += 100000) {
        size_t length = 100000;
        const uint8_t* bytes = file.Map(offset, length);
        ASSERT_NE(bytes, nullptr);
        scan.Feed(bytes, length);
    }
    scan.Finish();
    EXPECT_EQ(scan.lineCount, lines.size());
    EXPECT_EQ(scan.widest, widest);
    EXPECT_GT(scan.marks.size(), 3u);
    EXPECT_LT(scan.marks.size(), 20u);
    for (const uint64_t first : {0ull, 1ull, 1490ull, 1500ull, 1501ull, 2990ull}) {
        const auto spans = FindLines(file, scan.marks, scan.lineCount, scan.scannedEnd, first, 12);
        ASSERT_EQ(spans.size(), std::min<size_t>(12, lines.size() - first)) << first;
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(text.substr(spans[i].begin, spans[i].end - spans[i].begin), lines[first + i]) << first + i;
        }
    }
}

TEST(PreviewFile, MappingReachesPastFourGibAndStopsAtAShrunkEnd)
{
    TempTree tree;
    const std::wstring path = tree.Path(L"sparse.bin");
    {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD ignored = 0;
        ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER at{};
        at.QuadPart = 0x140000000ll;
        ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        DWORD written = 0;
        ::WriteFile(file, "hello", 5, &written, nullptr);
        ::CloseHandle(file);
    }
    {
        MappedFile mapped;
        ASSERT_TRUE(mapped.Open(path));
        EXPECT_EQ(mapped.Size(), 0x140000005ull);
        size_t length = 100;
        const uint8_t* bytes = mapped.Map(0x140000000ull, length);
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(length, 5u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), 5), "hello");
    }
    ::DeleteFileW(path.c_str());

    const std::wstring shrinking = tree.MakeFile(L"shrinking.txt", Repeat("0123456789abcde\n", 10000));
    MappedFile mapped;
    ASSERT_TRUE(mapped.Open(shrinking));
    if (!ShrinkUnixFile(shrinking, 100)) {
        GTEST_SKIP() << "the file cannot be cut from outside here";
    }
    size_t length = 8192;
    const uint8_t* bytes = mapped.Map(40, length);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(length, 60u);
    EXPECT_EQ(bytes[59], '3'); // byte 99 of lines of 16
    length = 10;
    EXPECT_EQ(mapped.Map(50000, length), nullptr);
}

std::wstring Text(HWND window)
{
    return vandrelcommon::ui::CWindow(window).GetText();
}

std::unique_ptr<CDuplicateItem> MakeItem(const std::wstring& path, int64_t size)
{
    FileRecord record;
    record.path = path;
    record.size = static_cast<uint64_t>(size);
    return CDuplicateItem::Create(record, size, 0);
}

// A preview area in a parent window as the duplicates pane would hold it.
class PreviewAreaTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(parent_.Create(820, 420), nullptr);
        ASSERT_NE(preview_.Create(parent_, RECT{0, 0, 800, 400}), nullptr);
    }

    CFilePreviewCtrl& View(int pane) { return preview_.Pane(pane).View(); }
    void WaitForScan(int pane)
    {
        uitest::PumpMessages(10000, [&] { return !View(pane).IsScanning(); });
    }
    // What the view draws, in a canvas of its client size.
    std::unique_ptr<uitest::Canvas> Print(int pane)
    {
        const RECT client = View(pane).GetClientRect();
        auto canvas = std::make_unique<uitest::Canvas>(client.right, client.bottom);
        View(pane).SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
        return canvas;
    }
    // The box around every pixel that is not white; empty when there is none.
    static RECT Inked(const uitest::Canvas& canvas, const RECT& area)
    {
        RECT box{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (canvas.Color(x, y) != RGB(255, 255, 255)) {
                    box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                        std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
            }
        }
        return box;
    }
    static SCROLLINFO ScrollInfo(HWND window, int bar)
    {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        ::GetScrollInfo(window, bar, &info);
        return info;
    }

    TempTree tree_;
    uitest::CRecordingParent parent_;
    CPreviewManager preview_;
};

TEST_F(PreviewAreaTest, TextIsScannedScrolledAndPainted)
{
    std::string text = "\tx" + std::string(300, 'y') + "\n";
    for (int i = 1; i < 500; ++i) {
        text += "line " + std::to_string(i) + "\r\n";
    }
    const std::wstring path = tree_.MakeFile(L"lines.txt", text);
    const auto item = MakeItem(path, static_cast<int64_t>(text.size()));
    preview_.SetSinglePane(true);
    preview_.ShowFirst(item.get());
    WaitForScan(0);
    CFilePreviewCtrl& view = View(0);
    EXPECT_EQ(view.Kind(), PreviewKind::Text);
    EXPECT_EQ(view.LineCount(), 501u);      // the last line feed starts an empty line
    EXPECT_EQ(view.WidthInColumns(), 306u); // the tab counts four columns, the line feed one
    EXPECT_EQ(ScrollInfo(view, SB_HORZ).nMax, 305);
    const SCROLLINFO vertical = ScrollInfo(view, SB_VERT);
    EXPECT_EQ(vertical.nMax, 500);
    const int page = view.GetClientRect().bottom / view.LineHeight();
    EXPECT_EQ(static_cast<int>(vertical.nPage), page);
    EXPECT_EQ(Text(::GetDlgItem(preview_.Pane(0), IDC_PREVIEW_NAME)), path);

    // The first line's tab puts the "x" four columns in.
    auto canvas = Print(0);
    const RECT firstLine = Inked(*canvas, RECT{0, 0, 30 * view.CharWidth(), view.LineHeight()});
    EXPECT_GE(firstLine.left, 4 * view.CharWidth());
    EXPECT_LT(firstLine.left, 5 * view.CharWidth());
    // Four columns to the right, the "x" starts the row.
    for (int i = 0; i < 4; ++i) {
        view.SendMessage(WM_HSCROLL, SB_LINEDOWN, 0);
    }
    EXPECT_EQ(ScrollInfo(view, SB_HORZ).nPos, 4);
    EXPECT_LT(Inked(*Print(0), RECT{0, 0, 30 * view.CharWidth(), view.LineHeight()}).left, view.CharWidth());

    // A wheel notch away from the user scrolls a page down; keys scroll too.
    view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(ScrollInfo(view, SB_VERT).nPos, page);
    view.SendMessage(WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(ScrollInfo(view, SB_VERT).nPos, 501 - page);
    view.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(ScrollInfo(view, SB_VERT).nPos, 501 - 2 * page);
    view.SendMessage(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(ScrollInfo(view, SB_VERT).nPos, 0);

    // A right click reaches the preview's parent with the view's id.
    view.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    ASSERT_FALSE(parent_.notifications.empty());
    EXPECT_EQ(parent_.notifications.back(), static_cast<UINT>(NM_RCLICK));
}

TEST_F(PreviewAreaTest, HexDumpAndEmptyAndMissingFiles)
{
    std::string bytes(1000, '\x80');
    bytes[0] = '\x1F';
    const std::wstring binary = tree_.MakeFile(L"data.bin", bytes + std::string(100, '\0'));
    const auto hex = MakeItem(binary, 1100);
    preview_.ShowFirst(hex.get());
    EXPECT_EQ(View(0).Kind(), PreviewKind::Hex);
    EXPECT_EQ(ScrollInfo(View(0), SB_VERT).nMax, 1100 / 16);
    EXPECT_EQ(ScrollInfo(View(0), SB_HORZ).nMax, 74);
    auto canvas = Print(0);
    // The row runs from the offset's first digit to the view's edge.
    const LONG width = View(0).GetClientRect().right;
    const RECT firstRow = Inked(*canvas, RECT{0, 0, width, View(0).LineHeight() - 1});
    EXPECT_LT(firstRow.left, View(0).CharWidth());
    EXPECT_GT(firstRow.right, std::min<LONG>(width, 70 * View(0).CharWidth()) - View(0).CharWidth());

    const std::wstring empty = tree_.MakeFile(L"empty.txt");
    const auto emptyItem = MakeItem(empty, 0);
    preview_.ShowSecond(emptyItem.get());
    WaitForScan(1);
    EXPECT_EQ(View(1).Kind(), PreviewKind::Text);
    EXPECT_EQ(View(1).LineCount(), 0u);
    const RECT whole = View(1).GetClientRect();
    EXPECT_EQ(Inked(*Print(1), whole).right, whole.left);

    // A file that cannot be opened shows the no-preview text at the top; the
    // fields still name it.
    const auto missing = MakeItem(tree_.Path(L"gone.txt"), 5);
    preview_.ShowSecond(missing.get());
    EXPECT_EQ(View(1).Kind(), PreviewKind::None);
    const RECT notice = Inked(*Print(1), whole);
    EXPECT_LT(notice.bottom, 3 * View(1).LineHeight());
    EXPECT_LT(std::abs((notice.left + notice.right) / 2 - whole.right / 2), 4);
    EXPECT_EQ(Text(::GetDlgItem(preview_.Pane(1), IDC_PREVIEW_NAME)), tree_.Path(L"gone.txt"));

    preview_.SetSinglePane(false);
    EXPECT_EQ(Text(::GetDlgItem(preview_.Pane(1), IDC_PREVIEW_NAME)), L"-");
    EXPECT_NE(preview_.Pane(1).GetStyle() & WS_VISIBLE, 0u);
}

TEST_F(PreviewAreaTest, PicturesAreDrawnCentredOrShrunk)
{
    const std::wstring small = tree_.Path(L"small.png");
    const std::wstring large = tree_.Path(L"large.png");
    ASSERT_TRUE(WritePicture(small, Filled(40, 20, 0xFFFF0000), Format::Png));
    ASSERT_TRUE(WritePicture(large, Filled(1600, 400, 0xFF0000FF), Format::Png));
    const auto smallItem = MakeItem(small, 100);
    const auto largeItem = MakeItem(large, 100);
    preview_.ShowFirst(smallItem.get());
    preview_.ShowSecond(largeItem.get());
    ASSERT_EQ(View(0).Kind(), PreviewKind::Image);
    ASSERT_EQ(View(1).Kind(), PreviewKind::Image);

    const RECT client = View(0).GetClientRect();
    const RECT drawn = Inked(*Print(0), client);
    EXPECT_EQ(drawn.right - drawn.left, 40);
    EXPECT_EQ(drawn.bottom - drawn.top, 20);
    EXPECT_EQ(drawn.left, (client.right - 40) / 2);
    EXPECT_EQ(drawn.top, (client.bottom - 20) / 2);

    const RECT shrunk = Inked(*Print(1), View(1).GetClientRect());
    const RECT expected = FitPicture(1600, 400, View(1).GetClientRect().right, View(1).GetClientRect().bottom);
    EXPECT_NEAR(shrunk.left, expected.left, 1);
    EXPECT_NEAR(shrunk.right, expected.right, 1);
    EXPECT_NEAR(shrunk.top, expected.top, 1);
    EXPECT_NEAR(shrunk.bottom, expected.bottom, 1);
}

TEST_F(PreviewAreaTest, ReleaseFileLetsGoOfEverySpellingOfTheShownFile)
{
    const std::wstring path = tree_.MakeFile(L"shown.txt", Repeat("some text\n", 100));
    const std::wstring link = tree_.Path(L"link.txt");
    const std::wstring other = tree_.MakeFile(L"other.txt", "other\n");
    const auto item = MakeItem(path, 1000);
    const auto otherItem = MakeItem(other, 6);
    preview_.ShowFirst(item.get());
    preview_.ShowSecond(otherItem.get());
    WaitForScan(0);
    ASSERT_FALSE(View(0).Path().empty());
    EXPECT_FALSE(::DeleteFileW(path.c_str())) << "the shown file is held open";

    preview_.ReleaseFile(other + L".missing");
    preview_.ReleaseFile(path + L"x");
    EXPECT_FALSE(View(0).Path().empty());
    EXPECT_FALSE(View(1).Path().empty());

    const bool linked = ::CreateHardLinkW(link.c_str(), path.c_str(), nullptr) != FALSE;
    preview_.ReleaseFile(linked ? link : path);
    EXPECT_TRUE(View(0).Path().empty());
    EXPECT_EQ(View(0).Kind(), PreviewKind::None);
    EXPECT_FALSE(View(1).Path().empty());
    EXPECT_TRUE(::DeleteFileW(path.c_str()));
}

TEST_F(PreviewAreaTest, ASecondLoadWhileScanningAndAShrunkFileAreSafe)
{
    // Ten megabytes of short lines keep the scanner busy for a moment.
    const std::wstring big = tree_.MakeFile(L"big.txt", Repeat("0123456789\n", 1000000));
    const std::wstring small = tree_.MakeFile(L"small.txt", "one\ntwo\n");
    const auto bigItem = MakeItem(big, 11000000);
    const auto smallItem = MakeItem(small, 8);
    preview_.ShowFirst(bigItem.get());
    preview_.ShowFirst(smallItem.get());
    WaitForScan(0);
    EXPECT_EQ(View(0).LineCount(), 3u);
    uitest::PumpMessages(300);
    EXPECT_EQ(View(0).LineCount(), 3u) << "nothing of the first scan arrives late";

    preview_.ShowFirst(bigItem.get());
    WaitForScan(0);
    EXPECT_EQ(View(0).LineCount(), 1000001u);
    if (!ShrinkUnixFile(big, 20)) {
        GTEST_SKIP() << "the file cannot be cut from outside here";
    }
    View(0).SendMessage(WM_VSCROLL, SB_BOTTOM, 0);
    const RECT client = View(0).GetClientRect();
    EXPECT_EQ(Inked(*Print(0), client).right, client.left) << "nothing left to draw down there";
    View(0).SendMessage(WM_VSCROLL, SB_TOP, 0);
    EXPECT_NE(Inked(*Print(0), client).right, client.left);
}

TEST_F(PreviewAreaTest, LabelsAndNoPreviewTextFollowTheLanguage)
{
    // The view of an empty pane paints the no-preview text of the language.
    preview_.ShowSecond(nullptr);
    const RECT whole = View(1).GetClientRect();
    vandrelcommon::system::Localizer::Instance().LoadTable(
        L"\xFEFF[duplicates-pane]\r\nno-preview-available=Nothing to preview in this pane\r\n");
    preview_.Relocalize();
    const RECT longNotice = Inked(*Print(1), whole);
    vandrelcommon::system::Localizer::Instance().LoadTable(
        L"\xFEFF[duplicates-pane]\r\ntree.header-filename=Nom\r\ntree.header-size=Taille\r\n"
        L"tree.header-last-write-date=Modifie\r\nno-preview-available=Rien\r\n");
    preview_.Relocalize();
    const HWND pane = preview_.Pane(1);
    EXPECT_EQ(Text(::GetDlgItem(pane, IDC_PREVIEW_NAME_LABEL)), L"Nom:");
    EXPECT_EQ(Text(::GetDlgItem(pane, IDC_PREVIEW_SIZE_LABEL)), L"Taille:");
    EXPECT_EQ(Text(::GetDlgItem(pane, IDC_PREVIEW_MODIFIED_LABEL)), L"Modifie:");
    // The values line up after the widest label.
    const RECT label = vandrelcommon::ui::CWindow(::GetDlgItem(pane, IDC_PREVIEW_SIZE_LABEL)).GetRectInParent();
    const RECT name = vandrelcommon::ui::CWindow(::GetDlgItem(pane, IDC_PREVIEW_NAME)).GetRectInParent();
    const RECT size = vandrelcommon::ui::CWindow(::GetDlgItem(pane, IDC_PREVIEW_SIZE)).GetRectInParent();
    EXPECT_GT(name.left, label.right);
    EXPECT_EQ(name.left, size.left);
    const RECT view = vandrelcommon::ui::CWindow(::GetDlgItem(pane, IDC_PREVIEW_VIEW)).GetRectInParent();
    EXPECT_GT(view.top, size.bottom);
    // "Rien" is a seventh of the longer text, and still centred.
    const RECT shortNotice = Inked(*Print(1), whole);
    EXPECT_GT(shortNotice.right - shortNotice.left, 0);
    EXPECT_LT((shortNotice.right - shortNotice.left) * 4, longNotice.right - longNotice.left);
    EXPECT_LT(std::abs((shortNotice.left + shortNotice.right) / 2 - whole.right / 2), 4);
    vandrelcommon::system::Localizer::Instance().LoadTable(L"\xFEFF");
}

} // namespace
