#include "console/Headless.h"

#include "console/ConsoleWindow.h"
#include "lab/LabControl.h"

#include <algorithm>

namespace console {
namespace {

std::string Utf8(const std::wstring& text) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

// Tabs and line breaks inside a cell would break the format.
std::wstring Cell(std::wstring text) {
    std::replace_if(text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

bool WriteTsv(const std::wstring& path, const ViewSnapshot& view) {
    std::wstring text;
    auto line = [&text](const std::vector<std::wstring>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) text += (i ? L"\t" : L"") + Cell(cells[i]);
        text += L"\n";
    };
    line(view.columns);
    for (const auto& row : view.rows) line(row);
    if (!view.message.empty()) line({L"#message", view.message});
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const std::string bytes = Utf8(text);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

std::wstring RenderTable(const std::vector<std::wstring>& columns, const std::vector<std::vector<std::wstring>>& rows) {
    std::vector<size_t> width(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) width[c] = columns[c].size();
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size() && c < width.size(); ++c) width[c] = std::max(width[c], row[c].size());
    std::wstring text;
    auto line = [&](const std::vector<std::wstring>& cells) {
        std::wstring l = L"  ";
        for (size_t c = 0; c < cells.size() && c < width.size(); ++c) {
            l += cells[c];
            if (c + 1 < cells.size()) l += std::wstring(width[c] - cells[c].size() + 2, L' ');
        }
        text += l + L"\n";
    };
    line(columns);
    std::vector<std::wstring> rule;
    for (size_t w : width) rule.push_back(std::wstring(w, L'-'));
    line(rule);
    for (const auto& row : rows) line(row);
    return text;
}

int RunHeadless(const HeadlessOptions& options, std::FILE* out) {
    ViewHost host;
    HRESULT hr = host.Load();
    if (FAILED(hr)) {
        std::fwprintf(out, L"vantrel-console: ComputerResMgmtUI could not be created (0x%08lX); is Vantrel.dll registered?\n",
                      static_cast<unsigned long>(hr));
        return 1;
    }
    host.Keep(options.views);
    if (host.Views().empty()) {
        std::fwprintf(out, L"vantrel-console: the module builds none of the views asked for\n");
        return 1;
    }
    std::vector<std::wstring> computers = options.computers;
    if (computers.empty())
        for (DWORD i = 0; i < LabComputerCount(); ++i) computers.push_back(lab::ComputerName(i));

    ConsoleWindow window;
    if (!window.Create(host, computers, options.credentialsPath, options.recallOptions)) return 1;
    ::ShowWindow(window.Window(), SW_SHOWNOACTIVATE);
    ::CreateDirectoryW(options.outputFolder.c_str(), nullptr);

    int failures = 0;
    for (const std::wstring& computer : computers) {
        const std::wstring path = options.credentialsPath.empty() ? computer : options.credentialsPath;
        window.ShowConnection(computer, path, options.recallOptions);
        for (size_t v = 0; v < host.Views().size(); ++v) {
            const HostedView& view = host.Views()[v];
            // Hand computer and credentials over while the view is inactive,
            // then activate it: that refresh is the one waited for.
            window.Select(v);
            ViewHost::Deactivate(view.window);
            const std::vector<DWORD> before = ProcessThreads();
            ViewHost::SetCredentials(view.window, path, options.recallOptions);
            ViewHost::SetComputer(view.window, computer);
            ViewHost::Activate(view.window, 1);
            const bool finished = WaitForNewThreads(before, options.timeoutSeconds * 1000);
            const ViewSnapshot shown = ReadView(view.window);

            const std::wstring base = options.outputFolder + L"\\" + computer + L"-" + view.name;
            const bool written = WriteTsv(base + L".tsv", shown) && window.Screenshot(base + L".png");
            if (!finished || !written) ++failures;
            std::fwprintf(out, L"== %ls / %ls  (Current Credentials: %ls)%ls\n", computer.c_str(), view.title,
                          shown.credentials.c_str(), finished ? L"" : L"  [still enumerating: timed out]");
            if (!shown.message.empty()) std::fwprintf(out, L"  %ls\n", shown.message.c_str());
            else std::fwprintf(out, L"%ls", RenderTable(shown.columns, shown.rows).c_str());
            std::fwprintf(out, L"  -> %ls.tsv, %ls.png%ls\n\n", base.c_str(), base.c_str(), written ? L"" : L" (not written)");
        }
    }
    ::DestroyWindow(window.Window());
    return failures == 0 ? 0 : 1;
}

}  // namespace console
