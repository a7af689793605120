#pragma once
// The Dial-in page of the user property sheet: remote-access permission,
// caller-identifier check, callback, static address and routes, read from
// and written to the version-4 record or the user's server data object,
// whichever the server's version calls for. Every message is titled
// "Dial-in Settings".
#include "common/PropertyPage.h"
#include "views/DialInStore.h"

#include <string>

namespace vantrel {

// How far the page got when it was set up.
enum class DialInBackEnd {
    None,         // the server could not be read or is no NT server: nothing to apply
    Version4,     // MprAdminUserGetInfo / SetInfo
    DataObjects,  // the server data objects
};

// Which controls the enabling rule leaves enabled, from the boxes' states.
struct DialInEnabling {
    bool callerId, callbackNumber, address, routesButton;
    bool applyRoutesChecked;  // the rule unchecks the box while there are no routes
};
DialInEnabling DialInEnablingFor(bool verify, bool always, bool staticAddress, bool applyRoutes, bool haveRoutes,
                                 DialInBackEnd backEnd) noexcept;

class DialInPage final : public PropertyPage {
public:
    DialInPage(std::wstring server, std::wstring computer, std::wstring user);
    DialInBackEnd BackEnd() const noexcept { return backEnd_; }

private:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnApply() override;

    bool Initialize();
    bool LoadVersion4();
    bool LoadDataObjects();
    void Show(const DialInSettings& settings);
    DialInSettings Read() const;
    void ApplyEnablingRule();
    void EditRoutes();
    // The first incomplete field gets the message and the focus; false then.
    bool Validate();
    void MakeUnusable(bool showFailureText);
    int Message(const std::wstring& text, UINT style) const;
    int Failure(HRESULT code, const std::wstring& context) const;

    std::wstring server_;
    std::wstring computer_;
    std::wstring user_;
    DialInBackEnd backEnd_ = DialInBackEnd::None;
    UserDataObject dataObject_;
    std::vector<StaticRoute> routes_;
    bool loading_ = false;
};

}  // namespace vantrel
