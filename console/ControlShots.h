#pragma once
// Controls one service on several computers in one call through the module's
// batch interface (IMultiServiceControl), as a console script would, and
// saves a picture of the "Service Control" progress dialog while it works.
#include <cstdio>
#include <string>
#include <vector>

namespace console {

// Restarts SERVICE on each computer synchronously; writes
// FOLDER\control-SERVICE.png and prints the outcome on `out`; 0 on success.
int CaptureServiceControl(const std::vector<std::wstring>& computers, const std::wstring& service,
                          const std::wstring& folder, std::FILE* out);

}  // namespace console
