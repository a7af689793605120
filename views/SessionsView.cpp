#include "views/SessionsView.h"

#include "common/NetEnumeration.h"
#include "common/PlatHandles.h"
#include "common/ResourceText.h"
#include "common/Result.h"
#include "common/WinsockUse.h"
#include "resources/ImageIndex.h"
#include "resources/ViewsIds.h"
#include "views/HostNames.h"
#include "views/RowText.h"
#include "views/ViewWorker.h"

#include <cstdio>

namespace vantrel {
namespace {

constexpr int kRowTextChars = 32;
constexpr int kCellChars = 256;

// Lists the sessions batch by batch, numbering rows on across batches.
class SessionsEnumeration final : public EnumerationWorker {
public:
    explicit SessionsEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return IDS_SESSIONS_NOT_ENUMERATED; }

    HRESULT Enumerate(ListWriter& rows) override {
        const std::wstring days = LoadResourceString(IDS_DAYS, kRowTextChars);
        const std::wstring yes = LoadResourceString(IDS_YES, kRowTextChars);
        const std::wstring no = LoadResourceString(IDS_NO, kRowTextChars);
        std::wstring server = Context().computer;
        // For the reverse lookups of address clients; without it they only
        // show their addresses.
        const WinsockUse winsock;
        int row = 0;
        if (Stopping()) return S_FALSE;
        auto batch = [&](LPBYTE* buffer, DWORD* read, DWORD* total, DWORD* resume) {
            return plat::NetSessionEnum(server.data(), nullptr, nullptr, 2, buffer, MAX_PREFERRED_LENGTH, read, total,
                                        resume);
        };
        return EnumerateNetBatches<SESSION_INFO_2, DWORD>(batch, [&](const SESSION_INFO_2* sessions, DWORD read) {
            for (DWORD i = 0; i < read; ++i, ++row) {
                const SESSION_INFO_2& s = sessions[i];
                const int item = rows.Insert(row, s.sesi2_username, IMAGE_COMPUTER, 0);
                rows.SetText(item, 1, ClientDisplayName(s.sesi2_cname).c_str());
                rows.SetText(item, 2, s.sesi2_cltype_name);
                wchar_t opens[16];
                std::swprintf(opens, 16, L"%u", static_cast<unsigned>(s.sesi2_num_opens));
                rows.SetText(item, 3, opens);
                rows.SetText(item, 4, DurationText(s.sesi2_time, days).c_str());
                rows.SetText(item, 5, DurationText(s.sesi2_idle_time, days).c_str());
                rows.SetText(item, 6, GuestText(s.sesi2_user_flags, yes, no).c_str());
                if (Stopping()) return false;
            }
            return !Stopping();
        });
    }
};

// Closes the sessions of the chosen rows: the client is the Computer cell
// (none when it is empty, which closes every session of the user).
class CloseSessions final : public CommandWorker {
public:
    explicit CloseSessions(ViewWorkerContext context) noexcept : CommandWorker(std::move(context)) {}

private:
    DWORD ApplyToItem(HWND list, int item) override {
        const std::wstring computerCell = ItemText(list, item, 1, kCellChars);
        std::wstring client = L"\\\\" + computerCell;
        std::wstring user = ItemText(list, item, 0, kCellChars);
        std::wstring server = Context().computer;
        return plat::NetSessionDel(server.data(), computerCell.empty() ? nullptr : client.data(), user.data());
    }
};

// Lists the open files: one call, whose first batch is what the view shows.
class OpenFilesEnumeration final : public EnumerationWorker {
public:
    explicit OpenFilesEnumeration(ViewWorkerContext context) noexcept : EnumerationWorker(std::move(context)) {}

private:
    UINT FailureSentenceId() const noexcept override { return IDS_OPEN_FILES_NOT_ENUMERATED; }

    HRESULT Enumerate(ListWriter& rows) override {
        const std::wstring write = LoadResourceString(IDS_OPEN_MODE_WRITE, kRowTextChars);
        const std::wstring read = LoadResourceString(IDS_OPEN_MODE_READ, kRowTextChars);
        const std::wstring create = LoadResourceString(IDS_OPEN_MODE_CREATE, kRowTextChars);
        const std::wstring type = LoadResourceString(IDS_OPEN_FILE_TYPE, kRowTextChars);
        std::wstring server = Context().computer;
        auto batch = [&](LPBYTE* buffer, DWORD* count, DWORD* total, DWORD_PTR* resume) {
            return plat::NetFileEnum(server.data(), nullptr, nullptr, 3, buffer, MAX_PREFERRED_LENGTH, count, total,
                                     resume);
        };
        auto fill = [&](const FILE_INFO_3* files, DWORD count) {
            for (DWORD i = 0; i < count; ++i) {
                const FILE_INFO_3& f = files[i];
                const int item = rows.Insert(static_cast<int>(i), f.fi3_pathname, IMAGE_OPEN_FILE, f.fi3_id);
                if (Stopping()) return false;
                rows.SetText(item, 1, f.fi3_username);
                if (Stopping()) return false;
                rows.SetText(item, 2, type.c_str());
                if (Stopping()) return false;
                wchar_t locks[16];
                std::swprintf(locks, 16, L"%u", static_cast<unsigned>(f.fi3_num_locks));
                rows.SetText(item, 3, locks);
                if (Stopping()) return false;
                rows.SetText(item, 4, OpenModeText(f.fi3_permissions, write, read, create).c_str());
                if (Stopping()) return false;
            }
            return true;
        };
        return EnumerateNetBatches<FILE_INFO_3, DWORD_PTR>(batch, fill, NetBatches::kFirstBatchOnly);
    }
};

class CloseOpenFiles final : public CommandWorker {
public:
    explicit CloseOpenFiles(ViewWorkerContext context) noexcept : CommandWorker(std::move(context)) {}

private:
    DWORD ApplyToItem(HWND list, int item) override {
        std::wstring server = Context().computer;
        return plat::NetFileClose(server.data(), static_cast<DWORD>(ItemData(list, item)));
    }
};

template <typename Worker>
ComPtr<WorkerThread> Make(const ViewWorkerContext& context) {
    return ComPtr<WorkerThread>(new (std::nothrow) Worker(context));
}

constexpr ViewColumn kSessionColumns[] = {
    {IDS_COLUMN_USER, 100},         {IDS_COLUMN_COMPUTER, 100},  {IDS_COLUMN_TYPE, 100},
    {IDS_COLUMN_OPEN_FILES, 100},   {IDS_COLUMN_CONNECTED_TIME, 100}, {IDS_COLUMN_IDLE_TIME, 100},
    {IDS_COLUMN_GUEST, 100},
};
constexpr ViewCommand kSessionCommands[] = {
    {ID_VIEW_CLOSE_SESSION, IDS_CONFIRM_CLOSE_SESSION, false},
    {ID_VIEW_DISCONNECT_ALL_SESSIONS, IDS_CONFIRM_CLOSE_ALL_SESSIONS, true},
};
constexpr ViewColumn kOpenFileColumns[] = {
    {IDS_COLUMN_OPEN_FILE, 150}, {IDS_COLUMN_ACCESSED_BY, 150}, {IDS_COLUMN_TYPE, 150},
    {IDS_COLUMN_LOCKS, 150},     {IDS_COLUMN_OPEN_MODE, 150},
};
constexpr ViewCommand kOpenFileCommands[] = {
    {ID_VIEW_CLOSE_OPEN_FILE, IDS_CONFIRM_CLOSE_OPEN_FILE, false},
    {ID_VIEW_DISCONNECT_ALL_FILES, IDS_CONFIRM_CLOSE_ALL_FILES, true},
};

}  // namespace

const ViewDefinition& SessionsView() {
    static const ViewDefinition definition{
        IDD_SESSIONS_VIEW, IDR_SESSIONS_MENU, kSessionColumns, kSessionCommands, IDS_SESSIONS_NOT_CLOSED,
        &Make<SessionsEnumeration>,
        [](const ViewWorkerContext& context, UINT) { return Make<CloseSessions>(context); }};
    return definition;
}

const ViewDefinition& OpenFilesView() {
    static const ViewDefinition definition{
        IDD_OPEN_FILES_VIEW, IDR_OPEN_FILES_MENU, kOpenFileColumns, kOpenFileCommands, IDS_FILES_NOT_CLOSED,
        &Make<OpenFilesEnumeration>,
        [](const ViewWorkerContext& context, UINT) { return Make<CloseOpenFiles>(context); }};
    return definition;
}

}  // namespace vantrel
