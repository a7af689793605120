#pragma once
// Passwords at rest: encrypted with DPAPI for the current user, with the
// store's own entropy so that other programs of the same user cannot open
// the blocks by simply calling CryptUnprotectData. What is encrypted also
// carries the entry's key, user name and name format: a protected block
// moved to another entry, or an entry whose clear fields were edited, is
// refused instead of handing out a password for the wrong account.
#include "companions/CredentialFile.h"
#include "companions/Secret.h"

namespace vantrel::companions {

// Fills entry->protectedData from the entry's key, name format and user name
// and `password` (which may be empty).
HRESULT ProtectPassword(StoredCredential* entry, const wchar_t* password, size_t length);

// The entry's password. ERROR_INVALID_DATA when the block does not belong to
// the entry; the platform's error when it cannot be decrypted (another
// user's block, or one that was altered).
HRESULT UnprotectPassword(const StoredCredential& entry, SecretString* password);

}  // namespace vantrel::companions
