#pragma once
// The dial-in page's route dialogs: Static Routes (the list of routes, with
// Add and Delete) and Add a Static Route (destination, mask and metric, with
// the mask, subnet and metric checks).
#include "common/Dialog.h"
#include "views/UserPropertyRules.h"

#include <vector>

namespace vantrel {

class StaticRoutesDialog final : public Dialog {
public:
    explicit StaticRoutesDialog(std::vector<StaticRoute> routes);
    // OK closes with 1 and the rows as the new routes; Cancel with 2.
    const std::vector<StaticRoute>& Routes() const noexcept { return routes_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    void Append(const StaticRoute& route);

    std::vector<StaticRoute> routes_;
    std::vector<StaticRoute> rows_;
};

class AddRouteDialog final : public Dialog {
public:
    AddRouteDialog();
    const StaticRoute& Result() const noexcept { return route_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    // The checks of OK in order; false when the dialog stays.
    bool Accept();
    int Warn(const std::wstring& text, UINT buttons = MB_OK) const;

    StaticRoute route_;
};

}  // namespace vantrel
