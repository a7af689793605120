// The per-computer "services" section of scenarios, and the services of
// generated computers.
#include "lab/families/ServiceControl.h"

#include "lab/AccountDatabase.h"
#include "lab/Sections.h"
#include "lab/Text.h"

namespace lab {

namespace {

struct Choice {
    const char* text;
    DWORD value;
};

constexpr Choice kTypes[] = {{"kernelDriver", SERVICE_KERNEL_DRIVER},
                             {"fileSystemDriver", SERVICE_FILE_SYSTEM_DRIVER},
                             {"ownProcess", SERVICE_WIN32_OWN_PROCESS},
                             {"shareProcess", SERVICE_WIN32_SHARE_PROCESS}};
constexpr Choice kStartTypes[] = {{"boot", SERVICE_BOOT_START},
                                  {"system", SERVICE_SYSTEM_START},
                                  {"auto", SERVICE_AUTO_START},
                                  {"demand", SERVICE_DEMAND_START},
                                  {"disabled", SERVICE_DISABLED}};
constexpr Choice kErrorControls[] = {{"ignore", SERVICE_ERROR_IGNORE},
                                     {"normal", SERVICE_ERROR_NORMAL},
                                     {"severe", SERVICE_ERROR_SEVERE},
                                     {"critical", SERVICE_ERROR_CRITICAL}};
constexpr Choice kStates[] = {{"stopped", SERVICE_STOPPED}, {"running", SERVICE_RUNNING}, {"paused", SERVICE_PAUSED}};
constexpr Choice kPendingStates[] = {{"start", SERVICE_START_PENDING},
                                     {"stop", SERVICE_STOP_PENDING},
                                     {"pause", SERVICE_PAUSE_PENDING},
                                     {"continue", SERVICE_CONTINUE_PENDING}};
constexpr Choice kActionTypes[] = {{"none", SC_ACTION_NONE},
                                   {"restart", SC_ACTION_RESTART},
                                   {"reboot", SC_ACTION_REBOOT},
                                   {"runCommand", SC_ACTION_RUN_COMMAND}};

template <size_t N>
void ReadChoice(ObjectReader& r, const char* key, const Choice (&choices)[N], DWORD& out) {
    const json::Value* v = r.Take(key);
    if (!v || !ExpectType(*v, json::Type::String, r.PathOf(key), r.Diag())) return;
    std::string expected;
    for (const Choice& c : choices) {
        if (v->text == c.text) {
            out = c.value;
            return;
        }
        expected += expected.empty() ? "" : ", ";
        expected += std::string("\"") + c.text + "\"";
    }
    r.Diag().Fail(v->line, r.PathOf(key), "expected one of " + expected);
}

void ReadFailureActions(const json::Value& value, const std::string& path, FailureActions& out, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    out.present = true;
    r.Number("resetPeriod", out.resetPeriod);
    r.String("rebootMessage", out.rebootMessage);
    r.String("command", out.command);
    if (const json::Value* list = r.Take("actions"); list && ExpectType(*list, json::Type::Array, r.PathOf("actions"), diag)) {
        for (size_t i = 0; i < list->items.size() && diag.Ok(); ++i) {
            ObjectReader a(list->items[i], ItemPath(r.PathOf("actions"), i), diag);
            SC_ACTION action{SC_ACTION_NONE, 0};
            DWORD type = SC_ACTION_NONE;
            ReadChoice(a, "type", kActionTypes, type);
            action.Type = static_cast<SC_ACTION_TYPE>(type);
            a.Number("delayMs", action.Delay);
            a.Finish();
            out.actions.push_back(action);
        }
    }
    r.Finish();
}

LabService ReadService(const json::Value& value, const std::string& path, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    LabService s;
    r.String("name", s.name, Need::Required);
    s.displayName = s.name;
    r.String("displayName", s.displayName);
    ReadChoice(r, "type", kTypes, s.type);
    bool interactive = false;
    r.Bool("interactive", interactive);
    if (interactive) s.type |= SERVICE_INTERACTIVE_PROCESS;
    ReadChoice(r, "startType", kStartTypes, s.startType);
    ReadChoice(r, "errorControl", kErrorControls, s.errorControl);
    r.String("binaryPath", s.binaryPath);
    r.String("group", s.group);
    r.StringList("dependencies", s.dependencies);
    if (s.type & SERVICE_DRIVER) s.account.clear();
    r.String("account", s.account);
    if (r.Take("password")) {
        r.String("password", s.password);
        s.passwordSet = true;
    }
    r.String("description", s.description);
    if (const json::Value* fa = r.Take("failureActions")) ReadFailureActions(*fa, r.PathOf("failureActions"), s.failureActions, diag);
    s.state = s.startType <= SERVICE_AUTO_START ? SERVICE_RUNNING : SERVICE_STOPPED;
    ReadChoice(r, "state", kStates, s.state);
    ServiceBehaviour& b = s.behaviour;
    r.Bool("acceptStop", b.acceptStop);
    r.Bool("acceptPause", b.acceptPause);
    r.Number("startMs", b.startMs, Need::Optional, 0, 86400000);
    r.Number("stopMs", b.stopMs, Need::Optional, 0, 86400000);
    r.Number("pauseMs", b.pauseMs, Need::Optional, 0, 86400000);
    r.Number("checkPointMs", b.checkPointMs, Need::Optional, 1, 86400000);
    r.Number("waitHintMs", b.waitHintMs, Need::Optional, 0, 86400000);
    ReadChoice(r, "hang", kPendingStates, b.hangIn);
    r.Bool("responds", b.responds);
    if (const json::Value* f = r.Take("startFailure")) {
        ObjectReader fr(*f, r.PathOf("startFailure"), diag);
        fr.Number("exitCode", b.startFailure, Need::Required, 1, 0xFFFF);
        fr.Number("serviceExitCode", b.serviceExitCode);
        fr.Bool("immediate", b.failImmediately);
        fr.Finish();
    }
    r.Finish();
    return s;
}

void ReadList(const json::Value& list, const std::string& path, std::vector<LabService>& out, Diagnostics& diag) {
    if (!ExpectType(list, json::Type::Array, path, diag)) return;
    for (size_t i = 0; i < list.items.size() && diag.Ok(); ++i) {
        LabService s = ReadService(list.items[i], ItemPath(path, i), diag);
        if (!diag.Ok()) return;
        bool replaced = false;
        for (LabService& existing : out) {
            if (EqualsNoCase(existing.name, s.name)) {
                existing = s;  // the scenario's record replaces the standard one
                replaced = true;
            }
        }
        if (!replaced) out.push_back(std::move(s));
    }
}

void Finalise(Computer& computer, ServiceTable& table) {
    // The accounts the services were installed with may log on as services.
    std::vector<std::wstring>& accounts = computer.Section<DeclaredAccounts>().serviceAccounts;
    for (LabService& s : table.services) {
        if (!s.account.empty() && !IsBuiltInServiceAccount(s.account)) accounts.push_back(s.account);
        if (s.state != SERVICE_STOPPED && !(s.type & SERVICE_DRIVER)) {
            s.processId = table.nextProcessId;
            table.nextProcessId += 4;
        }
    }
}

// "services": [ ... ] is the computer's whole list; { "standard": bool,
// "list": [ ... ] } adds to (or replaces by name in) the standard set.
void ParseServices(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag) {
    ServiceTable& table = computer.Section<ServiceTable>();
    table.services.clear();
    if (!value) {
        table.services = StandardServices(computer);
    } else if (value->type == json::Type::Array) {
        ReadList(*value, path, table.services, diag);
    } else {
        ObjectReader r(*value, path, diag);
        bool standard = true;
        r.Bool("standard", standard);
        if (standard) table.services = StandardServices(computer);
        if (const json::Value* list = r.Take("list")) ReadList(*list, r.PathOf("list"), table.services, diag);
        r.Finish();
    }
    for (size_t i = 0; i < table.services.size() && diag.Ok(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const LabService& a = table.services[i];
            const LabService& b = table.services[j];
            if (EqualsNoCase(a.displayName, b.displayName) || EqualsNoCase(a.displayName, b.name) ||
                EqualsNoCase(a.name, b.displayName)) {
                diag.Fail(value ? value->line : 0, path,
                          "services " + Narrow(b.name) + " and " + Narrow(a.name) + " share a name");
                break;
            }
        }
    }
    Finalise(computer, table);
}

void GenerateServices(Computer& computer, size_t index, const GeneratorOptions&) {
    ServiceTable& table = computer.Section<ServiceTable>();
    table.services = StandardServices(computer);
    // Every seventh computer has its spooler stopped, so that lists differ.
    if (index % 7 == 3) {
        if (LabService* spooler = table.Find(L"Spooler")) spooler->state = SERVICE_STOPPED;
    }
    Finalise(computer, table);
}

const SectionRegistration kServices{ComputerSectionHandler{"services", &ParseServices, &GenerateServices}};

}  // namespace

}  // namespace lab
