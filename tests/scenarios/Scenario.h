#pragma once
// The stage of a scenario: a tree of real files, the whole program's main
// window over settings in a portable folder of the test's own, and a user's
// hands: commands from the toolbar and its menus, keys, and answers to the
// dialogs the program opens.
#include "tests/support/TempTree.h"
#include "ui/MainFrame.h"
#include "ui/framework/MessageLoop.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

// Every file under a folder: full path -> bytes.
using DiskState = std::map<std::wstring, std::string>;
DiskState ReadDisk(const std::wstring& folder);

bool Exists(const std::wstring& path);

// In the rules dialog, from a thread of its own: a new rule named `name`
// with one expression, then OK, which chooses it.
void MakeRule(HWND dialog, const wchar_t* name, const wchar_t* expression);

// The files the Recycle Bin holds (under Wine the desktop's Trash in
// XDG_DATA_HOME, which the run's script points at a fresh folder): name ->
// bytes. Empty when the run named no such folder.
DiskState RecycledFiles();
bool RecycleBinVisible();

// A folder a scenario makes outside its own tree: removed with everything in
// it at the end, then each folder above it that is left empty, up to `stop`.
class RemovedAtEnd {
public:
    RemovedAtEnd(std::wstring path, std::wstring stop) : path_(std::move(path)), stop_(std::move(stop)) { }
    RemovedAtEnd(const RemovedAtEnd&) = delete;
    RemovedAtEnd& operator=(const RemovedAtEnd&) = delete;
    ~RemovedAtEnd();
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    std::wstring stop_;
};

class Scenario : public testing::Test {
protected:
    void TearDown() override;

    // Starts the program with its settings in "program\settings".
    void Start();
    // Closes the window as a user does, then starts the program again.
    void Restart();
    clonarium::CMainFrame& Frame() { return *frame_; }
    clonarium::CDuplicatesVirtualTreeView& Tree() { return frame_->Results(); }

    // The folder ticked in the folder tree, then "Start search"; returns when
    // the search dialog has closed.
    void SearchIn(const std::wstring& folder);
    // A toolbar button or menu item of the main window.
    void Command(UINT id);
    // An item of the toolbar's result menus (marking, deletion, reports).
    void ResultCommand(UINT id);
    // The mode list of the options pane, moved by the arrow keys.
    void ChooseMode(WPARAM arrow);
    // Runs the deletion `command` opens: Yes to its question, Start, and
    // Close once it has finished.
    void Delete(UINT command);
    // Names the file in the save dialog `command` opens.
    void Export(UINT command, const std::wstring& path);

    // The files in the result tree, in tree order, marked or not.
    std::vector<std::wstring> FilesMarked(bool marked);
    std::vector<std::wstring> AllFiles();
    int Groups() { return Tree().Root().childCount; }

    // "data\relative" in the test's tree.
    std::wstring Data(const std::wstring& relative) const { return folder.Path(L"data\\" + relative); }

    TempTree folder;

private:
    // The program's loop: keys typed reach the frame's and panes' filters.
    vandrelcommon::ui::CMessageLoop loop_;
    bool loopAdded_ = false;
    std::unique_ptr<clonarium::CMainFrame> frame_;
};
