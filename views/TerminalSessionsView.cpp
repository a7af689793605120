#include "views/TerminalSessionsView.h"

#include "common/ErrorText.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/ResourceViewsIds.h"
#include "resources/ViewsIds.h"
#include "views/SendMessageDialog.h"
#include "views/TerminalRows.h"
#include "views/ViewWorker.h"

#include <commctrl.h>

#include <cstdio>
#include <new>
#include <vector>

namespace vantrel {
namespace {

constexpr int kIdColumn = 2;
constexpr int kIdChars = 256;

// One queried text of a session; empty when the server has none for it.
std::wstring QueryText(HANDLE server, DWORD session, WTS_INFO_CLASS what) {
    UniqueWtsMemory buffer;
    DWORD bytes = 0;
    if (!plat::WTSQuerySessionInformationW(server, session, what, reinterpret_cast<LPWSTR*>(buffer.Put()), &bytes) ||
        !buffer)
        return std::wstring();
    return static_cast<const wchar_t*>(buffer.Get());
}

// The protocol's name, or empty when the server cannot tell it.
std::wstring QueryProtocol(HANDLE server, DWORD session, const TerminalTexts& texts) {
    UniqueWtsMemory buffer;
    DWORD bytes = 0;
    if (!plat::WTSQuerySessionInformationW(server, session, WTSClientProtocolType,
                                           reinterpret_cast<LPWSTR*>(buffer.Put()), &bytes) ||
        !buffer)
        return std::wstring();
    return ProtocolName(texts, *static_cast<const USHORT*>(buffer.Get()));
}

class TerminalSessionsEnumeration final : public EnumerationWorker {
public:
    explicit TerminalSessionsEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return sentence_; }

    HRESULT Enumerate(ListWriter& rows) override {
        const TerminalTexts texts = LoadTerminalTexts();
        std::wstring computer = Context().computer;
        sentence_ = IDS_TS_NOT_CONNECTED;
        UniqueWtsServer server(plat::WTSOpenServerW(computer.data()));
        RETURN_LAST_ERROR_IF(!server);
        sentence_ = IDS_TS_NOT_ENUMERATED;
        PWTS_SESSION_INFOW sessions = nullptr;
        DWORD count = 0;
        RETURN_LAST_ERROR_IF(!plat::WTSEnumerateSessionsW(server.Get(), 0, 1, &sessions, &count));
        const UniqueWtsMemory owned(sessions);

        HANDLE h = server.Get();
        for (DWORD i = 0; i < count; ++i) {
            if (Stopping()) return S_FALSE;
            const DWORD id = sessions[i].SessionId;
            const std::wstring& state = StateName(texts, static_cast<DWORD>(sessions[i].State));
            const std::wstring station = QueryText(h, id, WTSWinStationName);
            const int row = rows.Insert(static_cast<int>(i), SessionLabel(station.c_str(), state).c_str(),
                                        SessionImage(id), 0);
            if (Stopping()) return S_FALSE;
            const std::wstring domain = QueryText(h, id, WTSDomainName);
            const std::wstring user = QueryText(h, id, WTSUserName);
            rows.SetText(row, 1, SessionUserText(domain.c_str(), user.c_str()).c_str());
            if (Stopping()) return S_FALSE;
            wchar_t number[16];
            std::swprintf(number, 16, L"%i", static_cast<int>(id));
            rows.SetText(row, kIdColumn, number);
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 3, state.c_str());
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 4, QueryProtocol(h, id, texts).c_str());
            if (Stopping()) return S_FALSE;
            rows.SetText(row, 5, QueryText(h, id, WTSClientName).c_str());
        }
        return S_OK;
    }

    UINT sentence_ = IDS_TS_NOT_CONNECTED;
};

enum class SessionCommandKind { Close, CloseAll, Reset, Send };

// A command on the listed sessions. It opens the server once, tries every
// session, and reports what failed itself, once, after the last one.
class SessionCommand final : public CredentialedCommand {
public:
    SessionCommand(ViewWorkerContext context, SessionCommandKind kind) noexcept
        : CredentialedCommand(std::move(context)), kind_(kind) {}

private:
    HRESULT Execute() override {
        HWND owner = Context().window;

        std::wstring title;
        std::wstring message;
        if (kind_ == SessionCommandKind::Send) {
            SendMessageDialog dialog(DefaultMessageTitle());
            if (dialog.RunModal(owner) != IDOK) return S_FALSE;
            title = dialog.Title();
            message = dialog.Message();
        }

        HWND list = List();
        const bool all = Context().allItems;
        if (ListedItemCount(list, all) <= 0) return S_FALSE;

        std::wstring computer = Context().computer;
        UniqueWtsServer server(plat::WTSOpenServerW(computer.data()));
        if (!server) {
            const HRESULT hr = HResultFromLastError();
            ShowErrorMessage(static_cast<DWORD>(hr), LoadResourceString(IDS_VIEW_ERROR_TITLE).c_str(),
                             LoadResourceString(IDS_TS_NOT_CONNECTED).c_str(), owner, MB_ICONERROR);
            return hr;
        }

        DWORD lastError = 0;
        ForEachListedItem(list, all, [&](int item) {
            const DWORD id = SessionIdOfText(ItemText(list, item, kIdColumn, kIdChars));
            if (kind_ == SessionCommandKind::CloseAll && CloseAllSkips(id)) return;
            if (!Apply(server.Get(), id, title, message)) lastError = ::GetLastError();
        });
        server.Reset();
        if (lastError == 0) return S_OK;

        const HRESULT hr = HResultFromWin32(static_cast<long>(lastError));
        const bool send = kind_ == SessionCommandKind::Send;
        const UINT sentence = send ? IDS_TS_NOT_SENT
                                   : kind_ == SessionCommandKind::Reset ? IDS_TS_NOT_RESET : IDS_TS_NOT_CLOSED;
        ShowErrorMessage(static_cast<DWORD>(hr),
                         LoadResourceString(send ? IDS_VIEW_INFORMATION_TITLE : IDS_VIEW_ERROR_TITLE).c_str(),
                         LoadResourceString(sentence).c_str(), owner, send ? MB_ICONINFORMATION : MB_ICONERROR);
        return hr;
    }

    BOOL Apply(HANDLE server, DWORD id, std::wstring& title, std::wstring& message) const {
        switch (kind_) {
            case SessionCommandKind::Reset:
                return plat::WTSLogoffSession(server, id, TRUE);
            case SessionCommandKind::Send: {
                DWORD response = 0;
                return plat::WTSSendMessageW(server, id, title.data(), static_cast<DWORD>(title.size() * sizeof(wchar_t)),
                                             message.data(), static_cast<DWORD>(message.size() * sizeof(wchar_t)),
                                             MB_OK, 0, &response, FALSE);
            }
            default:
                return plat::WTSDisconnectSession(server, id, TRUE);
        }
    }

    SessionCommandKind kind_;
};

// Greys what cannot apply to the selection: closing or resetting the
// console, closing or messaging the listener.
void PrepareSessionMenu(HWND view, HMENU popup, bool onItem) {
    if (!onItem) return;
    HWND list = ::GetDlgItem(view, IDC_VIEW_LIST);
    std::vector<DWORD> ids;
    for (int item = ListView_GetNextItem(list, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list, item, LVNI_SELECTED)) {
        wchar_t text[kIdChars] = {};
        ListView_GetItemText(list, item, kIdColumn, text, kIdChars);
        ids.push_back(SessionIdOfText(text));
    }
    const SessionMenuGreying greyed = GreyedSessionCommands(ids);
    constexpr UINT kGrey = MF_BYCOMMAND | MF_GRAYED | MF_DISABLED;
    if (greyed.close) ::EnableMenuItem(popup, ID_VIEW_CLOSE_SESSION, kGrey);
    if (greyed.reset) ::EnableMenuItem(popup, ID_VIEW_RESET_SESSION, kGrey);
    if (greyed.send) ::EnableMenuItem(popup, ID_VIEW_SEND_MESSAGE, kGrey);
}

ComPtr<WorkerThread> CreateSessionCommand(const ViewWorkerContext& context, UINT commandId) {
    SessionCommandKind kind = SessionCommandKind::Close;
    if (commandId == ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS) kind = SessionCommandKind::CloseAll;
    if (commandId == ID_VIEW_RESET_SESSION) kind = SessionCommandKind::Reset;
    if (commandId == ID_VIEW_SEND_MESSAGE) kind = SessionCommandKind::Send;
    return ComPtr<WorkerThread>(new (std::nothrow) SessionCommand(context, kind));
}

constexpr ViewColumn kSessionColumns[] = {
    {IDS_COLUMN_SESSION, 100}, {IDS_COLUMN_SESSION_USER, 100}, {IDS_COLUMN_ID, 100},
    {IDS_COLUMN_STATE, 100},   {IDS_COLUMN_SESSION_TYPE, 100}, {IDS_COLUMN_CLIENT_NAME, 100},
};
// Modal; the workers report their own failures; the view refreshes if
// something changed meanwhile.
constexpr ViewCommand kSessionCommands[] = {
    {ID_VIEW_CLOSE_ALL_TERMINAL_SESSIONS, IDS_TS_CONFIRM_CLOSE_ALL, true, false, true, true},
    {ID_VIEW_CLOSE_SESSION, IDS_TS_CONFIRM_CLOSE, false, false, true, true},
    {ID_VIEW_SEND_MESSAGE, 0, false, false, true, true},
    {ID_VIEW_RESET_SESSION, IDS_TS_CONFIRM_RESET, false, false, true, true},
};

}  // namespace

const ViewDefinition& TerminalSessionsView() {
    static const ViewDefinition definition{
        IDD_TERMINAL_SESSIONS_VIEW,
        IDR_TERMINAL_SESSIONS_MENU,
        kSessionColumns,
        kSessionCommands,
        0,
        [](const ViewWorkerContext& context) {
            return ComPtr<WorkerThread>(new (std::nothrow) TerminalSessionsEnumeration(context));
        },
        &CreateSessionCommand,
        nullptr,
        &PrepareSessionMenu};
    return definition;
}

}  // namespace vantrel
