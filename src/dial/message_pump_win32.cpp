#include "dial/message_pump_win32.h"

#include <windows.h>

#include "win32/handles.h"

namespace xl::dial {

namespace {

// False when a quit was seen: it is handed back to the outer loop, which must
// not lose it to a nested one.
bool DispatchUntilEmpty() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

}  // namespace

void Win32MessagePump::DispatchPending() {
    DispatchUntilEmpty();
}

void Win32MessagePump::WaitDispatching(std::chrono::milliseconds d) {
    const win32::KernelHandle owner(CreateWaitableTimerW(nullptr, FALSE, nullptr));
    HANDLE timer = owner.get();
    if (timer == nullptr) return;
    LARGE_INTEGER due;
    due.QuadPart = -(static_cast<LONGLONG>(d.count()) * 10000);  // relative, 100-ns units
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) return;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_FAILED || !DispatchUntilEmpty()) {
            // A pending quit would wake the message wait at once: wait on the timer alone.
            WaitForSingleObject(timer, INFINITE);
            break;
        }
    }
}

}  // namespace xl::dial
