#include "hookthreads.h"

#include <atomic>

#include "handover.h"
#include "host.h"
#include "yorvan2.h"

namespace yv::host::win {
namespace {

struct HookThread {
    HANDLE handle = nullptr;
    DWORD id = 0;
    Mailbox box;
    std::atomic<bool> stop{false};

    void Put(std::function<void()> order) {
        box.Put(std::move(order));
        PostThreadMessageA(id, WM_NULL, 0, 0);
    }
};

HookThread g_keys, g_hooks;
constexpr UINT kGateLookMs = 10;
Mailbox g_input;
HWND g_notice = nullptr;
HHOOK g_mouse = nullptr;  // the keys thread's
std::atomic<DWORD> g_mouseSeen{0};

LRESULT CALLBACK MouseSeen(int code, WPARAM wParam, LPARAM lParam) {
    if (lParam)
        g_mouseSeen.store(reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam)->time,
                          std::memory_order_relaxed);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// On the keys thread.
bool HookKeys() {
    if (g_mouse) UnhookWindowsHookEx(g_mouse);
    g_mouse = SetWindowsHookExA(WH_MOUSE_LL, MouseSeen, GetModuleHandleA(nullptr), 0);
    return SetHookKbd(1) == 0;
}

void UnhookKeys() {
    SetHookKbd(0);
    if (g_mouse) UnhookWindowsHookEx(g_mouse);
    g_mouse = nullptr;
}

// The loop of both threads: hook calls arrive while it waits. A WM_QUIT that another program
// posts does not end it; only the process's own stop does.
DWORD Loop(HookThread& self) {
    MSG msg;
    UINT_PTR gateTimer = 0;
    while (!self.stop.load()) {
        const BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == -1) break;
        self.box.RunAll();
        if (&self != &g_keys) continue;
        // Keys held behind a key an application has yet to take: looked at again soon.
        if (PollGate()) {
            if (!gateTimer) gateTimer = SetTimer(nullptr, 0, kGateLookMs, nullptr);
        } else if (gateTimer) {
            KillTimer(nullptr, gateTimer);
            gateTimer = 0;
        }
    }
    if (gateTimer) KillTimer(nullptr, gateTimer);
    self.box.RunAll();
    return 0;
}

struct Start {
    HookThread* self;
    std::function<bool()> install;
    HANDLE ready;
    bool ok = false;
};

DWORD WINAPI ThreadMain(void* param) {
    auto* start = static_cast<Start*>(param);
    HookThread& self = *start->self;
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    start->ok = start->install();
    SetEvent(start->ready);  // `start` is gone from here on
    return Loop(self);
}

// Waits for `event` while this thread's sent messages are answered (the notices a hook may
// send while it is being installed), at most `ms`.
bool WaitPumping(HANDLE event, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD left = ms == INFINITE                       ? INFINITE
                           : static_cast<LONG>(until - now) > 0 ? until - now
                                                                : 0;
        const DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool Launch(HookThread& t, std::function<bool()> install) {
    Start start{&t, std::move(install), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!start.ready) return false;
    t.stop = false;
    t.handle = CreateThread(nullptr, 0, ThreadMain, &start, 0, &t.id);
    bool ok = false;
    if (t.handle) {
        // The hooks' threads go before everything else of the host's when the processor is
        // busy: every key waits on one of them.
        SetThreadPriority(t.handle, THREAD_PRIORITY_TIME_CRITICAL);
        ok = WaitPumping(start.ready, INFINITE) && start.ok;
    }
    CloseHandle(start.ready);
    return ok;
}

void End(HookThread& t) {
    if (!t.handle) return;
    t.stop = true;
    PostThreadMessageA(t.id, WM_NULL, 0, 0);
    // A hook thread waits on nothing, so it ends at once; a bound all the same.
    HANDLE h = t.handle;
    WaitPumping(h, 2000);
    CloseHandle(h);
    t.handle = nullptr;
    t.id = 0;
}

void WakeInput() { PostMessageA(g_notice, kMsgWake, 0, 0); }

}  // namespace

bool StartHookThreads(HWND notice, bool numLockHold) {
    g_notice = notice;
    const BYTE numLock = numLockHold ? 1 : 0;
    if (!Launch(g_hooks, [notice, numLock] { return SetHookMsg(notice, numLock) == 0; })) {
        End(g_hooks);
        ResetHook();
        return false;
    }
    if (!Launch(g_keys, [] { return HookKeys(); })) {
        // The library shows no box for the keyboard hook: the same words as SetHook's.
        MessageBoxA(nullptr, "フック失敗２", "Yorvan2.dll", MB_OK);
        StopHookThreads();
        return false;
    }
    return true;
}

void ReinstallHooks(bool numLockHold, std::function<void(bool)> done) {
    const BYTE numLock = numLockHold ? 1 : 0;
    // Keyboard hook off, then the others again, then the keyboard hook: each on its thread.
    g_keys.Put([numLock, done] {
        UnhookKeys();
        g_hooks.Put([numLock, done] {
            ResetHook();
            const bool msgOk = SetHookMsg(g_notice, numLock) == 0;
            g_keys.Put([msgOk, done] {
                const bool ok = msgOk && HookKeys();
                PutInputOrder([done, ok] { done(ok); });
            });
        });
    });
}

void ReinstallKeyboardHook() {
    g_keys.Put([] { HookKeys(); });
}

void DropKeyboardHook() {
    g_keys.Put([] { SetHookKbd(2); });
}

DWORD LastHookCall() {
    const DWORD k = KbdHookSeen(), m = g_mouseSeen.load(std::memory_order_relaxed);
    return static_cast<LONG>(k - m) > 0 ? k : m;
}

void StopHookThreads() {
    if (g_keys.handle) g_keys.Put([] { UnhookKeys(); });
    End(g_keys);
    // What is still held is let go once no hook is left to wait for the key-ups.
    if (g_hooks.handle) g_hooks.Put([] { ResetHook(); });
    End(g_hooks);
}

void PutInputOrder(std::function<void()> order) {
    g_input.Put(std::move(order));
    WakeInput();
}

void RunInputOrders() { g_input.RunAll(); }

}  // namespace yv::host::win
