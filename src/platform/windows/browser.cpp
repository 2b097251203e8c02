#include "platform/browser.h"

#include "platform/windows/windows_text.h"

#include <shellapi.h>
#include <windows.h>

namespace beatplate {

std::string openInBrowser(const std::string& url)
{
    std::vector<wchar_t> wide = wideOf(url);
    wide.push_back(L'\0');
    // ShellExecuteW gives a number above 32 when it started the program the system opens links
    // with; a smaller one is the reason it could not.
    const auto result = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(nullptr, L"open", wide.data(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32)
        return {};
    return "the system opens no program for http links (error " + std::to_string(result) + ")";
}

} // namespace beatplate
