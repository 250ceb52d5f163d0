#pragma once
// Helpers of the ui tests: message pumping, a parent window that reflects
// and records what its children send, a bitmap to draw on and read back, and
// named nodes for the tree tests.
#include "tests/support/TopDownBitmap.h"
#include "ui/common/VirtualTree.h"
#include "ui/framework/GdiHandles.h"
#include "ui/framework/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Dispatches this thread's messages for `milliseconds`, or until `done`.
void PumpMessages(DWORD milliseconds, const std::function<bool()>& done = {});

// A plain top-level window (hidden) that reflects notifications to its
// children and keeps the commands and notifications it receives.
class CRecordingParent : public vandrelcommon::ui::CWindowImpl {
public:
    explicit CRecordingParent(bool reflect = true) : reflect_(reflect) { }
    HWND Create(int width = 400, int height = 300);

    struct Command {
        WORD id;
        WORD code;
        HWND control;
    };
    std::vector<Command> commands;
    std::vector<UINT> notifications;
    std::vector<UINT> menuPopups; // WM_INITMENUPOPUP seen

    bool ProcessWindowMessage(vandrelcommon::ui::Message& msg) override;

private:
    bool reflect_;
};

// A 32-bit top-down bitmap selected into a memory device context.
class Canvas {
public:
    Canvas(int width, int height);
    HDC Dc() const { return dc_; }
    // 0xAARRGGBB as stored.
    DWORD Pixel(int x, int y) const;
    COLORREF Color(int x, int y) const;
    void Fill(COLORREF color);

private:
    int width_;
    int height_;
    DWORD* bits_ = nullptr;
    vandrelcommon::ui::GdiBitmap bitmap_;
    vandrelcommon::ui::MemoryDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// A child window of `parent` of a system class.
HWND CreateChild(
    const wchar_t* className, HWND parent, const RECT& rect, DWORD style = 0, int id = 0, const wchar_t* text = L"");

// Node data that names itself in column 0 (column 1 stays empty), shows icon
// 7 there, and counts its own destruction.
class NamedData : public vandrelcommon::ui::IVirtualNodeData, public vandrelcommon::ui::IIterableTextColumn {
public:
    NamedData(std::wstring name, int* destroyed);
    ~NamedData() override;
    void FillDisplayInfo(LVITEMW& item, vandrelcommon::ui::CVirtualNode* node) override;
    std::wstring GetColumnText(int column, vandrelcommon::ui::CVirtualNode* node) override;
    int GetColumnCount() override { return 2; }

private:
    std::wstring name_;
    int* destroyed_;
};

// A node named `name` under `parent` (null: the root) whose destruction
// counts in `destroyed`.
vandrelcommon::ui::CVirtualNode* AddNamed(vandrelcommon::ui::CVirtualTree& tree,
    vandrelcommon::ui::CVirtualNode* parent, const std::wstring& name, int* destroyed);
// A group with `files` children named name/0, name/1...
vandrelcommon::ui::CVirtualNode* AddNamedGroup(
    vandrelcommon::ui::CVirtualTree& tree, const std::wstring& name, int files, int* destroyed);
// The names of the tree's rows in display order.
std::vector<std::wstring> RowNames(const vandrelcommon::ui::CVirtualTree& tree);

// Loads the language table of `code` ("en", "ru"...) from the source tree.
void LoadTable(const char* code);

} // namespace uitest
