#include "app/main/about.h"

#include "app/shell/ids.h"
#include "app/shell/main_state.h"
#include "core/text.h"
#include "ui/ui_calls.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr const wchar_t* kMakerCredit =
    L"Made by Kov \u00b7 not affiliated with Nintendo or The Pok\u00e9mon Company.";
constexpr const wchar_t* kDescription = L"Offline Pok\u00e9mon TCG catalogue, collection, inventory & sales manager.";

HRESULT CALLBACK AboutLinkCallback(HWND, UINT notification, WPARAM, LPARAM link, LONG_PTR)
{
    if (notification == TDN_HYPERLINK_CLICKED && link)
        ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(link), nullptr, nullptr, SW_SHOWNORMAL);
    return S_OK;
}

} // namespace

void ShowAboutBox(HWND main)
{
    const std::wstring version = Utf8ToWide(kProgramVersion);
    const std::wstring site = kMakerWebSite;
    const std::wstring content = L"Version " + version + L"\n\n" + kDescription +
                                 L"\nFree \u00b7 no account \u00b7 your data stays on your computer.\n\n"
                                 L"More free tools: <a href=\"" +
                                 site + L"\">" + site + L"</a>\n\n" + kMakerCredit;

    TASKDIALOGCONFIG config = {};
    config.cbSize = sizeof(config);
    config.hwndParent = main;
    config.hInstance = MainWindow().instance;
    config.dwFlags = TDF_ENABLE_HYPERLINKS | TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = L"About";
    config.pszMainIcon = MAKEINTRESOURCEW(IDI_APP_ICON);
    config.pszMainInstruction = kProgramName;
    config.pszContent = content.c_str();
    config.pfCallback = AboutLinkCallback;
    if (SUCCEEDED(Ui().taskDialog(&config, nullptr)))
        return;

    const std::wstring plain = std::wstring(kProgramName) + L"\nVersion " + version + L"\n\n" + kDescription +
                               L"\nMore free tools: " + site + L"\n" + kMakerCredit;
    Ui().messageBox(main, plain.c_str(), L"About", MB_ICONINFORMATION);
}
