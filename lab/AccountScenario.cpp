// The scenario fields of a computer's own accounts: `users` and `groups`.
// They are kept as a DeclaredAccounts until the whole network is read; then
// BuildAccountDatabases resolves names into identifiers.
#include "lab/AccountDatabase.h"
#include "lab/Sections.h"
#include "lab/Text.h"

namespace lab {

namespace {

bool IsAccountName(std::wstring_view name) {
    if (name.empty() || name.size() > 20) return false;
    for (wchar_t ch : name) {
        if (ch < 32 || std::wstring_view(L"\"/\\[]:;|=,+*?<>@").find(ch) != std::wstring_view::npos) return false;
    }
    return true;
}

void ReadUser(const json::Value& value, const std::string& path, DeclaredAccounts& declared, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    LocalUser user;
    std::vector<std::wstring> groups;
    r.String("name", user.name, Need::Required);
    r.String("password", user.password);
    r.String("fullName", user.fullName);
    r.String("comment", user.comment);
    bool disabled = false, neverExpires = true, expired = false, lockedOut = false;
    r.Bool("disabled", disabled);
    r.Bool("lockedOut", lockedOut);
    r.Bool("passwordNeverExpires", neverExpires);
    r.Bool("passwordExpired", expired);
    r.String("profilePath", user.profilePath);
    r.String("logonScript", user.logonScript);
    r.String("homeDirectory", user.homeDirectory);
    r.String("homeDrive", user.homeDrive);
    r.StringList("groups", groups);
    if (diag.Ok() && !IsAccountName(user.name))
        diag.Fail(r.LineOf("name"), r.PathOf("name"),
                  "expected a user name of 1 to 20 characters without \"/\\[]:;|=,+*?<>@");
    r.Finish();
    if (!diag.Ok()) return;
    if (disabled) user.flags |= UF_ACCOUNTDISABLE;
    if (lockedOut) user.flags |= UF_LOCKOUT;
    if (!neverExpires) user.flags &= ~UF_DONT_EXPIRE_PASSWD;
    user.passwordExpired = expired;
    for (const LocalUser& other : declared.users) {
        if (EqualsNoCase(other.name, user.name)) {
            diag.Fail(r.LineOf("name"), r.PathOf("name"), "a user named \"" + Narrow(user.name) + "\" exists already");
            return;
        }
    }
    declared.users.push_back(std::move(user));
    declared.userGroups.push_back(std::move(groups));
}

void ReadGroup(const json::Value& value, const std::string& path, DeclaredAccounts& declared, Diagnostics& diag) {
    ObjectReader r(value, path, diag);
    DeclaredAccounts::Group group;
    r.String("name", group.name, Need::Required);
    r.String("comment", group.comment);
    r.StringList("members", group.members);
    if (diag.Ok() && (group.name.empty() || group.name.size() > 256 || group.name.find(L'\\') != std::wstring::npos))
        diag.Fail(r.LineOf("name"), r.PathOf("name"), "expected a group name of 1 to 256 characters without \\");
    r.Finish();
    if (diag.Ok()) declared.groups.push_back(std::move(group));
}

template <void (*Read)(const json::Value&, const std::string&, DeclaredAccounts&, Diagnostics&)>
void ParseList(const json::Value* value, const std::string& path, Computer& computer, Diagnostics& diag) {
    if (!value || !ExpectType(*value, json::Type::Array, path, diag)) return;
    DeclaredAccounts& declared = computer.Section<DeclaredAccounts>();
    for (size_t i = 0; i < value->items.size() && diag.Ok(); ++i) Read(value->items[i], ItemPath(path, i), declared, diag);
}

// Generated servers have a local backup account, as many real ones do.
void GenerateUsers(Computer& computer, size_t index, const GeneratorOptions&) {
    if (index % 4 != 1) return;
    LocalUser user{L"svc-backup"};
    user.password = L"B4ckup!" + std::to_wstring(index);
    user.fullName = L"Backup agent";
    user.comment = L"Runs the nightly backup";
    user.flags |= UF_PASSWD_CANT_CHANGE;
    DeclaredAccounts& declared = computer.Section<DeclaredAccounts>();
    declared.users.push_back(std::move(user));
    declared.userGroups.push_back({L"Backup Operators"});
}

const SectionRegistration kUsers{ComputerSectionHandler{"users", &ParseList<&ReadUser>, &GenerateUsers}};
const SectionRegistration kGroups{ComputerSectionHandler{"groups", &ParseList<&ReadGroup>, nullptr}};

}  // namespace

}  // namespace lab
