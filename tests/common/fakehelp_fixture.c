// A stand-in HTML Help control: records the last HtmlHelpW call so tests can
// check what the pages ask for without showing help.
#include <windows.h>

static HWND g_owner;
static WCHAR g_file[MAX_PATH];
static UINT g_command;
static DWORD_PTR g_data;
static LONG g_calls;

BOOL WINAPI DllMain(HINSTANCE i, DWORD r, LPVOID p) { (void)i; (void)r; (void)p; return TRUE; }

__declspec(dllexport) HWND WINAPI HtmlHelpW(HWND owner, LPCWSTR file, UINT command, DWORD_PTR data) {
    g_owner = owner;
    lstrcpynW(g_file, file ? file : L"", MAX_PATH);
    g_command = command;
    g_data = data;
    InterlockedIncrement(&g_calls);
    return owner;
}

__declspec(dllexport) LONG WINAPI FakeHelpLastCall(HWND* owner, WCHAR* file, UINT* command, DWORD_PTR* data) {
    *owner = g_owner;
    lstrcpynW(file, g_file, MAX_PATH);
    *command = g_command;
    *data = g_data;
    return g_calls;
}
