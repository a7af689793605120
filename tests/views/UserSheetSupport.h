#pragma once
// What the user sheet tests share: a network with users worth opening, and
// the sheet's pages as a script on another thread sees them.
#include "tests/views/AccountViewsSupport.h"

#include "resources/UserPropsIds.h"
#include "views/LocalUsersView.h"

#include <algorithm>
#include <memory>

namespace usersheet {

using namespace viewtest;

// WS01 (a workstation joined to LAB) has support (home folder on a share,
// an administrator), temp (password expired, disabled), locked (locked out)
// and local (a local home folder); KIOSK is in the workgroup HOME; RAS01 is
// a current server with dial-in settings for road; NT4 is a version-4 server.
constexpr char kScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "o", "groups": ["LAB\\Domain Users"] } ],
  "computers": [
    { "name": "WS01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\operator"],
      "users": [
        { "name": "support", "password": "s", "fullName": "Desktop Support", "comment": "Local support account",
          "profilePath": "\\\\fs01\\profiles\\support", "logonScript": "logon.cmd",
          "homeDirectory": "\\\\fs01\\home\\support", "homeDrive": "E:", "groups": ["Administrators"] },
        { "name": "temp", "password": "t", "disabled": true, "passwordExpired": true, "passwordNeverExpires": false,
          "comment": "Temporary staff" },
        { "name": "locked", "password": "l", "lockedOut": true, "passwordNeverExpires": false },
        { "name": "local", "password": "x", "homeDirectory": "D:\\home\\local" }
      ] },
    { "name": "KIOSK", "ip": "10.0.0.30", "domain": "HOME", "administrators": ["LAB\\operator"],
      "users": [ { "name": "visitor", "password": "v", "fullName": "Visitor" } ] },
    { "name": "RAS01", "ip": "10.0.0.5", "administrators": ["LAB\\operator"],
      "os": { "major": 10, "minor": 0, "build": 17763, "role": "server" },
      "users": [ { "name": "road", "password": "r" }, { "name": "desk", "password": "d" } ],
      "dialIn": [ { "user": "road",
                    "properties": { "allowDialin": true, "callingStationId": "5550000", "serviceType": 4,
                                    "callbackNumber": "5551234", "framedIpAddress": "10.0.0.7",
                                    "framedRoutes": ["10.1.0.0/16 0.0.0.0 2"] } } ] },
    { "name": "NT4", "ip": "10.0.0.40", "administrators": ["LAB\\operator"],
      "os": { "major": 4, "minor": 0, "build": 1381, "role": "server" },
      "users": [ { "name": "dialer", "password": "d" } ],
      "dialIn": [ { "user": "dialer", "privilege": 10, "phoneNumber": "5557777" } ] }
  ]
})";

class UserSheetTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        std::wstring error;
        ASSERT_EQ(0u, lab::LoadScenarioText(kScenario, &error)) << error;
    }
    HWND OpenUsers(const wchar_t* computer) { return Open(vantrel::LocalUsersView(), computer); }
    static void SelectOnly(HWND view, const wchar_t* label) {
        ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
        Select(view, FindRow(view, label));
    }
    static USER_INFO_3 Account(const wchar_t* computer, const wchar_t* user, std::wstring* fullName = nullptr,
                               std::wstring* home = nullptr, std::wstring* drive = nullptr) {
        LPBYTE buffer = nullptr;
        USER_INFO_3 info{};
        if (plat::NetUserGetInfo(computer, user, 3, &buffer) != 0) return info;
        info = *reinterpret_cast<USER_INFO_3*>(buffer);
        if (fullName) *fullName = info.usri3_full_name;
        if (home) *home = info.usri3_home_dir;
        if (drive) *drive = info.usri3_home_dir_drive ? info.usri3_home_dir_drive : L"";
        info.usri3_name = nullptr;  // strings die with the buffer
        plat::NetApiBufferFree(buffer);
        return info;
    }
};

// The page at `index` of the sheet, made current.
inline HWND ShowPage(HWND sheet, int index) {
    ::SendMessageW(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
inline HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
// Presses a sheet button and waits for its handling. A modal sheet notices
// that it ended only when its loop gets a posted message: one follows.
inline void PressSheet(HWND sheet, int button) {
    ::SendMessageW(sheet, PSM_PRESSBUTTON, button, 0);
    ::PostMessageW(sheet, WM_NULL, 0, 0);
}
inline std::wstring WindowTitle(HWND window) { return testsupport::WindowText(window); }

// A sheet script kept alive while its thread runs, with what it saw.
struct Seen {
    std::vector<std::wstring> texts;
    bool ran = false;
};
using SheetScript = std::function<void(HWND sheet, Seen& seen)>;
inline std::pair<const std::wstring, DialogDriver::Script> Sheet(const std::wstring& title, std::shared_ptr<Seen> seen,
                                                                  SheetScript script) {
    return {title, [seen, script](HWND sheet) {
                seen->ran = true;
                script(sheet, *seen);
            }};
}

inline std::wstring Flag(HWND page, int id) {
    return std::wstring(IsChecked(page, id) ? L"x" : L"-") + (IsEnabled(page, id) ? L"" : L"(grey)");
}

}  // namespace usersheet
