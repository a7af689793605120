#pragma once
// The progress page of the multiple-computer wizards, as the common
// user-interface library makes it (its page factory, ordinal 7). Any thread
// may use it through the global interface table.
#include <windows.h>
#include <objbase.h>
#include <prsht.h>
#include <unknwn.h>

namespace vantrel {

// {D0237C9E-91A7-455B-9022-ECF9D0CC22BB}
constexpr IID IID_IProgressPage = {0xD0237C9E, 0x91A7, 0x455B, {0x90, 0x22, 0xEC, 0xF9, 0xD0, 0xCC, 0x22, 0xBB}};

struct IProgressPage : public IUnknown {
    // The number of steps the bar stands for; the bar starts again at 0.
    virtual HRESULT STDMETHODCALLTYPE SetStepCount(long steps) = 0;
    // One step done.
    virtual HRESULT STDMETHODCALLTYPE Step() = 0;
    // Returns once the page is the sheet's active page; fails when the sheet
    // goes away or the time runs out (0xFFFFFFFF: no limit).
    virtual HRESULT STDMETHODCALLTYPE WaitUntilActive(DWORD timeoutMs) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStatusText(BSTR text) = 0;
};

// Signature of the library's page factory: a property-sheet page handle and
// the page's interface, one reference the caller owns.
using ProgressPageFactory = HRESULT(WINAPI*)(HPROPSHEETPAGE* page, IProgressPage** progress);

}  // namespace vantrel
