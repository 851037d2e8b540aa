// The modal-window runner's hooks that the review-sales window does not
// use: a window with nothing to wait for and a step after the loop.
#include "ui/modal_window.h"

#include "tests/support/process_window.h"

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ModalState<bool>(window, message, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(ModalWindow, TheStepAfterTheLoopRunsBeforeTheOwnerIsGivenBack)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 800, 500,
                                 nullptr, nullptr, instance, nullptr);
    ASSERT_TRUE(RegisterModalClass(instance, L"ModalRunnerTest", TestProc));
    ASSERT_TRUE(RegisterModalClass(instance, L"ModalRunnerTest", TestProc)); // once is enough

    bool running = false;
    HWND during = nullptr;
    bool ownerEnabledDuring = true;
    ModalWindowRun run;
    run.instance = instance;
    run.owner = owner;
    run.className = L"ModalRunnerTest";
    run.clientWidth = 300;
    run.clientHeight = 120;
    run.state = &running;
    run.running = &running;
    run.startRunning = [] { return false; }; // a job that never started
    run.afterLoop = [&] {
        during = FindThreadWindow(L"ModalRunnerTest");
        ownerEnabledDuring = IsWindowEnabled(owner);
    };
    PostMessageW(owner, WM_APP, 0, 0); // stays queued: no loop ran

    ASSERT_TRUE(RunModalWindow(run));
    EXPECT_TRUE(during);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_FALSE(IsWindow(during));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
    MSG left;
    EXPECT_TRUE(PeekMessageW(&left, owner, WM_APP, WM_APP, PM_REMOVE));

    run.className = L"NoSuchModalClass";
    run.afterLoop = [] { ADD_FAILURE() << "a step after a window that never was"; };
    EXPECT_FALSE(RunModalWindow(run));
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

} // namespace
