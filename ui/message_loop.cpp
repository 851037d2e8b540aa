#include "ui/message_loop.h"

#include "core/log.h"

namespace {

enum class Pumped { Message, Quit, Failed };

// One message; on WM_QUIT its code is left in quitCode.
Pumped PumpOne(HWND window, int& quitCode)
{
    MSG msg = {};
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) {
        // msg was not filled: nothing of it may be used.
        Log("GetMessage failed (err=%lu)", GetLastError());
        return Pumped::Failed;
    }
    if (got == 0) {
        quitCode = static_cast<int>(msg.wParam);
        return Pumped::Quit;
    }
    if (!window || !IsDialogMessageW(window, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return Pumped::Message;
}

} // namespace

int RunMainMessageLoop(HWND main)
{
    for (;;) {
        int quitCode = 0;
        switch (PumpOne(main, quitCode)) {
        case Pumped::Quit:
            return quitCode;
        case Pumped::Failed:
            return kMessageLoopFailed;
        case Pumped::Message:
            break;
        }
    }
}

void RunModalMessageLoop(HWND window, const bool& running)
{
    do {
        int quitCode = 0;
        const Pumped result = PumpOne(window, quitCode);
        if (result == Pumped::Quit) {
            PostQuitMessage(quitCode);
            return;
        }
        if (result == Pumped::Failed)
            return;
    } while (running);
}
