#pragma once
// Management instrumentation: the locator through which a computer's
// namespaces are reached (ConnectServer and everything after it are methods of
// the objects it returns). Stands for CoCreateInstance of the locator class,
// in-process; the lab hands out a locator of its own network instead.
#include "platform/PlatApi.h"
#include <wbemcli.h>

namespace plat {
PLAT_API HRESULT WINAPI CreateWbemLocator(IWbemLocator** ppLocator);
}  // namespace plat
