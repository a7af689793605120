#include "common/Registrar.h"

#include "common/Handles.h"
#include "common/Result.h"

#include <cwctype>

namespace vantrel {
namespace {

struct Token {
    enum class Kind { Word, Quoted, Open, Close, Equals, End };
    Kind kind = Kind::End;
    std::wstring text;
    int line = 1;
};

class Lexer {
public:
    explicit Lexer(const std::wstring& text) : text_(text) {}

    bool Next(Token& token, std::wstring& error) {
        SkipBlanks();
        token = Token{};
        token.line = line_;
        if (pos_ >= text_.size()) return true;
        const wchar_t c = text_[pos_];
        if (c == L'{') { ++pos_; token.kind = Token::Kind::Open; return true; }
        if (c == L'}') { ++pos_; token.kind = Token::Kind::Close; return true; }
        if (c == L'=') { ++pos_; token.kind = Token::Kind::Equals; return true; }
        if (c == L'\'') {
            ++pos_;
            token.kind = Token::Kind::Quoted;
            for (;;) {
                if (pos_ >= text_.size()) {
                    error = L"line " + std::to_wstring(token.line) + L": unterminated quoted text";
                    return false;
                }
                const wchar_t q = text_[pos_++];
                if (q == L'\n') ++line_;
                if (q != L'\'') { token.text += q; continue; }
                if (pos_ < text_.size() && text_[pos_] == L'\'') { token.text += L'\''; ++pos_; continue; }
                return true;
            }
        }
        token.kind = Token::Kind::Word;
        while (pos_ < text_.size() && !std::iswspace(text_[pos_]) && text_[pos_] != L'{' && text_[pos_] != L'}' &&
               text_[pos_] != L'=' && text_[pos_] != L'\'')
            token.text += text_[pos_++];
        return true;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size()) {
            if (text_[pos_] == L'\n') ++line_;
            if (!std::iswspace(text_[pos_])) break;
            ++pos_;
        }
    }

    const std::wstring& text_;
    size_t pos_ = 0;
    int line_ = 1;
};

class Parser {
public:
    Parser(const std::wstring& text, const std::map<std::wstring, std::wstring>& replacements)
        : lexer_(text), replacements_(replacements) {}

    bool Script(std::vector<RegistryScriptKey>& keys) {
        if (!Advance()) return false;
        while (token_.kind != Token::Kind::End) {
            if (token_.kind != Token::Kind::Word || (token_.text != L"HKCR" && token_.text != L"HKEY_CLASSES_ROOT"))
                return Fail(L"expected HKCR");
            if (!Advance() || !Expect(Token::Kind::Open, L"'{' after HKCR")) return false;
            if (!Body(keys, nullptr)) return false;
        }
        return true;
    }

    std::wstring error;

private:
    bool Advance() { return lexer_.Next(token_, error); }

    bool Fail(const std::wstring& what) {
        error = L"line " + std::to_wstring(token_.line) + L": " + what;
        return false;
    }

    bool Expect(Token::Kind kind, const wchar_t* what) {
        if (token_.kind != kind) return Fail(std::wstring(L"expected ") + what);
        return Advance();
    }

    std::wstring Substitute(std::wstring text) const {
        for (const auto& [name, value] : replacements_) {
            for (size_t at = text.find(name); at != std::wstring::npos; at = text.find(name, at + value.size()))
                text.replace(at, name.size(), value);
        }
        return text;
    }

    bool IsName() const { return token_.kind == Token::Kind::Word || token_.kind == Token::Kind::Quoted; }

    // `= s 'text'` or `= d 123` after a key or value name.
    bool Assignment(RegistryScriptValue& value) {
        if (!Advance()) return false;  // past '='
        if (token_.kind != Token::Kind::Word || (token_.text != L"s" && token_.text != L"d"))
            return Fail(L"expected s or d after '='");
        value.isNumber = token_.text == L"d";
        if (!Advance()) return false;
        if (value.isNumber) {
            if (!IsName()) return Fail(L"expected a number");
            wchar_t* end = nullptr;
            value.number = static_cast<DWORD>(std::wcstoul(token_.text.c_str(), &end, 0));
            if (!end || *end) return Fail(L"'" + token_.text + L"' is not a number");
        } else {
            if (token_.kind != Token::Kind::Quoted) return Fail(L"expected quoted text");
            value.text = Substitute(token_.text);
        }
        return Advance();
    }

    // Keys and values up to the closing brace.
    bool Body(std::vector<RegistryScriptKey>& keys, RegistryScriptKey* owner) {
        for (;;) {
            if (token_.kind == Token::Kind::Close) return Advance();
            if (token_.kind == Token::Kind::End) return Fail(L"missing '}'");
            if (token_.kind == Token::Kind::Word && token_.text == L"val") {
                if (!owner) return Fail(L"a value needs a key");
                if (!Advance()) return false;
                if (!IsName()) return Fail(L"expected a value name");
                RegistryScriptValue value;
                value.name = Substitute(token_.text);
                if (!Advance()) return false;
                if (token_.kind != Token::Kind::Equals) return Fail(L"expected '=' after the value name");
                if (!Assignment(value)) return false;
                owner->values.push_back(std::move(value));
                continue;
            }
            RegistryScriptKey key;
            if (token_.kind == Token::Kind::Word && (token_.text == L"NoRemove" || token_.text == L"ForceRemove")) {
                key.flag = token_.text == L"NoRemove" ? RegistryScriptKey::Flag::NoRemove : RegistryScriptKey::Flag::ForceRemove;
                if (!Advance()) return false;
            }
            if (!IsName()) return Fail(L"expected a key name");
            key.name = Substitute(token_.text);
            if (!Advance()) return false;
            if (token_.kind == Token::Kind::Equals) {
                RegistryScriptValue value;
                if (!Assignment(value)) return false;
                key.values.push_back(std::move(value));
            }
            if (token_.kind == Token::Kind::Open) {
                if (!Advance() || !Body(key.keys, &key)) return false;
            }
            keys.push_back(std::move(key));
        }
    }

    Lexer lexer_;
    const std::map<std::wstring, std::wstring>& replacements_;
    Token token_;
};

HRESULT SetValue(HKEY key, const RegistryScriptValue& value) {
    const wchar_t* name = value.name.empty() ? nullptr : value.name.c_str();
    LSTATUS status;
    if (value.isNumber)
        status = ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number), sizeof(DWORD));  // seam: local
    else
        status = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),  // seam: local
                                  static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
    return HResultFromWin32(status);
}

HRESULT RegisterKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.flag == RegistryScriptKey::Flag::ForceRemove) ::RegDeleteTreeW(parent, key.name.c_str());  // seam: local
    UniqueLocalRegKey handle;
    RETURN_IF_WIN32_ERROR(::RegCreateKeyExW(parent, key.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,  // seam: local
                                            handle.Put(), nullptr));
    HRESULT hr = S_OK;
    for (const auto& value : key.values)
        if (SUCCEEDED(hr)) hr = SetValue(handle.Get(), value);
    for (const auto& child : key.keys)
        if (SUCCEEDED(hr)) hr = RegisterKey(handle.Get(), child);
    return hr;
}

HRESULT UnregisterKey(HKEY parent, const RegistryScriptKey& key) {
    if (key.flag != RegistryScriptKey::Flag::NoRemove) {
        const LSTATUS status = ::RegDeleteTreeW(parent, key.name.c_str());  // seam: local
        return status == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromWin32(status);
    }
    UniqueLocalRegKey handle;
    const LSTATUS status = ::RegOpenKeyExW(parent, key.name.c_str(), 0, KEY_READ | KEY_WRITE, handle.Put());  // seam: local
    if (status == ERROR_FILE_NOT_FOUND) return S_OK;
    RETURN_IF_WIN32_ERROR(status);
    HRESULT hr = S_OK;
    for (const auto& child : key.keys)
        if (SUCCEEDED(hr)) hr = UnregisterKey(handle.Get(), child);
    return hr;
}

}  // namespace

HRESULT RegistryScript::Parse(const std::wstring& text, const std::map<std::wstring, std::wstring>& replacements,
                              std::wstring* error) {
    Parser parser(text, replacements);
    std::vector<RegistryScriptKey> keys;
    if (!parser.Script(keys)) {
        if (error) *error = parser.error;
        return E_INVALIDARG;
    }
    keys_ = std::move(keys);
    return S_OK;
}

HRESULT RegistryScript::Register(HKEY root) const {
    for (const auto& key : keys_) RETURN_IF_FAILED(RegisterKey(root, key));
    return S_OK;
}

HRESULT RegistryScript::Unregister(HKEY root) const {
    for (const auto& key : keys_) RETURN_IF_FAILED(UnregisterKey(root, key));
    return S_OK;
}

HRESULT RunRegistrationScript(HMODULE module, UINT id, bool registering, HKEY root) {
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"REGISTRY");
    RETURN_LAST_ERROR_IF(!resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    RETURN_LAST_ERROR_IF(!loaded);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    const int size = static_cast<int>(::SizeofResource(module, resource));
    RETURN_HR_IF(E_UNEXPECTED, !bytes || size <= 0);

    std::wstring text(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, bytes, size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, bytes, size, text.data(), static_cast<int>(text.size()));

    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
    RETURN_LAST_ERROR_IF(length == 0 || length >= MAX_PATH);

    RegistryScript script;
    RETURN_IF_FAILED(script.Parse(text, {{L"%MODULE%", path}}));
    return registering ? script.Register(root) : script.Unregister(root);
}

}  // namespace vantrel
