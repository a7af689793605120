#pragma once
// What the users and groups view tests share: a computer with local
// accounts, and a driver that works the dialogs the views' workers show.
#include "tests/views/ViewTestSupport.h"

#include "common/ModuleState.h"
#include "lab/families/ObjectPicker.h"
#include "resources/AccountsViewIds.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace viewtest {

// WS01 (administered by the operator) has support (an administrator) and
// temp (disabled); FS01 is not administered by the operator; OLD is offline.
constexpr char kAccountsScenario[] = R"({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [
    { "name": "LAB\\operator", "password": "o", "groups": ["LAB\\Domain Users"] },
    { "name": "LAB\\helpdesk", "password": "h", "groups": ["LAB\\Domain Users"] },
    { "name": "WS01\\kiosk", "password": "k" }
  ],
  "computers": [
    { "name": "WS01", "local": true, "ip": "10.0.0.10", "administrators": ["LAB\\operator"], "groupBatch": 4,
      "users": [
        { "name": "support", "password": "s", "fullName": "Desktop Support", "comment": "Local support account",
          "groups": ["Administrators"] },
        { "name": "temp", "password": "t", "disabled": true, "comment": "Temporary staff" }
      ],
      "groups": [ { "name": "Share Admins", "comment": "Manage the shares", "members": ["LAB\\helpdesk"] } ] },
    { "name": "FS01", "ip": "10.0.0.20" },
    { "name": "NT4SRV", "ip": "10.0.0.40", "administrators": ["LAB\\operator"],
      "os": { "major": 4, "minor": 0, "build": 1381, "role": "server" } },
    { "name": "OLD", "ip": "10.0.0.99", "online": false }
  ]
})";

// Works the dialogs of a view's workers from other threads: a dialog whose
// title has a script gets it (on a thread of its own, so that the boxes it
// causes are answered meanwhile); every other box is recorded and answered
// with what `answer` says (IDYES unless told).
class DialogDriver {
public:
    using Script = std::function<void(HWND dialog)>;
    explicit DialogDriver(std::map<std::wstring, Script> scripts,
                          std::function<int(const testsupport::SeenBox&)> answer = nullptr)
        : scripts_(std::move(scripts)), answer_(std::move(answer)),
          watcher_([this](HWND window, const testsupport::SeenBox& seen) { Handle(window, seen); }) {}
    ~DialogDriver() { Stop(); }

    // The boxes answered (not the scripted dialogs), once every script ended.
    std::vector<testsupport::SeenBox> Stop() {
        watcher_.Stop();
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::thread& t : scripts_running_) {
            if (t.joinable()) t.join();
        }
        return boxes_;
    }

private:
    void Handle(HWND window, const testsupport::SeenBox& seen) {
        const auto script = scripts_.find(seen.title);
        std::lock_guard<std::mutex> lock(mutex_);
        if (script != scripts_.end()) {
            scripts_running_.emplace_back(script->second, window);
            return;
        }
        boxes_.push_back(seen);
        const int answer = answer_ ? answer_(seen) : IDYES;
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }

    std::map<std::wstring, Script> scripts_;
    std::function<int(const testsupport::SeenBox&)> answer_;
    std::mutex mutex_;
    std::vector<testsupport::SeenBox> boxes_;
    std::vector<std::thread> scripts_running_;
    testsupport::ProcessDialogWatcher watcher_;
};

// Dialog work from a script's thread.
inline void SetField(HWND dialog, int id, const wchar_t* text) {
    ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
inline void Press(HWND dialog, int id) {
    ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
inline void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline bool IsChecked(HWND dialog, int id) {
    return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline bool IsEnabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
inline std::wstring Field(HWND dialog, int id) { return testsupport::ItemText(dialog, id); }

// Chooses the rows labelled `names` in the lab's picker and presses OK.
inline DialogDriver::Script Pick(std::vector<std::wstring> names) {
    return [names](HWND picker) {
        HWND list = ::GetDlgItem(picker, lab::kPickerListId);
        const int count = ListView_GetItemCount(list);
        for (int i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            ListView_GetItemText(list, i, 0, text, 128);
            if (std::find(names.begin(), names.end(), text) == names.end()) continue;
            LVITEMW state{};
            state.stateMask = state.state = LVIS_SELECTED;
            ::SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        }
        ::PostMessageW(picker, WM_COMMAND, IDOK, 0);
    };
}

class AccountViewTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        std::wstring error;
        ASSERT_EQ(0u, lab::LoadScenarioText(kAccountsScenario, &error)) << error;
    }
    static void SelectOnly(HWND view, std::initializer_list<const wchar_t*> labels) {
        ListView_SetItemState(List(view), -1, 0, LVIS_SELECTED);
        for (const wchar_t* label : labels) Select(view, FindRow(view, label));
    }
    static std::vector<std::wstring> Labels(HWND view) {
        std::vector<std::wstring> labels;
        for (const auto& row : ReadRows(view)) labels.push_back(row[0]);
        return labels;
    }
    // The row's image as the list shows it; its item data from the view (an
    // owner-data list keeps none).
    static LVITEMW Item(HWND view, const wchar_t* label) {
        LVITEMW row{};
        row.mask = LVIF_IMAGE;
        row.iItem = FindRow(view, label);
        ListView_GetItem(List(view), &row);
        row.lParam = vantrel::ViewRowData(view, row.iItem);
        return row;
    }
    // Renames a row through the in-place edit, ended with Enter.
    static void RenameRow(HWND view, const wchar_t* label, const wchar_t* name) {
        SelectOnly(view, {label});
        Command(view, ID_VIEW_RENAME);
        HWND edit = ListView_GetEditControl(List(view));
        ASSERT_NE(nullptr, edit);
        ::SetWindowTextW(edit, name);
        ::SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        Pump(20);
    }
};

}  // namespace viewtest
