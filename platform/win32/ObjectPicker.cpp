#include "platform/ObjectPicker.h"

HRESULT WINAPI plat::CreateDsObjectPicker(IDsObjectPicker** ppPicker) { return ::CoCreateInstance(CLSID_DsObjectPicker, nullptr, CLSCTX_INPROC_SERVER, IID_IDsObjectPicker, reinterpret_cast<void**>(ppPicker)); }
