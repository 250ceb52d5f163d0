#pragma once

#include <functional>
#include <string>
#include <vector>

namespace uidemo {

// What the demonstration opens by itself once its window is up, so that a
// screenshot can show it.
enum class DemoStart { Window, InputBox, Menu };

// Shows the demonstration window and runs its message loop until it is closed.
int RunDemo(DemoStart start);

// The virtual tree view with a few hundred groups of files.
int RunTreeDemo();
// The folder tree over the machine's drives; `openMenu` opens its context menu.
int RunFolderTreeDemo(bool openMenu);
// The in-place editable list; `startEditing` opens the editor on an item.
int RunEditListDemo(bool startEditing);

struct SearchDemoOptions {
    std::wstring folder;
    bool images = false;         // similar pictures rather than exact duplicates
    std::string language = "en"; // a language table's code
    int pauseAfterSeconds = 0;   // presses Pause this long after the start; 0: never
    bool contextMenu = false;    // --results: a group's context menu opened
    bool deleteFiles = false;    // --results: the delete dialog run to its end
    int deleteMenuItem = 0;      // --results: the Delete drop-down open at this item, from 1
};
// Searches the folder under the search progress dialog, then shows the
// groups found in a result tree; ends at once when nothing was found.
int RunSearchDemo(const SearchDemoOptions& options);

struct ResultsDemoOptions {
    std::wstring folder;
    bool images = false;         // similar pictures rather than exact duplicates
    std::string language = "en"; // a language table's code
    bool contextMenu = false;    // the first group's context menu opened
    bool deleteFiles = false;    // all but the first of each group to the Recycle Bin
    int deleteMenuItem = 0;      // all but the first marked, the Delete drop-down open at this item
};
// The main window searching the folder and showing what it found.
int RunResultsDemo(const ResultsDemoOptions& options);

// The search options pane filled from a preset, in the language `language`;
// `images` starts it in the similar-images mode.
int RunOptionsDemo(const std::string& language, bool images);

// A value of ToolbarDemoOptions::openMenu: the rebar's chevron.
constexpr int kChevron = -1;
struct ToolbarDemoOptions {
    std::string language = "en"; // a language table's code
    bool results = false;        // the buttons of results mode
    bool images = false;         // the smart selection of similar pictures
    int openMenu = 0;            // a drop-down button whose menu opens by itself
    int menuItem = 0;            // that menu's item highlighted by the Down key, from 1
    int width = 900;             // of the window at 100% scaling
};
// The main window's toolbar in a rebar.
int RunToolbarDemo(const ToolbarDemoOptions& options);

// The preview area showing one file, or two side by side.
int RunPreviewDemo(const std::vector<std::wstring>& files);

// Moves the highlight of the menu open now down to its `item`th item, from
// 1, by the keys a user would press.
void HighlightOpenMenuItem(int item);

// Gives this thread a message loop, lets `open` create and show a window,
// and runs the loop until that window ends it; 0 when `open` made none.
int RunWindowLoop(const std::function<bool()>& open);

} // namespace uidemo
