#pragma once
// The property sheet of one service on one computer.
//
//   ServiceEditorSheet sheet(owner, L"\\\\SRV01", L"Spooler");
//   RETURN_IF_FAILED(sheet.Load());   // connects and opens the service
//   INT_PTR result = sheet.Run();     // -1: the sheet could not be shown
#include "common/PropertySheetHost.h"
#include "services/editor/ServiceEditorState.h"

#include <string>

namespace vantrel {

class ServiceEditorSheet {
public:
    // The caption is "service (computer)", or the service alone without a
    // computer.
    ServiceEditorSheet(HWND parent, std::wstring computer, std::wstring service);
    ServiceEditorSheet(const ServiceEditorSheet&) = delete;
    ServiceEditorSheet& operator=(const ServiceEditorSheet&) = delete;

    // Connects to the computer's service control manager, opens the service
    // with full access and adds the pages. A connection object that cannot be
    // made is also reported to the user.
    HRESULT Load();
    INT_PTR Run() { return sheet_.Run(); }

    ServiceEditorState& State() noexcept { return state_; }
    PropertySheetHost& Sheet() noexcept { return sheet_; }

private:
    HRESULT AddPages();

    HWND parent_;
    ServiceEditorState state_;  // before the sheet: the pages refer to it
    PropertySheetHost sheet_;
};

}  // namespace vantrel
