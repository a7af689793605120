#pragma once
// The pages of the Manage Registry Entries Wizard between the computer list
// and the completion page: search method, entries, query, results and
// modify; and the Registry Entry dialog.
#include "common/Dialog.h"
#include "wizards/TvSheetComputerWizard.h"
#include "wizards/pages/WizardPages.h"
#include "wizards/registry/RegistryJobs.h"
#include "wizards/selection/ComputerListPage.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

using RegistrySheet = TvSheetComputerWizard<RegistryQueryJob, RegistryModifyJob>;

extern const wchar_t kRegistryWizardCaption[];  // "Manage Registry Entries"

// Starts a program with a command line; false (with the last error kept)
// when it cannot be started. The result page's editor is started so.
using ProgramStarter = std::function<bool(const std::wstring& commandLine)>;
bool StartProgram(const std::wstring& commandLine);

// A file-open dialog: true with the chosen path; false when cancelled, with
// `failure` set when the dialog itself failed.
bool BrowseForFile(HWND owner, const wchar_t* filter, std::wstring& path, bool& failure);

// Opens a computer's result file in the editor, asking for another editor
// when notepad cannot be started (see ResultsPage).
void ViewResultFile(HWND owner, const std::wstring& computer, const ProgramStarter& start);

// The computer list in source-computer mode with this wizard's own summary
// paragraph: the computers the query ran on.
class RegistryComputerListPage final : public ComputerListPage {
public:
    explicit RegistryComputerListPage(RegistrySheet& sheet);
    std::wstring SummaryText() const override;

private:
    RegistrySheet& sheet_;
};

class SearchMethodPage final : public WizardPage {
public:
    explicit SearchMethodPage(RegistrySheet& sheet);
    std::wstring SummaryText() const override;

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnWizardNext() override;

private:
    void ApplyMethod();
    RegistrySheet& sheet_;
};

class RegistryEntriesPage final : public WizardPage {
public:
    RegistryEntriesPage(RegistrySheet& sheet, const ComputerListPage& computers);
    std::wstring SummaryText() const override;
    const std::vector<RegistryEntry>& Entries() const noexcept { return entries_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    void OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnNotify(const NMHDR& header) override;
    LRESULT OnWizardNext() override;

private:
    void Edit(int row);
    void RemoveSelected();
    void ShowRow(int row, bool insert);
    void UpdateButtons();
    RegistrySheet& sheet_;
    const ComputerListPage& computers_;
    std::vector<RegistryEntry> entries_;
};

class RegistryResultsPage final : public WizardPage {
public:
    explicit RegistryResultsPage(RegistrySheet& sheet);
    std::wstring SummaryText() const override;
    // How View Results starts the editor (tests start none).
    void SetProgramStarter(ProgramStarter start) { start_ = std::move(start); }

protected:
    BOOL OnInitDialog() override;
    LRESULT OnSetActive() override;
    void OnCommand(UINT id, UINT code, HWND control) override;

private:
    RegistrySheet& sheet_;
    ProgramStarter start_ = StartProgram;
};

class ModifyRegistryPage final : public WizardPage {
public:
    ModifyRegistryPage(RegistrySheet& sheet, ComputerListPage& computers);

protected:
    LRESULT OnWizardNext() override;

private:
    RegistrySheet& sheet_;
    ComputerListPage& computers_;
};

// Unchecks every checked row, then checks the rows of the computers whose
// query succeeded with omissions (names compared without regard to case).
void MarkComputersToRepair(SelectionTable& table, const GrowableArray<RegistryQueryJob>& queried);

// The Registry Entry dialog: edits `entry`; Browse reads the registry of
// `sourceComputer` through the entry selector.
class RegistryEntryDialog final : public Dialog {
public:
    RegistryEntryDialog(RegistryEntry& entry, std::wstring sourceComputer);

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id, UINT code, HWND control) override;

private:
    RegEntryType SelectedType() const;
    RegAction SelectedAction() const;
    void ApplyRules(bool typeChanged);
    bool Accept();
    void Browse();
    RegistryEntry& entry_;
    std::wstring source_;
};

// Adds the pages after the computer list (method, entries, query, progress
// 1, results, modify, progress 2) to `sheet`.
HRESULT AddRegistryPages(RegistrySheet& sheet, ComputerListPage& computers);

}  // namespace vantrel
