// The process: start-up, the single running instance, the main window, the
// message loop and shut-down, in that order.
#include "app/main/main_window.h"
#include "app/main/startup.h"
#include "app/panel/panel.h"
#include "app/shell/main_state.h"
#include "core/log.h"
#include "core/paths.h"
#include "ui/message_loop.h"
#include "ui/ui_calls.h"


int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    const std::wstring programFolder = GetExeDirectory();
    if (programFolder.empty()) {
        // Any other folder would put the user's data where they would never
        // look for it.
        Ui().messageBox(nullptr, L"Kov's Binderwell cannot tell which folder it was started from.",
                        kProgramName, MB_ICONERROR);
        return 1;
    }
    InstallDataServices(programFolder);
    if (HandOffToRunningInstance())
        return 0;

    StartServices();
    InstallStockPanel();
    HWND main = CreateMainWindow(instance);
    if (!main) {
        Log("CreateWindow failed");
        StopServices(false);
        return 0;
    }
    ShowWindow(main, showCommand);
    UpdateWindow(main);
    const int exitCode = RunMainMessageLoop(main);
    StopServices(true);
    return exitCode;
}
