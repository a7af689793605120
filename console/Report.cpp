#include "console/Report.h"

#include "Vantrel_h.h"
#include "common/ComPtr.h"
#include "common/ErrorText.h"
#include "common/Handles.h"
#include "lab/LabControl.h"

#include <objbase.h>

#include <string>

namespace console {
namespace {

std::wstring ErrorLine(HRESULT hr) {
    vantrel::UniqueBstr text;
    if (vantrel::FormatErrorText(static_cast<DWORD>(hr), text.Put(), true) != 0) return vantrel::FallbackErrorText(static_cast<DWORD>(hr));
    return text ? std::wstring(text.Get()) : std::wstring();
}

std::wstring ServerPath(const CLSID& clsid) {
    wchar_t guid[64];
    ::StringFromGUID2(clsid, guid, 64);
    const std::wstring key = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"(not registered)";
    return value;
}

int ReportClasses(std::FILE* out) {
    std::fwprintf(out, L"Registered classes\n");
    const wchar_t* progIds[] = {L"TalvorSoftware.ComputerResMgmtUI", L"TalvorSoftware.MngSvcsWizard",
                                L"TalvorSoftware.ServiceEditor", L"TalvorSoftware.MultiComputerOp",
                                L"TalvorSoftware.BrevCompInfo"};
    int failures = 0;
    for (const wchar_t* progId : progIds) {
        CLSID clsid;
        HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
        vantrel::ComPtr<IUnknown> object;
        if (SUCCEEDED(hr)) hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
        if (FAILED(hr)) ++failures;
        std::fwprintf(out, L"  %-36ls %ls\n", progId,
                      SUCCEEDED(hr) ? (L"created from " + ServerPath(clsid)).c_str() : ErrorLine(hr).c_str());
    }
    return failures;
}

void ReportNetwork(std::FILE* out) {
    std::fwprintf(out, L"\nLab network (acting as %ls)\n", lab::ThreadIdentity().c_str());
    const std::wstring local = lab::LocalComputerName();
    for (DWORD i = 0; i < LabComputerCount(); ++i) {
        const std::wstring name = lab::ComputerName(i);
        std::fwprintf(out, L"  %-16ls %ls%ls\n", name.c_str(), LabMayAdminister(name.c_str()) ? L"administrator" : L"user",
                      name == local ? L", local computer" : L"");
    }
}

void ReportErrorTexts(std::FILE* out) {
    std::fwprintf(out, L"\nError texts as users see them\n");
    const struct { DWORD code; const wchar_t* context; } samples[] = {
        {0x80070005, L"The service could not be stopped."},
        {0x80070035, L"The sessions could not be listed."},
        {0x800706BA, L"The computer's services could not be read."},
        {0x80070846, L"The session could not be closed."},
        {0x80040200, L"Failed to create the Manage Services Wizard."},
    };
    for (const auto& sample : samples) {
        std::wstring text = vantrel::ComposeErrorMessage(sample.code, sample.context);
        // One line per sample: a run of line breaks becomes one separator.
        std::wstring line;
        for (wchar_t c : text) {
            if (c == L'\r' || c == L'\n') {
                if (line.size() < 3 || line.compare(line.size() - 3, 3, L" | ") != 0) line += L" | ";
            } else {
                line += c;
            }
        }
        text = line;
        std::fwprintf(out, L"  0x%08lX  %ls\n", static_cast<unsigned long>(sample.code), text.c_str());
    }
}

}  // namespace

int WriteModuleReport(std::FILE* out) {
    const int failures = ReportClasses(out);
    ReportNetwork(out);
    ReportErrorTexts(out);
    return failures;
}

}  // namespace console
