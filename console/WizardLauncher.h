#pragma once
// Starting the module's multiple-computer wizards as the management console
// does: MultiComputerOp with the operation and the chosen computers.
#include <windows.h>
#include <oaidl.h>

#include "Vantrel_h.h"

#include <string>
#include <vector>

namespace console {

// One run's queue holds at most this many computers.
constexpr size_t kMaxWizardComputers = 1024;

// The operations, by the names the command line uses.
struct WizardOperation {
    const wchar_t* name;   // "guest", "adminpw", "registry", "dns"
    long type;             // MuiltComputerOpEnum
    const wchar_t* menu;   // the console's menu entry
    const wchar_t* title;  // the wizard's caption
};
const std::vector<WizardOperation>& WizardOperations();
const WizardOperation* FindWizardOperation(const std::wstring& name);

// A computer of the console's list, with how its credentials are recalled.
struct ComputerChoice {
    std::wstring name;
    std::wstring credentialsPath;  // empty: the name
    long recallOptions = 0;
};

// The `Computers` value: a SAFEARRAY of VARIANTs each holding a BrevCompInfo
// for computers from the console's list. Fails when an object cannot be made.
HRESULT ComputersFromList(const std::vector<ComputerChoice>& computers, VARIANT* value);
// A typed list ("A,B,C") goes as it is, in a BSTR.
HRESULT ComputersFromText(const std::wstring& names, VARIANT* value);
// How many computers a value names (commas + 1 for text, elements for an
// array); 0 for anything else.
size_t ComputerCount(const VARIANT& value);
// The message shown instead of a wizard for more computers than one run takes.
std::wstring TooManyComputersText(size_t count);

// Creates the wizard and runs it modally over `owner`. More than
// kMaxWizardComputers: the message box, and E_INVALIDARG without a wizard.
HRESULT RunOperationWizard(HWND owner, long operation, const VARIANT& computers);
// The same without a box: creates the component, sets its properties and
// calls Create; the caller calls Start.
HRESULT PrepareOperationWizard(HWND owner, long operation, const VARIANT& computers, IMultiComputerOp** op);

// The Manage Services Wizard over `owner`: Create, then the computers, then
// Start; a box when it cannot be shown.
HRESULT RunServicesWizard(HWND owner, const VARIANT& computers);

}  // namespace console
