#pragma once
// Account names on a target computer: the identifiers of its built-in
// accounts and groups, name <-> identifier lookups, and the rules a new
// user or group name must follow with the messages that explain them.
#include "common/SidValue.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace vantrel {

// The name of the account whose identifier is the server's account-domain
// identifier plus `rid` (500: Administrator, 501: Guest), whatever it was
// renamed to. Platform errors come back as HRESULTs.
HRESULT AccountNameForRid(const wchar_t* server, DWORD rid, std::wstring& name);

// "DOMAIN\name" (the pre-Windows 2000 form) of the account with identifier
// `sid`, as the server resolves it; E_INVALIDARG for bytes that are not an
// identifier.
HRESULT DownlevelNameOfSid(const wchar_t* server, const SidBytes& sid, std::wstring& name);

// The identifier of `name` as the server resolves it.
HRESULT AccountNameToSid(const wchar_t* server, const wchar_t* name, SidBytes& sid);

// The server's name for the built-in Users group (S-1-5-32-545), which is
// translated on localised systems.
HRESULT BuiltinUsersGroupName(const wchar_t* server, std::wstring& name);

enum class BadNameRule {
    Local,     // our own check for older servers
    Platform,  // the server refused the name
};

// Whether `name` breaks the rule older servers need checked here: 1 to 20
// characters, no final '.', no control characters (code 30 or less) and none
// of " * + , / : ; < = > ? [ \ ] |.
bool BreaksLocalNameRule(std::wstring_view name);

// The platform major version of `server` as NetServerGetInfo level 101
// reports it (the low 4 bits of sv101_version_major); the call's error as an
// HRESULT when it fails.
HRESULT ServerMajorVersion(const wchar_t* server, DWORD& major);

// The local rule applies only to servers with major version 4 or less, as
// NetServerGetInfo level 101 reports them; when that call fails no local
// check is made.
bool LocalNameRuleApplies(const wchar_t* server);

// A create or rename that failed because of the name: 87 or 2202, and, when
// the call reported a failing field (`failingField` not null), that field is
// the name's.
bool IsNameRejection(DWORD error, const DWORD* failingField, DWORD nameField);

std::wstring BadNameMessage(std::wstring_view name, BadNameRule rule);

// "Local Users and Computers", error icon.
int ShowBadNameMessage(HWND owner, std::wstring_view name, BadNameRule rule);

// The check a new or renamed account name gets before it goes to the server:
// false, after the local-rule message, when the server is one the local rule
// applies to and the name breaks it; true otherwise (the server judges).
bool AcceptAccountName(HWND owner, const wchar_t* server, std::wstring_view name);

// A failed create or rename of `name`: the bad-name message when the server
// rejected the name, else the error text (or "Error 0x%08X occurred") in a box
// titled "Local Users and Groups".
int ShowAccountNameFailure(HWND owner, std::wstring_view name, DWORD error, const DWORD* failingField,
                           DWORD nameField);

}  // namespace vantrel
