#include "services/editor/DependenciesPage.h"

#include "common/ErrorText.h"
#include "common/ResourceText.h"
#include "resources/EditorPagesIds.h"

namespace vantrel {

namespace {

constexpr DWORD kAllStates = SERVICE_STATE_ALL;  // 3

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring DisplayNameOf(ServiceRef& service) {
    std::wstring name;
    if (FAILED(service.GetDisplayName(name)) || name.empty()) name = service.Name();
    return name;
}

}  // namespace

std::wstring DependsOnLabel(const std::wstring& displayName) {
    return Quoted(displayName) + LoadText(IDS_DEPENDS_ON_THESE);
}

std::wstring DependentsLabel(const std::wstring& displayName) {
    return LoadText(IDS_THESE_DEPEND_ON) + Quoted(displayName) + L":";
}

DependenciesPage::DependenciesPage(ServiceEditorState& state) : PropertyPage(IDD_DEPENDENCIES), state_(state) {}

BOOL DependenciesPage::OnInitDialog() {
    const std::wstring name = DisplayNameOf(state_.service);
    ::SetDlgItemTextW(Window(), IDC_DEPENDENCIES_LABEL, DependsOnLabel(name).c_str());
    ::SetDlgItemTextW(Window(), IDC_DEPENDENTS_LABEL, DependentsLabel(name).c_str());
    Fill(Item(IDC_DEPENDENCIES_TREE), TVI_ROOT, state_.service, Direction::Dependencies);
    Fill(Item(IDC_DEPENDENTS_TREE), TVI_ROOT, state_.service, Direction::Dependents);
    return TRUE;
}

bool DependenciesPage::Fill(HWND tree, HTREEITEM parent, ServiceRef& of, Direction direction) {
    ServiceRefList found;
    const HRESULT hr = direction == Direction::Dependencies ? of.GetDependencies(found, false)
                                                            : of.GetDependents(kAllStates, found, false);
    if (FAILED(hr)) {
        ShowErrorMessage(static_cast<DWORD>(hr), L"Error", nullptr, Window(), MB_ICONERROR);
        found.clear();
    }
    for (ServiceRef& service : found) {
        nodes_.push_back(std::move(service));
        ServiceRef& node = nodes_.back();
        AddItem(tree, parent, DisplayNameOf(node), &node);
    }
    if (found.empty() && parent == TVI_ROOT) AddItem(tree, parent, LoadText(IDS_NO_DEPENDENCIES), nullptr);
    return SUCCEEDED(hr);
}

HTREEITEM DependenciesPage::AddItem(HWND tree, HTREEITEM parent, const std::wstring& text, ServiceRef* service) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = reinterpret_cast<LPARAM>(service);
    // A service may have branches of its own: offer the button until it is
    // expanded and found to have none.
    insert.item.cChildren = service ? 1 : 0;
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

LRESULT DependenciesPage::OnNotify(const NMHDR& header) {
    if (header.code == TVN_ITEMEXPANDINGW) Expanding(reinterpret_cast<const NMTREEVIEWW&>(header));
    return 0;  // let the branch open
}

void DependenciesPage::Expanding(const NMTREEVIEWW& change) {
    if (!(change.action & TVE_EXPAND)) return;
    HWND tree = change.hdr.hwndFrom;
    HTREEITEM item = change.itemNew.hItem;
    auto* service = reinterpret_cast<ServiceRef*>(change.itemNew.lParam);
    if (!service || ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) return;
    const Direction direction =
        change.hdr.idFrom == IDC_DEPENDENCIES_TREE ? Direction::Dependencies : Direction::Dependents;
    Fill(tree, item, *service, direction);
    if (!::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))) {
        TVITEMW none{};
        none.mask = TVIF_HANDLE | TVIF_CHILDREN;
        none.hItem = item;
        none.cChildren = 0;
        ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&none));
    }
}

}  // namespace vantrel
