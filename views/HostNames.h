#pragma once
// Makes clients that connected by address readable: an address that answers
// an echo and has a reverse name is shown by that name.
#include <windows.h>

#include <string>

namespace vantrel {

// How the lookup went: the name was found, or why not.
enum class HostLookup : int {
    Found = 0,      // echo answered (and, for LookupHostName, a name was found)
    NoEchoHandle = 1,
    NoName = 2,     // echo answered, but no reverse name
    TimedOut = 3,   // echo status 11010
    Failed = 4,     // any other echo failure
};

// Sends one echo (72 bytes of data, 5000 ms) to `address` (first number
// highest).
HostLookup EchoHost(DWORD address);

// The text of a session's Computer cell: the reverse name of an address
// client that answers, otherwise the client name unchanged.
std::wstring ClientDisplayName(const wchar_t* client, HostLookup* status = nullptr);

}  // namespace vantrel
