#pragma once
// The plumbing every COM object of the lab shares: the reference count, the
// release accounting (a LAB_KIND_COM_OBJECT record from creation to the last
// Release, so that a leaked object shows in the leak report), QueryInterface
// over the interfaces the object lists, and the gate for its methods:
//
//   class Picker final : public lab::ComObject<lab::Implements<IDsObjectPicker, &IID_IDsObjectPicker>> {
//   public:
//       explicit Picker(const std::wstring& computer)
//           : ComObject(computer, "CreateDsObjectPicker", Family::ObjectPicker, "IDsObjectPicker") {}
//       HRESULT STDMETHODCALLTYPE Method() override {
//           if (const HRESULT hr = Enter("IDsObjectPicker::Method")) return hr;   // counted, delayed, faulted
//           ...
//       }
//   };
//
// Enter opens the gate on the object's computer (or the one given), counts
// the call, waits out the latency, applies the fault rules and answers for
// an unreachable computer as the family does, all as an HRESULT; the gate is
// closed again when it returns, so the method may call anything afterwards.
// Objects start with one reference, which the creator hands to its caller.
#include "lab/Accounting.h"
#include "lab/Family.h"
#include "lab/Gate.h"

#include <atomic>
#include <string>

namespace lab {

// One interface an object answers to, with its identifier.
template <typename I, const IID* Id>
struct Implements {
    using Type = I;
    static const IID& Iid() { return *Id; }
};

template <typename First, typename... Rest>
class ComObject : public First::Type, public Rest::Type... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        void* found = nullptr;
        if (iid == IID_IUnknown || iid == First::Iid()) found = static_cast<typename First::Type*>(this);
        ((found == nullptr && iid == Rest::Iid() ? void(found = static_cast<typename Rest::Type*>(this)) : void()), ...);
        *out = found;
        if (!found) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            Accounting::Get().Release(LAB_KIND_COM_OBJECT, Identity(), releasedBy_.c_str());
            delete this;
        }
        return left;
    }

protected:
    // `createdBy`: the function the leak report names; `interfaceName`: the
    // interface whose Release a bad release is put down to.
    ComObject(std::wstring computer, const char* createdBy, Family family, const char* interfaceName)
        : computer_(std::move(computer)), family_(family), releasedBy_(std::string(interfaceName) + "::Release") {
        Accounting::Get().Register(LAB_KIND_COM_OBJECT, Identity(), computer_, createdBy);
    }
    virtual ~ComObject() = default;

    // S_OK when the method may go on; otherwise what it answers.
    HRESULT Enter(const char* method, const wchar_t* server = nullptr) const {
        const Gate gate(server ? server : computer_.c_str(), family_, method);
        return gate.ErrorAsHResult();
    }
    const std::wstring& Computer() const { return computer_; }

private:
    const void* Identity() const { return static_cast<const typename First::Type*>(this); }

    std::atomic<ULONG> refs_{1};
    std::wstring computer_;
    Family family_;
    std::string releasedBy_;
};

}  // namespace lab
