// The list box of a category page: a standard single-selection list box
// that also reorders its entries. Ctrl with an arrow key moves the selected
// entry one place; dragging with the left button moves it towards the pointer
// (resting in the top or bottom third of the item area scrolls it every
// 250 ms). A last entry "[Original] (not cycled)" stays last. After every
// press the parent gets WM_LISTCLICKED. It counts the changes of its entries.
#pragma once
#include <cstdint>
#include "Framework.h"

// Sent to the parent after each left-button press (both parameters 0).
const UINT WM_LISTCLICKED = WM_USER + 1;

class CFilenameListbox : public CListBox {
    DECLARE_DYNCREATE(CFilenameListbox)
public:
    CFilenameListbox();

    // Swap entry `index` (-1: the selection) with its neighbour and select it
    // at its new place. False when index is -1 and nothing is selected (and,
    // for MoveDown, when the count cannot be read); true otherwise, also when
    // nothing could move.
    std::int16_t MoveUp(int index);
    std::int16_t MoveDown(int index);

    // How often the entries have changed (added, inserted, deleted, emptied),
    // by whatever message: a page that notes it after filling the box knows
    // later whether the box still holds what it was given.
    unsigned long GetChangeCount() const { return m_changes; }

    // The runtime class name the box is created under dynamically.
    static const char* const RuntimeClassName;   // "CFilenameListbox"

protected:
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnLButtonDown(UINT nFlags, CPoint point) override;
    void OnLButtonUp(UINT nFlags, CPoint point) override;
    void OnMouseMove(UINT nFlags, CPoint point) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Whether the last of `count` entries is "[Original] (not cycled)".
    bool LastIsSpecial(int count) const;
    // Swaps entries upper and upper + 1, selects `select`, keeps the first
    // visible row unless `select` would leave the view.
    void SwapWithNext(int upper, int select);
    // The top index nearest to `top` that shows entry `index` whole.
    int TopIndexShowing(int index, int top) const;
    // Back to idle: timers killed, cursor restored, capture released.
    void EndDrag();

    std::int16_t m_dragging;
    HCURSOR m_savedCursor;
    unsigned long m_changes;
};
