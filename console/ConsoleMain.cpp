// vantrel-console: hosts Vantrel.dll as the management console does.
//   vantrel-console                         the interactive console
//   vantrel-console --report                print what the module offers and exit
//   vantrel-console --headless --out DIR [--computer NAME]... [--view NAME]...
//                   [--credentials PATH] [--options N] [--timeout SECONDS]
//       refresh each view for each computer, wait for it, write DIR\COMPUTER-VIEW.tsv
//       and .png and print a text rendering (views: sessions, openfiles, ...)
//   vantrel-console --editor SERVICE --out DIR [--computer NAME]
//       open the service's property sheet and save a picture of each page
//   vantrel-console --control SERVICE --out DIR --computer NAME...
//       restart the service on the computers in one batch call and save a
//       picture of the progress dialog
//   vantrel-console --batch start|stop|pause|resume|restart --out DIR --computer NAME... --service NAME...
//                   [--async]
//       on each computer's Services tab select the services (as the list
//       shows them) and add them to the service batch, then run the command
//       over the batch from the "Service Batch" window; pictures of the batch
//       and of a progress dialog, and each service's status afterwards
//   vantrel-console --accounts --out DIR --computer NAME...
//       list users and groups, then create, disable and delete a user and add a
//       member to a group on the first computer through the views' dialogs
//   vantrel-console --user NAME --out DIR [--computer NAME]
//       open the user's property sheet from the users view and save a picture of
//       each page and of both static route dialogs
//   vantrel-console --wizard guest|adminpw --out DIR [--computer NAME]... [--password P]
//   vantrel-console --wizard dns --out DIR [--computer NAME]... [--register]
//       walk the multiple-computer wizard over the computers (every lab
//       computer without --computer) with Next, save a picture of each page
//       and print the completion page's summary; --register checks the box
//       of the Register DNS Records page; the registry wizard takes
//       --regfile FILE (compare with a registry file) or --entries FILE
//       (individual entries, one a line) and checks "Modify registries"
//   vantrel-console --wizard services --out DIR --computer NAME... --source NAME --service NAME...
//                   [--startup Automatic|Manual|Disabled] [--stop] [--start] [--dependents]
//                   [--account A --password P | --local-system]
//       walk the Manage Services Wizard: the services (as the list shows
//       them) of the source computer, the options, then the run and summary
//   vantrel-console --terminal SESSION --out DIR --computer NAME
//       send the terminal session a message and close it through the view's
//       menu and dialog, saving pictures of the dialog and the view
// Interactive and headless runs accept --computer (the first one is
// connected at start), --credentials and --options.
#include "common/Handles.h"
#include "console/ConsoleWindow.h"
#include "console/AccountShots.h"
#include "console/ControlShots.h"
#include "console/EditorShots.h"
#include "console/Headless.h"
#include "console/Report.h"
#include "console/WizardShots.h"
#include "console/ServicesWizardShots.h"
#include "console/SessionShots.h"
#include "lab/LabControl.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr wchar_t kUsage[] =
    L"usage: vantrel-console [--report | --headless --out DIR | --editor SERVICE --out DIR |\n"
    L"                        --control SERVICE --out DIR | --wizard guest|adminpw --out DIR [--password P] |\n"
    L"                        --wizard dns --out DIR [--register] |\n"
    L"                        --batch start|stop|pause|resume|restart --out DIR --service NAME... [--async] |\n"
    L"                        --wizard services --out DIR --source NAME --service NAME... [--startup TYPE]\n"
    L"                          [--stop] [--start] [--dependents] [--account A --password P | --local-system] |\n"
    L"                        --accounts --out DIR | --user NAME --out DIR |\n"
    L"                        --terminal SESSION --out DIR]\n"
    L"                       [--computer NAME]... [--view NAME]...\n"
    L"                       [--credentials PATH] [--options N] [--timeout SECONDS]\n"
    L"                       [--regfile FILE | --entries FILE]  (with --wizard registry)\n";

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool report = false, headless = false, accounts = false, registerRecords = false;
    std::wstring editedService, controlledService, wizardName, password, terminalSession, sheetUser;
    std::wstring regFile, entriesFile, batchVerb;
    bool batchAsync = false;
    console::HeadlessOptions options;
    console::ServicesWizardRun services;
    const std::vector<std::wstring> words(argv, argv + argc);
    const auto isServicesWord = [](const std::wstring& arg) {
        for (const wchar_t* word : {L"--source", L"--service", L"--startup", L"--stop", L"--start", L"--dependents",
                                    L"--account", L"--local-system"})
            if (arg == word) return true;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--report") report = true;
        else if (arg == L"--headless") headless = true;
        else if (arg == L"--accounts") accounts = true;
        else if (arg == L"--editor" && hasValue) editedService = argv[++i];
        else if (arg == L"--control" && hasValue) controlledService = argv[++i];
        else if (arg == L"--wizard" && hasValue) wizardName = argv[++i];
        else if (arg == L"--batch" && hasValue) batchVerb = argv[++i];
        else if (arg == L"--async") batchAsync = true;
        else if (arg == L"--password" && hasValue) password = argv[++i];
        else if (arg == L"--register") registerRecords = true;
        else if (arg == L"--terminal" && hasValue) terminalSession = argv[++i];
        else if (arg == L"--user" && hasValue) sheetUser = argv[++i];
        else if (arg == L"--out" && hasValue) options.outputFolder = argv[++i];
        else if (arg == L"--computer" && hasValue) options.computers.push_back(argv[++i]);
        else if (arg == L"--view" && hasValue) options.views.push_back(argv[++i]);
        else if (arg == L"--credentials" && hasValue) options.credentialsPath = argv[++i];
        else if (arg == L"--options" && hasValue) options.recallOptions = std::wcstol(argv[++i], nullptr, 10);
        else if (arg == L"--timeout" && hasValue) options.timeoutSeconds = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
        else if (arg == L"--regfile" && hasValue) regFile = argv[++i];
        else if (arg == L"--entries" && hasValue) entriesFile = argv[++i];
        else if (isServicesWord(arg)) {
            size_t at = static_cast<size_t>(i);
            std::wstring error;
            if (!console::ParseServicesWizardArgument(words, at, services, error)) {
                std::fwprintf(stderr, L"vantrel-console: %ls\n%ls", error.c_str(), kUsage);
                return 2;
            }
            i = static_cast<int>(at);
        } else {
            std::fwprintf(stderr, L"vantrel-console: unknown argument %ls\n%ls", argv[i], kUsage);
            return 2;
        }
    }
    if ((headless || accounts || !editedService.empty() || !controlledService.empty() || !wizardName.empty() ||
         !batchVerb.empty() ||
         !terminalSession.empty() || !sheetUser.empty()) &&
        options.outputFolder.empty()) {
        std::fwprintf(stderr, L"vantrel-console: --headless, --editor, --control, --batch, --wizard, --accounts, --user and --terminal need --out DIR\n%ls", kUsage);
        return 2;
    }
    if (!terminalSession.empty() && options.computers.size() != 1) {
        std::fwprintf(stderr, L"vantrel-console: --terminal needs one --computer\n%ls", kUsage);
        return 2;
    }
    const bool servicesWizard = wizardName == L"services";
    const console::WizardOperation* wizard =
        wizardName.empty() || servicesWizard ? nullptr : console::FindWizardOperation(wizardName);
    if (!wizardName.empty() && !wizard && !servicesWizard) {
        std::fwprintf(stderr, L"vantrel-console: unknown wizard %ls (guest, adminpw, registry, dns, services)\n", wizardName.c_str());
        return 2;
    }
    if (!controlledService.empty() && options.computers.empty()) {
        std::fwprintf(stderr, L"vantrel-console: --control needs at least one --computer\n%ls", kUsage);
        return 2;
    }
    if (!batchVerb.empty() && (options.computers.empty() || services.services.empty())) {
        std::fwprintf(stderr, L"vantrel-console: --batch needs at least one --computer and one --service\n%ls", kUsage);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    vantrel::ComApartment apartment;
    int rc = 0;
    if (report) {
        rc = console::WriteModuleReport(stdout) == 0 ? 0 : 1;
    } else if (!editedService.empty()) {
        rc = console::CaptureServiceEditor(options.computers.empty() ? std::wstring() : options.computers[0],
                                           editedService, options.outputFolder, stdout);
    } else if (!controlledService.empty()) {
        rc = console::CaptureServiceControl(options.computers, controlledService, options.outputFolder, stdout);
    } else if (!batchVerb.empty()) {
        console::BatchShotRun batch;
        batch.computers = options.computers;
        batch.services = services.services;
        batch.verb = batchVerb;
        batch.synchronous = !batchAsync;
        batch.credentialsPath = options.credentialsPath;
        batch.recallOptions = options.recallOptions;
        batch.folder = options.outputFolder;
        batch.timeoutSeconds = options.timeoutSeconds;
        rc = console::CaptureServiceBatch(batch, stdout);
    } else if (!sheetUser.empty()) {
        rc = console::CaptureUserSheet(options.computers.empty() ? lab::LocalComputerName() : options.computers[0],
                                       sheetUser, options.outputFolder, stdout);
    } else if (accounts) {
        rc = console::RunAccountsDemo(options.computers.empty() ? std::vector<std::wstring>{lab::LocalComputerName()}
                                                                : options.computers,
                                      options.outputFolder, stdout);
    } else if (servicesWizard) {
        services.computers = options.computers;
        if (services.computers.empty())
            for (DWORD i = 0; i < LabComputerCount(); ++i) services.computers.push_back(lab::ComputerName(i));
        services.password = password;
        services.folder = options.outputFolder;
        services.timeoutSeconds = options.timeoutSeconds;
        rc = console::CaptureServicesWizard(services, stdout);
    } else if (wizard) {
        console::WizardRun run;
        run.operation = wizard;
        run.password = password;
        run.checkBoxes = registerRecords;
        run.folder = options.outputFolder;
        run.timeoutSeconds = options.timeoutSeconds;
        run.regFile = regFile;
        run.entriesFile = entriesFile;
        std::vector<std::wstring> names = options.computers;
        if (names.empty())
            for (DWORD i = 0; i < LabComputerCount(); ++i) names.push_back(lab::ComputerName(i));
        for (const std::wstring& name : names)
            run.computers.push_back({name, options.credentialsPath, options.recallOptions});
        rc = console::CaptureWizard(run, stdout);
    } else if (!terminalSession.empty()) {
        rc = console::ActOnTerminalSession(options.computers[0], terminalSession, options.outputFolder, stdout);
    } else if (headless) {
        rc = console::RunHeadless(options, stdout);
    } else {
        console::ViewHost host;
        const HRESULT hr = host.Load();
        if (FAILED(hr)) {
            std::fwprintf(stderr, L"vantrel-console: ComputerResMgmtUI could not be created (0x%08lX)\n", static_cast<unsigned long>(hr));
            rc = 1;
        } else {
            host.Keep(options.views);
            std::vector<std::wstring> computers;
            for (DWORD i = 0; i < LabComputerCount(); ++i) computers.push_back(lab::ComputerName(i));
            console::ConsoleWindow window;
            if (window.Create(host, computers, options.credentialsPath, options.recallOptions)) {
                const std::wstring first = options.computers.empty() ? lab::LocalComputerName() : options.computers[0];
                window.Connect(first, options.credentialsPath.empty() ? first : options.credentialsPath, options.recallOptions);
                rc = window.Run();
            } else {
                rc = 1;
            }
        }
    }
    std::fflush(stdout);
    return rc;
}
