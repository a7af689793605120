// A service of our own for the integration tests against Wine's service
// control manager. It accepts stop, pause and continue, and takes its time:
// "--delay-ms N" on its command line makes every transition last N ms, with
// the check point advancing every 250 ms.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{};
HANDLE g_stop = nullptr;
DWORD g_delayMs = 0;
CRITICAL_SECTION g_lock;

void Report(DWORD state) {
    EnterCriticalSection(&g_lock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
                         state == SERVICE_PAUSE_PENDING || state == SERVICE_CONTINUE_PENDING;
    g_status.dwControlsAccepted = pending || state == SERVICE_STOPPED ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
    g_status.dwWaitHint = pending ? 1000 : 0;
    g_status.dwCheckPoint = pending ? g_status.dwCheckPoint + 1 : 0;
    SetServiceStatus(g_handle, &g_status);
    LeaveCriticalSection(&g_lock);
}

void Transition(DWORD pending, DWORD done) {
    g_status.dwCheckPoint = 0;
    for (DWORD waited = 0; waited < g_delayMs; waited += 250) {
        Report(pending);
        Sleep(250);
    }
    Report(done);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (control) {
        case SERVICE_CONTROL_STOP: SetEvent(g_stop); return NO_ERROR;
        case SERVICE_CONTROL_PAUSE: Transition(SERVICE_PAUSE_PENDING, SERVICE_PAUSED); return NO_ERROR;
        case SERVICE_CONTROL_CONTINUE: Transition(SERVICE_CONTINUE_PENDING, SERVICE_RUNNING); return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE: Report(g_status.dwCurrentState); return NO_ERROR;
        default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    g_handle = RegisterServiceCtrlHandlerExW(L"", &Handler, nullptr);
    if (!g_handle) return;
    Transition(SERVICE_START_PENDING, SERVICE_RUNNING);
    WaitForSingleObject(g_stop, INFINITE);
    Transition(SERVICE_STOP_PENDING, SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wcscmp(argv[i], L"--delay-ms") == 0) g_delayMs = static_cast<DWORD>(_wtoi(argv[i + 1]));
    }
    InitializeCriticalSection(&g_lock);
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(L""), &ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
