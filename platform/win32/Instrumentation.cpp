#include "platform/Instrumentation.h"

HRESULT WINAPI plat::CreateWbemLocator(IWbemLocator** ppLocator) { return ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, reinterpret_cast<void**>(ppLocator)); }
