#pragma once
// The Dependencies page of a service's property sheet: the services this one
// depends on (upper tree) and the services that depend on it (lower tree),
// each branch filled when it is first expanded.
#include "common/PropertyPage.h"
#include "services/editor/ServiceEditorState.h"

#include <deque>
#include <string>

namespace vantrel {

// "\"Name\" &depends on these services:" and "&These services depend on \"Name\":".
std::wstring DependsOnLabel(const std::wstring& displayName);
std::wstring DependentsLabel(const std::wstring& displayName);

class DependenciesPage final : public PropertyPage {
public:
    explicit DependenciesPage(ServiceEditorState& state);

protected:
    BOOL OnInitDialog() override;
    LRESULT OnNotify(const NMHDR& header) override;

private:
    enum class Direction { Dependencies, Dependents };

    // Adds `of`'s direct dependencies or dependents below `parent`; a root
    // without any shows "<No Dependencies>". False when the read failed.
    bool Fill(HWND tree, HTREEITEM parent, ServiceRef& of, Direction direction);
    HTREEITEM AddItem(HWND tree, HTREEITEM parent, const std::wstring& text, ServiceRef* service);
    void Expanding(const NMTREEVIEWW& change);

    ServiceEditorState& state_;
    // The services behind the tree items (an item's lParam points here);
    // stable addresses, freed with the page.
    std::deque<ServiceRef> nodes_;
};

}  // namespace vantrel
