#pragma once
// A list view as a virtual report list (LVS_OWNERDATA): the window asks for
// the rows it shows (LVN_GETDISPINFO) and for the row a typed prefix names
// (LVN_ODFINDITEM), so a list of 50,000 items opens at once. Selection
// changes and clicks go to the model as item clicks, header clicks as column
// clicks; mouse moves set the model's tooltip, shown on a tooltip window.
#include <string>
#include <vector>

#include "adapters/win32/dialog/control_binder.hpp"
#include "adapters/win32/dialog/gdi_owners.hpp"
#include "ports/ui/list_view.hpp"

namespace kv::win32::dialog {

class ListViewBinder final : public ControlBinder {
public:
    ListViewBinder(ui::Control& model, int id, BinderContext& view)
        : ControlBinder(model, id, view), list_(static_cast<ui::ListView&>(model)) {}
    HWND ToolTip() const override { return tip_; }
    void Detach() override;
    LRESULT Notify(const NMHDR& header) override;

private:
    void Init(HWND dialog) override;
    void AddColumns();
    void SyncState() override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void ShowToolTip();
    void GiveDisplayInfo(NMLVDISPINFOW& info);
    int FindItem(const NMLVFINDITEMW& find) const;
    void OnItemChanged(const NMLISTVIEW& change);
    void OnClick(const NMITEMACTIVATE& click);
    ui::ListItem* ItemAt(int row) const;

    ui::ListView& list_;
    UniqueImageList images_;
    std::vector<std::string> imageKeys_;
    int count_ = -1;         // the item count pushed last
    std::wstring dispText_;  // LVN_GETDISPINFO hands out a pointer into this
    HWND tip_ = nullptr;     // the tooltip, and the text it shows
    std::string tipText_;
    int changedItem_ = -1;  // the item a selection change already reported
};

}  // namespace kv::win32::dialog
