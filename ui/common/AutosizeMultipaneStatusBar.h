#pragma once
// A status bar with panes known by id. The pane with id 0, if any, takes the
// width the others leave; the others are as wide as they are told.
#include "ui/framework/Window.h"

#include <windows.h>

#include <string>
#include <vector>

namespace vandrelcommon::ui {

class CAutosizeMultipaneStatusBar : public CWindowImpl {
public:
    static constexpr int kDefaultPane = 0;

    // Panes in order; a pane other than the default one starts 100 pixels
    // (at 96 DPI) wide.
    bool SetPanes(const std::vector<int>& ids);
    const std::vector<int>& PaneIds() const { return ids_; }
    // Index of pane `id`, -1 when there is none.
    int PaneIndex(int id) const;

    // Makes pane `id` `width` pixels wide, taking the difference from the
    // default pane (or from the panes towards the end when there is none).
    void SetPaneWidth(int id, int width);
    // Gives the default pane the width that is left over.
    void FitPanes();

    bool SetPaneText(int id, const std::wstring& text);
    // False (and an empty text) when there is no pane `id`.
    bool GetPaneText(int id, std::wstring& text) const;
    bool SetPaneIcon(int id, HICON icon);

    // The right edges of the panes as the control has them.
    std::vector<int> PaneEdges() const;

    BEGIN_MESSAGE_MAP()
    ON_MESSAGE(WM_SIZE, OnSize)
    END_MESSAGE_MAP()

private:
    LRESULT OnSize(Message& msg);
    void SetPaneEdges(std::vector<int> edges);

    std::vector<int> ids_;
};

} // namespace vandrelcommon::ui
