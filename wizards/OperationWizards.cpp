#include "wizards/OperationWizards.h"

#include "common/ResourceText.h"
#include "common/Result.h"
#include "resources/resource.h"
#include "wizards/TvSheetComputerWizard.h"
#include "wizards/accounts/AccountJobs.h"
#include "wizards/accounts/PasswordPage.h"
#include "wizards/dns/DnsJobs.h"
#include "wizards/dns/DnsPages.h"
#include "wizards/registry/RegistryPages.h"
#include "wizards/pages/WizardPages.h"
#include "wizards/selection/ComputerListPage.h"

#include <functional>
#include <new>

namespace vantrel {
namespace {

struct WizardTexts {
    UINT title, heading, text, completed;
};

std::unique_ptr<WelcomePage> MakeWelcome(const WizardTexts& texts) {
    return std::make_unique<WelcomePage>(LoadText(texts.title), LoadText(texts.heading),
                                         LoadText(texts.text) + L"\r\n\r\n" + LoadText(IDS_WIZARD_CONTINUE));
}

// Pages a wizard adds after progress page 1, with the computer list at hand.
using LaterPages = std::function<HRESULT(ComputerListPage& list)>;

// Welcome, the computer list, `operationPage` (whose Next starts phase 1),
// progress page 1, `later` and completion; without an operation page,
// welcome, computer list and completion.
template <typename Sheet>
HRESULT AssemblePages(Sheet& sheet, const WizardTexts& texts, const VARIANT* computers, UINT kind, bool sourceMode,
                      std::unique_ptr<OperationPage> operationPage, const LaterPages& later = {}) {
    RETURN_IF_FAILED(sheet.AddPage(MakeWelcome(texts)));
    auto list = std::make_unique<ComputerListPage>(kind);
    ComputerListPage& listPage = *list;
    list->SetSourceMode(sourceMode);
    RETURN_IF_FAILED(list->SetComputers(computers, kRowChecked));
    sheet.SetComputerCollector(CollectorOf(*list));
    RETURN_IF_FAILED(sheet.AddPage(std::move(list)));
    if (operationPage) {
        operationPage->SetNextHook([&sheet] { return SUCCEEDED(sheet.StartMasterThread()) ? 0 : -1; });
        RETURN_IF_FAILED(sheet.AddPage(std::move(operationPage)));
        RETURN_IF_FAILED(sheet.AddProgressPage());
        if (later) RETURN_IF_FAILED(later(listPage));
    }
    return sheet.AddPage(std::make_unique<CompletionPage>(LoadText(texts.completed), LoadText(IDS_WIZARD_COMPLETED_TEXT),
                                                          [&sheet] { return sheet.Summary(); }));
}

// A Sheet titled `title` whose pages `assemble(sheet)` adds, handed to
// `wizard` once they are all there.
template <typename Sheet, typename Assemble>
HRESULT BuildSheet(HWND parent, UINT title, std::unique_ptr<ComputerWizardSheet>& wizard, Assemble assemble) {
    std::unique_ptr<Sheet> sheet(new (std::nothrow) Sheet(parent, LoadText(title)));
    if (!sheet) RETURN_HR(E_OUTOFMEMORY);
    RETURN_IF_FAILED(assemble(*sheet));
    wizard = std::move(sheet);
    return S_OK;
}

}  // namespace

// The checked rows of the computer list, read on the master thread.
ComputerCollector CollectorOf(const ComputerListPage& page) {
    return [&page](std::vector<ComputerTarget>& computers) -> HRESULT {
        const SelectionTable& table = page.Table();
        if (table.Empty()) return E_POINTER;
        for (LONG row : table.CollectRows(kRowChecked)) {
            ComputerTarget target;
            target.name.Reset(::SysAllocString(table.Text(row, 0).c_str()));
            if (!target.name) return E_OUTOFMEMORY;
            target.info = table.ComputerInfo(row);
            computers.push_back(std::move(target));
        }
        return S_OK;
    };
}

HRESULT BuildOperationWizard(long operation, HWND parent, const VARIANT* computers,
                             std::unique_ptr<ComputerWizardSheet>& wizard) {
    wizard.reset();
    switch (operation) {
    case kOperationDisableGuest: {
        const WizardTexts texts{IDS_GUEST_WIZARD_TITLE, IDS_GUEST_WELCOME_HEADING, IDS_GUEST_WELCOME_TEXT,
                                IDS_GUEST_COMPLETED};
        return BuildSheet<TvSheetComputerWizard<GuestAccountJob, GuestAccountJob>>(
            parent, texts.title, wizard, [&](auto& sheet) {
                return AssemblePages(sheet, texts, computers, IDS_KIND_RESOURCE, false,
                                     std::make_unique<OperationPage>(IDD_WIZARD_OPERATION, LoadText(IDS_GUEST_PAGE_TITLE),
                                                                     LoadText(IDS_GUEST_PAGE_TEXT)));
            });
    }
    case kOperationResetAdminPassword: {
        const WizardTexts texts{IDS_ADMINPW_WIZARD_TITLE, IDS_ADMINPW_WELCOME_HEADING, IDS_ADMINPW_WELCOME_TEXT,
                                IDS_ADMINPW_COMPLETED};
        return BuildSheet<TvSheetComputerWizard<AdminPasswordJob, AdminPasswordJob>>(
            parent, texts.title, wizard, [&](auto& sheet) {
                auto page = std::make_unique<PasswordPage>(LoadText(IDS_ADMINPW_PAGE_TITLE),
                                                           LoadText(IDS_ADMINPW_PAGE_TEXT), sheet.Prototype1().password);
                return AssemblePages(sheet, texts, computers, IDS_KIND_RESOURCE, false, std::move(page));
            });
    }
    case kOperationValidateRegistry: {
        const WizardTexts texts{IDS_REGISTRY_WIZARD_TITLE, IDS_REGISTRY_WELCOME_HEADING, IDS_REGISTRY_WELCOME_TEXT,
                                IDS_REGISTRY_COMPLETED};
        return BuildSheet<RegistrySheet>(parent, texts.title, wizard, [&](RegistrySheet& pages) -> HRESULT {
            RETURN_IF_FAILED(pages.AddPage(MakeWelcome(texts)));
            auto list = std::make_unique<RegistryComputerListPage>(pages);
            RETURN_IF_FAILED(list->SetComputers(computers, kRowChecked));
            pages.SetComputerCollector(CollectorOf(*list));
            ComputerListPage& computerList = *list;
            RETURN_IF_FAILED(pages.AddPage(std::move(list)));
            RETURN_IF_FAILED(AddRegistryPages(pages, computerList));
            return pages.AddPage(std::make_unique<CompletionPage>(
                LoadText(texts.completed), LoadText(IDS_WIZARD_COMPLETED_TEXT), [&pages] { return pages.Summary(); }));
        });
    }
    case kOperationCheckDns: {
        using Sheet = TvSheetComputerWizard<DnsCheckJob, DnsRegisterJob>;
        const WizardTexts texts{IDS_DNS_WIZARD_TITLE, IDS_DNS_WELCOME_HEADING, IDS_DNS_WELCOME_TEXT,
                                IDS_DNS_COMPLETED};
        return BuildSheet<Sheet>(parent, texts.title, wizard, [&](Sheet& dns) {
            // After the search: its results, the choice to register again, and
            // the progress of the re-registration.
            const LaterPages later = [&dns](ComputerListPage& list) -> HRESULT {
                RETURN_IF_FAILED(dns.AddPage(std::make_unique<DnsResultsPage>(dns.FinishedJobs1())));
                RETURN_IF_FAILED(dns.AddPage(std::make_unique<DnsRegisterPage>(
                    list.Table(), dns.FinishedJobs1(), [&dns] { return SUCCEEDED(dns.StartMasterThread()) ? 0 : -1; })));
                return dns.AddProgressPage();
            };
            return AssemblePages(dns, texts, computers, IDS_KIND_RESOURCE, false, MakeDnsCheckPage(), later);
        });
    }
    case 0:
        RETURN_HR(E_FAIL);
    default:
        RETURN_HR(E_INVALIDARG);
    }
}

}  // namespace vantrel
