#pragma once
// The loop of the network enumerations (NetSessionEnum, NetFileEnum,
// NetUserEnum, NetLocalGroupEnum, ...): each call answers one batch; 234
// (ERROR_MORE_DATA) means more batches follow, fetched by calling again with
// the same resume handle; 0 ends the listing. Every batch's buffer is freed
// (through plat::) before the next call, and on every way out.
//
//   call(LPBYTE* buffer, DWORD* read, DWORD* total, Resume* resume)
//       makes one call and returns its NET_API_STATUS;
//   each(const Entry* entries, DWORD count)
//       takes one batch; false stops the listing.
//
// S_OK: every batch was taken (or only the first, with kFirstBatchOnly).
// S_FALSE: `each` stopped it. Otherwise the failure of the call.
#include "common/PlatHandles.h"
#include "common/Result.h"

#include <lm.h>

namespace vantrel {

enum class NetBatches { kAll, kFirstBatchOnly };

template <typename Entry, typename Resume, typename Call, typename Each>
HRESULT EnumerateNetBatches(Call&& call, Each&& each, NetBatches batches = NetBatches::kAll) {
    Resume resume = 0;
    for (;;) {
        UniqueNetBuffer buffer;
        DWORD read = 0, total = 0;
        const NET_API_STATUS status = call(PutNetBuffer(buffer), &read, &total, &resume);
        if (status != NERR_Success && status != ERROR_MORE_DATA) RETURN_WIN32(status);
        if (read > 0 && !each(static_cast<const Entry*>(buffer.Get()), read)) return S_FALSE;
        if (status == NERR_Success || batches == NetBatches::kFirstBatchOnly) return S_OK;
        // More data but nothing in this batch: calling again would not move on.
        if (read == 0) RETURN_WIN32(ERROR_MORE_DATA);
    }
}

}  // namespace vantrel
