#include "tests/ui/UiTestSupport.h"

#include "i18n/Localizer.h"
#include "tests/support/FileBytes.h"
#include "ui/framework/Module.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>

namespace uitest {

using namespace vandrelcommon::ui;

void PumpMessages(DWORD milliseconds, const std::function<bool()>& done)
{
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    while (::GetTickCount64() < end) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done && done()) {
            return;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

HWND CRecordingParent::Create(int width, int height)
{
    return CWindowImpl::Create(
        nullptr, RECT{0, 0, width, height}, L"test parent", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
}

bool CRecordingParent::ProcessWindowMessage(Message& msg)
{
    if (reflect_ && ReflectNotification(msg)) {
        return true;
    }
    switch (msg.message) {
    case WM_COMMAND:
        commands.push_back(Command{msg.CommandId(), msg.CommandCode(), msg.CommandControl()});
        return true;
    case WM_NOTIFY:
        notifications.push_back(msg.Notification()->code);
        return true;
    case WM_INITMENUPOPUP:
        menuPopups.push_back(static_cast<UINT>(msg.wParam != 0));
        return false;
    default:
        return false;
    }
}

Canvas::Canvas(int width, int height) : width_(width), height_(height)
{
    const BITMAPINFO info = TopDownBitmapInfo(width, height);
    void* bits = nullptr;
    bitmap_.Reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<DWORD*>(bits);
    previous_ = ::SelectObject(dc_, bitmap_.Get());
}

DWORD Canvas::Pixel(int x, int y) const
{
    ::GdiFlush();
    if (bits_ == nullptr || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return 0;
    }
    return bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

COLORREF Canvas::Color(int x, int y) const
{
    const DWORD pixel = Pixel(x, y);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

void Canvas::Fill(COLORREF color)
{
    RECT all{0, 0, width_, height_};
    GdiBrush brush(::CreateSolidBrush(color));
    ::FillRect(dc_, &all, brush.Get());
}

HWND CreateChild(const wchar_t* className, HWND parent, const RECT& rect, DWORD style, int id, const wchar_t* text)
{
    return ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        AppModule().Instance(), nullptr);
}

NamedData::NamedData(std::wstring name, int* destroyed) : name_(std::move(name)), destroyed_(destroyed)
{ }

NamedData::~NamedData()
{
    if (destroyed_ != nullptr) {
        ++*destroyed_;
    }
}

void NamedData::FillDisplayInfo(LVITEMW& item, CVirtualNode* node)
{
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        ::lstrcpynW(item.pszText, GetColumnText(item.iSubItem, node).c_str(), item.cchTextMax);
    }
    if (item.iSubItem == 0 && (item.mask & LVIF_IMAGE) != 0) {
        item.iImage = 7;
    }
}

std::wstring NamedData::GetColumnText(int column, CVirtualNode*)
{
    return column == 0 ? name_ : L"";
}

CVirtualNode* AddNamed(CVirtualTree& tree, CVirtualNode* parent, const std::wstring& name, int* destroyed)
{
    return tree.AddNode(parent, std::make_unique<NamedData>(name, destroyed));
}

CVirtualNode* AddNamedGroup(CVirtualTree& tree, const std::wstring& name, int files, int* destroyed)
{
    CVirtualNode* group = AddNamed(tree, nullptr, name, destroyed);
    for (int i = 0; i < files; ++i) {
        AddNamed(tree, group, name + L"/" + std::to_wstring(i), destroyed);
    }
    return group;
}

std::vector<std::wstring> RowNames(const CVirtualTree& tree)
{
    std::vector<std::wstring> names;
    for (CVirtualNode* node : tree.Rows()) {
        names.push_back(node->Columns()->GetColumnText(0, node));
    }
    return names;
}

void LoadTable(const char* code)
{
    const std::string bytes =
        ReadFileBytes(L"Z:" CLONARIUM_SOURCE_DIR L"/i18n/" + std::wstring(code, code + 2) + L".lng");
    ASSERT_FALSE(bytes.empty()) << "the language table could not be read";
    std::wstring text(bytes.size() / 2, L'\0');
    memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    vandrelcommon::system::Localizer::Instance().LoadTable(text);
}

} // namespace uitest
