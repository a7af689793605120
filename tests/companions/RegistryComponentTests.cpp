// The registry component of the lab companion DLL against lab computers:
// comparison with registry files of every value type, import, single
// entries, and the failures a computer or a key can answer with.
#include "common/PlatHandles.h"
#include "lab/LabControl.h"
#include "platform/Registry.h"
#include "tests/companions/CompanionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace companiontest;
using vantrel::ComPtr;
using vantrel::UniqueBstr;

namespace {

// REG01 holds a key with every value type; the operator administers it and
// DENIED, but is refused HKLM\SOFTWARE\Sealed on REG01 and may only read
// HKLM\SOFTWARE\Frozen. DENIED lets nobody in remotely; OFFLINE is off.
constexpr char kNetwork[] = R"json({
  "domain": { "name": "LAB" },
  "interactiveUser": "LAB\\operator",
  "accounts": [ { "name": "LAB\\operator", "password": "Op3rator!" } ],
  "computers": [
    { "name": "ADMIN01", "local": true, "administrators": ["LAB\\operator"] },
    { "name": "REG01", "administrators": ["LAB\\operator"], "registry": { "keys": [
      { "path": "HKLM\\SOFTWARE\\Vantrel Test", "values": [
        { "name": "", "type": "REG_SZ", "data": "default" },
        { "name": "Text", "type": "REG_SZ", "data": "C:\\Program Files\\\"x\"" },
        { "name": "Expand", "type": "REG_EXPAND_SZ", "data": "%SystemRoot%\\x" },
        { "name": "Multi", "type": "REG_MULTI_SZ", "data": ["a", "b"] },
        { "name": "Number", "type": "REG_DWORD", "data": 42 },
        { "name": "Big", "type": "REG_QWORD", "data": "80000000000000ff" },
        { "name": "Blob", "type": "REG_BINARY", "data": "01 a0 ff" },
        { "name": "Nothing", "type": "REG_NONE", "data": "" },
        { "name": "Odd", "type": "hex(5)", "data": "00 00 00 2a" } ] },
      { "path": "HKLM\\SOFTWARE\\Vantrel Test\\Sub" },
      { "path": "HKU\\.DEFAULT\\Software\\Vantrel", "values": [ { "name": "Mode", "type": "REG_DWORD", "data": 1 } ] },
      { "path": "HKLM\\SOFTWARE\\Sealed", "deny": ["LAB\\operator"] },
      { "path": "HKLM\\SOFTWARE\\Frozen", "readOnly": ["lab\\OPERATOR"] } ] } },
    { "name": "DENIED", "administrators": [] },
    { "name": "OFFLINE", "online": false, "administrators": ["LAB\\operator"] }
  ]
})json";

// The file of REG01's test keys as the registry editor writes it.
constexpr char16_t kExport[] =
    u"Windows Registry Editor Version 5.00\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test]\r\n"
    u"@=\"default\"\r\n"
    u"\"Text\"=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
    u"\"Expand\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,\\\r\n"
    u"  74,00,25,00,5c,00,78,00,00,00\r\n"
    u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    u"\"Number\"=dword:0000002a\r\n"
    u"\"Big\"=hex(b):ff,00,00,00,00,00,00,80\r\n"
    u"\"Blob\"=hex:01,a0,ff\r\n"
    u"\"Nothing\"=hex(0):\r\n"
    u"\"Odd\"=hex(5):00,00,00,2a\r\n"
    u"\r\n"
    u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test\\Sub]\r\n"
    u"\r\n"
    u"[HKEY_USERS\\.DEFAULT\\Software\\Vantrel]\r\n"
    u"\"Mode\"=dword:00000001\r\n";

std::vector<BYTE> UnicodeFile(std::u16string_view text) { return Utf16Bytes(text, true); }

std::vector<std::wstring> Strings(const VARIANT& v) {
    std::vector<std::wstring> out;
    if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
    LONG low = 0, high = -1;
    ::SafeArrayGetLBound(v.parray, 1, &low);
    ::SafeArrayGetUBound(v.parray, 1, &high);
    for (LONG i = low; i <= high; ++i) {
        BSTR item = nullptr;
        ::SafeArrayGetElement(v.parray, &i, &item);
        out.push_back(item ? item : L"");
        ::SysFreeString(item);
    }
    return out;
}

VARIANT Var(long n) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}
VARIANT Var(const UniqueBstr& text) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = text.Get();
    return v;
}
const VARIANT kNone{};  // VT_EMPTY

class RegistryComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, LabReset());
        ASSERT_EQ(0u, lab::LoadScenarioText(kNetwork));
        ASSERT_EQ(S_OK, module_.CreateInstance(CLSID_RegistryComponent, IID_IRegistryComponent, component_.PutVoid()));
    }
    void TearDown() override {
        component_.Reset();
        EXPECT_EQ(L"clean", lab::LeakReport());
        LabReset();
    }

    std::wstring File(const std::wstring& name, const std::vector<BYTE>& bytes) {
        const std::wstring path = scratch_.Path() + L"\\" + name;
        WriteBytes(path, bytes);
        return path;
    }

    // What CompareWithFile answers: the code and the reported entries
    // (`empty` tells VT_EMPTY from an array).
    struct Compared {
        HRESULT hr = E_FAIL;
        bool empty = false;
        std::vector<std::wstring> entries;
    };
    using FileMethod = HRESULT (STDMETHODCALLTYPE IRegistryComponent::*)(BSTR, BSTR, VARIANT*);
    Compared Call(FileMethod method, const std::wstring& machine, const std::wstring& path) {
        VARIANT listed;
        ::VariantInit(&listed);
        Compared result;
        result.hr = (component_.Get()->*method)(Bstr(machine).Get(), Bstr(path).Get(), &listed);
        result.empty = listed.vt == VT_EMPTY;
        result.entries = Strings(listed);
        ::VariantClear(&listed);
        return result;
    }
    Compared Compare(const std::wstring& machine, const std::wstring& path) {
        return Call(&IRegistryComponent::CompareWithFile, machine, path);
    }
    Compared Import(const std::wstring& machine, const std::wstring& path) {
        return Call(&IRegistryComponent::ImportFile, machine, path);
    }

    // A key of REG01's HKLM, closed through the seam.
    static LONG OpenKey(const wchar_t* path, REGSAM sam, vantrel::UniqueRegKey& key) {
        vantrel::UniqueRegKey connected;
        LONG error = plat::RegConnectRegistryW(L"\\\\REG01", HKEY_LOCAL_MACHINE, connected.Put());
        return error ? error : plat::RegOpenKeyExW(connected.Get(), path, 0, sam, key.Put());
    }
    static LONG SetDword(const wchar_t* path, const wchar_t* name, DWORD value) {
        vantrel::UniqueRegKey key;
        LONG error = OpenKey(path, KEY_SET_VALUE, key);
        return error ? error
                     : plat::RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    }
    static LONG DeleteValue(const wchar_t* path, const wchar_t* name) {
        vantrel::UniqueRegKey key;
        LONG error = OpenKey(path, KEY_SET_VALUE, key);
        return error ? error : plat::RegDeleteValueW(key.Get(), name);
    }
    static bool KeyExists(const wchar_t* path) {
        vantrel::UniqueRegKey key;
        return OpenKey(path, KEY_READ, key) == 0;
    }

    ScratchFolder scratch_;
    CompanionModule module_;
    ComPtr<IRegistryComponent> component_;
};

TEST_F(RegistryComponentTest, AnExportComparesEqualAndExactlyTheChangedEntriesAreReportedUntilImported) {
    const std::wstring path = File(L"export.reg", UnicodeFile(kExport));
    Compared clean = Compare(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, clean.hr);
    EXPECT_TRUE(clean.empty);

    ASSERT_EQ(0, SetDword(L"SOFTWARE\\Vantrel Test", L"Number", 43));
    ASSERT_EQ(0, DeleteValue(L"SOFTWARE\\Vantrel Test", L"Blob"));
    const Compared changed = Compare(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, changed.hr);
    EXPECT_EQ((std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test::Number",
                                         L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test::Blob"}),
              changed.entries);

    // A type that differs is a difference even with the same bytes.
    ASSERT_EQ(0, SetDword(L"SOFTWARE\\Vantrel Test", L"Odd", 0x2a000000));
    EXPECT_EQ(3u, Compare(L"\\\\REG01", path).entries.size());

    const Compared imported = Import(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, imported.hr);
    EXPECT_TRUE(imported.empty);
    clean = Compare(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, clean.hr);
    EXPECT_TRUE(clean.empty) << clean.entries.size();
}

TEST_F(RegistryComponentTest, MissingKeysAndDeletionLinesAreReportedAndImportAppliesThem) {
    const std::wstring path = File(L"changes.reg", UnicodeFile(
        u"Windows Registry Editor Version 5.00\r\n"
        u"[HKLM\\SOFTWARE\\Vantrel New]\r\n"
        u"\"Made\"=\"yes\"\r\n"
        u"[-HKLM\\SOFTWARE\\Vantrel Test\\Sub]\r\n"
        u"[-HKLM\\SOFTWARE\\Never There]\r\n"
        u"[HKLM\\SOFTWARE\\Vantrel Test]\r\n"
        u"\"Text\"=-\r\n"
        u"\"Absent\"=-\r\n"));
    const Compared before = Compare(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, before.hr);
    EXPECT_EQ((std::vector<std::wstring>{L"HKLM\\SOFTWARE\\Vantrel New", L"HKLM\\SOFTWARE\\Vantrel New::Made",
                                         L"HKLM\\SOFTWARE\\Vantrel Test\\Sub", L"HKLM\\SOFTWARE\\Vantrel Test::Text"}),
              before.entries);

    const Compared imported = Import(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, imported.hr);
    EXPECT_TRUE(imported.empty);
    EXPECT_FALSE(KeyExists(L"SOFTWARE\\Vantrel Test\\Sub"));
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\Vantrel New"));
    EXPECT_TRUE(Compare(L"\\\\REG01", path).empty);
}

TEST_F(RegistryComponentTest, TestEntryAnswersForKeysValuesAndData) {
    const UniqueBstr defaultText = Bstr(L"C:\\Program Files\\\"x\""), otherText = Bstr(L"other");
    const VARIANT none = kNone, textData = Var(defaultText), otherData = Var(otherText);

    struct Case {
        const wchar_t* name;
        const wchar_t* key;
        const wchar_t* value;
        VARIANT data;
        long type;
        HRESULT hr;
        VARIANT_BOOL holds;
    };
    const Case cases[] = {
        {L"key exists", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel Test", L"", none, REG_SZ, S_OK, VARIANT_TRUE},
        {L"short root", L"HKLM\\SOFTWARE\\Vantrel Test\\Sub", L"", none, REG_SZ, S_OK, VARIANT_TRUE},
        {L"users hive", L"HKU\\.DEFAULT\\Software\\Vantrel", L"Mode", Var(1), REG_DWORD, S_OK, VARIANT_TRUE},
        {L"missing key", L"HKLM\\SOFTWARE\\Nowhere", L"", none, REG_SZ, HRESULT_FROM_WIN32(2), VARIANT_FALSE},
        {L"value exists", L"HKLM\\SOFTWARE\\Vantrel Test", L"Blob", none, REG_SZ, S_OK, VARIANT_TRUE},
        {L"missing value", L"HKLM\\SOFTWARE\\Vantrel Test", L"Gone", none, REG_SZ, HRESULT_FROM_WIN32(2),
         VARIANT_FALSE},
        {L"dword matches", L"HKLM\\SOFTWARE\\Vantrel Test", L"Number", Var(42), REG_DWORD, S_OK, VARIANT_TRUE},
        {L"dword differs", L"HKLM\\SOFTWARE\\Vantrel Test", L"Number", Var(41), REG_DWORD, S_OK, VARIANT_FALSE},
        {L"string matches", L"HKLM\\SOFTWARE\\Vantrel Test", L"Text", textData, REG_SZ, S_OK, VARIANT_TRUE},
        {L"string differs", L"HKLM\\SOFTWARE\\Vantrel Test", L"Text", otherData, REG_SZ, S_OK, VARIANT_FALSE},
        {L"expandable string", L"HKLM\\SOFTWARE\\Vantrel Test", L"Expand", textData, REG_SZ, S_OK, VARIANT_FALSE},
        {L"type differs", L"HKLM\\SOFTWARE\\Vantrel Test", L"Number", textData, REG_SZ, S_OK, VARIANT_FALSE},
        {L"sealed subtree", L"HKLM\\SOFTWARE\\Sealed", L"", none, REG_SZ, E_ACCESSDENIED, VARIANT_FALSE},
        {L"no root", L"SOFTWARE\\Vantrel Test", L"", none, REG_SZ, HRESULT_FROM_WIN32(87), VARIANT_FALSE},
        {L"user hive remotely", L"HKCU\\Software", L"", none, REG_SZ, HRESULT_FROM_WIN32(87), VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VARIANT_BOOL holds = 7;
        EXPECT_EQ(c.hr, component_->TestEntry(Bstr(L"\\\\REG01").Get(), Bstr(c.key).Get(), Bstr(c.value).Get(), c.data,
                                              c.type, &holds));
        EXPECT_EQ(c.holds, holds);
    }
}

TEST_F(RegistryComponentTest, WriteEntryMakesKeysAndValuesAndKeepsWhatExists) {
    const UniqueBstr text = Bstr(L"written text");
    const VARIANT none = kNone, number = Var(-1), textData = Var(text);
    const UniqueBstr machine = Bstr(L"\\\\REG01");

    // A key alone: no default value appears.
    ASSERT_EQ(S_OK, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\A\\B").Get(), Bstr(L"").Get(), none,
                                           REG_SZ, 0));
    vantrel::UniqueRegKey made;
    ASSERT_EQ(0, OpenKey(L"SOFTWARE\\A\\B", KEY_READ, made));
    DWORD size = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, plat::RegQueryValueExW(made.Get(), L"", nullptr, nullptr, nullptr, &size));

    ASSERT_EQ(S_OK, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\A").Get(), Bstr(L"N").Get(), number,
                                           REG_DWORD, 4));
    ASSERT_EQ(S_OK, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\A").Get(), Bstr(L"S").Get(), textData,
                                           REG_SZ, 2 * 12));
    // An existence entry keeps a value that is there and makes a missing one.
    ASSERT_EQ(S_OK, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\Vantrel Test").Get(),
                                           Bstr(L"Number").Get(), none, REG_DWORD, 4));
    ASSERT_EQ(S_OK, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\A").Get(), Bstr(L"E").Get(), none,
                                           REG_SZ, 0));

    const std::wstring path = File(L"written.reg", UnicodeFile(
        u"Windows Registry Editor Version 5.00\r\n"
        u"[HKLM\\SOFTWARE\\A]\r\n"
        u"\"N\"=dword:ffffffff\r\n"
        u"\"S\"=\"written text\"\r\n"
        u"\"E\"=\"\"\r\n"
        u"[HKLM\\SOFTWARE\\A\\B]\r\n"
        u"[HKLM\\SOFTWARE\\Vantrel Test]\r\n"
        u"\"Number\"=dword:0000002a\r\n"));
    const Compared compared = Compare(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, compared.hr);
    EXPECT_TRUE(compared.empty) << (compared.entries.empty() ? L"" : compared.entries[0]);

    // The read-only subtree refuses the write.
    EXPECT_EQ(E_ACCESSDENIED, component_->WriteEntry(machine.Get(), Bstr(L"HKLM\\SOFTWARE\\Frozen").Get(),
                                                     Bstr(L"N").Get(), number, REG_DWORD, 4));
}

TEST_F(RegistryComponentTest, FailuresOfComputersKeysAndFiles) {
    const std::wstring good = File(L"good.reg", UnicodeFile(kExport));
    const std::wstring sealed = File(L"sealed.reg", UnicodeFile(
        u"Windows Registry Editor Version 5.00\r\n[HKLM\\SOFTWARE\\Sealed]\r\n\"x\"=dword:1\r\n"));
    const std::wstring bad = File(L"bad.reg", UnicodeFile(u"Windows Registry Editor Version 5.00\r\n\"x\"=dword:1\r\n"));
    struct Case {
        const wchar_t* name;
        const wchar_t* machine;
        std::wstring file;
        HRESULT hr;
    };
    const Case cases[] = {
        {L"denied computer", L"\\\\DENIED", good, E_ACCESSDENIED},
        {L"offline computer", L"\\\\OFFLINE", good, HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)},
        {L"unknown computer", L"\\\\NOBODY", good, HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)},
        {L"sealed subtree", L"\\\\REG01", sealed, E_ACCESSDENIED},
        {L"malformed file", L"\\\\REG01", bad, HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)},
        {L"missing file", L"\\\\REG01", scratch_.Path() + L"\\none.reg", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Compared compared = Compare(c.machine, c.file);
        EXPECT_EQ(c.hr, compared.hr);
        EXPECT_TRUE(compared.empty);
    }
    // The local computer is this one, by an empty name.
    EXPECT_EQ(S_OK, Compare(L"", good).hr);
}

TEST_F(RegistryComponentTest, ImportListsWhatCouldNotBeWritten) {
    const std::wstring path = File(L"partly.reg", UnicodeFile(
        u"Windows Registry Editor Version 5.00\r\n"
        u"[HKLM\\SOFTWARE\\Frozen]\r\n"
        u"\"x\"=dword:1\r\n"
        u"[HKLM\\SOFTWARE\\Sealed\\Deeper]\r\n"
        u"[HKLM\\SOFTWARE\\Fine]\r\n"
        u"\"y\"=dword:2\r\n"
        u"[-HKLM\\SOFTWARE\\Frozen]\r\n"));
    const Compared imported = Import(L"\\\\REG01", path);
    EXPECT_EQ(S_OK, imported.hr);
    // A key that cannot be opened for writing is listed itself, its values
    // with it.
    EXPECT_EQ((std::vector<std::wstring>{L"HKLM\\SOFTWARE\\Frozen", L"HKLM\\SOFTWARE\\Sealed\\Deeper",
                                         L"HKLM\\SOFTWARE\\Frozen"}),
              imported.entries);
    EXPECT_TRUE(KeyExists(L"SOFTWARE\\Fine"));
    EXPECT_EQ(E_ACCESSDENIED, Import(L"\\\\DENIED", path).hr);
}

TEST_F(RegistryComponentTest, ScriptsReachTheMethodsByNameInTheirOrder) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, component_->QueryInterface(IID_IDispatch, dispatch.PutVoid()));
    const wchar_t* names[] = {L"CompareWithFile", L"WriteEntry", L"ImportFile", L"TestEntry"};
    for (DISPID expected = 1; expected <= 4; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
        EXPECT_EQ(expected, id);
    }
    // TestEntry late-bound: arguments come last to first.
    UniqueBstr machine = Bstr(L"\\\\REG01"), key = Bstr(L"HKLM\\SOFTWARE\\Vantrel Test"), value = Bstr(L"Number");
    VARIANT args[5] = {Var(REG_DWORD), Var(42), Var(value), Var(key), Var(machine)};
    DISPPARAMS params{args, nullptr, 5, 0};
    VARIANT result;
    ::VariantInit(&result);
    ASSERT_EQ(S_OK, dispatch->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
    EXPECT_EQ(VT_BOOL, result.vt);
    EXPECT_EQ(VARIANT_TRUE, result.boolVal);
}

}  // namespace
