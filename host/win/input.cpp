// The host's input thread: the window "Yorvan2", the hooks and the conversion state. Nothing
// here reads a file, shows a window or waits on another thread or process.
#include <windows.h>
#include <wtsapi32.h>

#include <memory>
#include <string>

#include "front.h"
#include "peerwire.h"
#include "companion.h"
#include "watchdog.h"
#include "clipboard.h"
#include "frontfacts.h"
#include "hookthreads.h"
#include "host.h"
#include "textencoding.h"
#include "yorvan2.h"

namespace yv::host::win {
namespace {

class WinLibrary : public Library {
  public:
    HWND shell = nullptr;

    void SetRules(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                  const RuleSet& rules) override {
        // The library reads the 101 pointers during the call only.
        const char* texts[kLibraryRows];
        for (int i = 0; i < kLibraryRows; ++i) texts[i] = rules.texts[i].c_str();
        SetSet(mode, trackOff, numLockHold, rules.keys, texts);
        // The same texts in UTF-16, typed and pasted as written whatever the code page.
        const WCHAR* textsW[kLibraryRows];
        for (int i = 0; i < kLibraryRows; ++i)
            textsW[i] = reinterpret_cast<const WCHAR*>(rules.textsW[i].c_str());
        SetTextsW(textsW);
        if (!shell) return;
        auto order = std::make_unique<yv::companion::Order>();
        order->command = yv::companion::Command::kSet;
        order->mode = mode;
        order->trackOff = trackOff;
        order->numLockHold = numLockHold;
        for (int i = 0; i < kLibraryRows && i < yv::companion::kRows; ++i) {
            order->keys[i] = rules.keys[i];
            const std::string& t = rules.texts[i];
            t.copy(order->texts[i], yv::companion::kTextSize - 1);
            rules.textsW[i].copy(order->textsW[i], yv::companion::kTextSize - 1);
        }
        order->hasTextsW = true;
        PostCompanionOrder(shell, yv::companion::Encode(*order));
        last_ = std::move(order);
    }

    // The On/Off key changed the mode in our library by itself: the companion's follows.
    void TellMode(std::uint8_t mode) {
        if (!shell || !last_ || last_->mode == mode) return;
        last_->mode = mode;
        PostCompanionOrder(shell, yv::companion::Encode(*last_));
    }

  private:
    std::unique_ptr<yv::companion::Order> last_;
};

struct Input {
    HWND wnd = nullptr;
    HWND shell = nullptr;
    WinLibrary lib;
    HostCore core{lib};
    bool hooked = false;
    bool stopped = false;
    HWINEVENTHOOK foregroundHook = nullptr;
    HWINEVENTHOOK focusHook = nullptr;
    HWINEVENTHOOK titleHook = nullptr;  // title changes, of the foreground window's thread only
    DWORD titleThread = 0;
    FrontTracker front;
    TitleWatch titles;
    // How the library serves the window in front, and its input method's state.
    HWND judged = nullptr;
    FrontService service = FrontService::kInProcess;
    bool imeOpen = false;
    HWND companion = nullptr;  // the companion's window while it runs
    HookWatchdog watchdog;
    bool testOrders = false;  // "/test": orders only the tests give
    bool reinstalling = false, reinstallAgain = false;
};

// After the focus went to a window that is not yet in front: look again a few times.
constexpr UINT_PTR kFrontTimer = 1;
constexpr UINT kFrontCheckMs = 50;
// After a window came to the front: read its title again now and then.
constexpr UINT_PTR kTitleTimer = 2;
// The low-level hook's watchdog.
constexpr UINT_PTR kWatchTimer = 3;
// YORVAN2_NOTIFY_GATESEEN's mark of a key-up.
constexpr WPARAM kGateUpBit = 0x400;

Input* g_in = nullptr;  // lives on the input thread's stack while it runs

// The stored title, read without sending the window a message: a window of a busy thread (the
// shell thread's among them) must not hold this one up. In the program's form, which keeps every
// character (the profiles match it in UTF-16).
std::string WindowTitle(HWND w) {
    wchar_t wide[256] = L"";
    const int n = w ? InternalGetWindowText(w, wide, 256) : 0;
    if (n <= 0) return {};
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 units");
    return settings::TextFromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide), n < 256 ? n : 255));
}

std::uint32_t State() {
    return StateBits(g_in->core, g_in->hooked) | static_cast<std::uint32_t>(g_in->service)
                                                     << kStateFrontShift;
}

void Publish() {
    PublishState(State());
    PostMessageA(g_in->shell, kMsgState, 0, 0);
}

void TellLibraryFront() { SetFront(static_cast<BYTE>(g_in->service), g_in->imeOpen ? 1 : 0); }

// Every order to the library goes to the companion's too (by the shell thread, which may wait).
void TellCompanion(yv::companion::Command command, std::uint8_t numLockHold,
                   std::uint32_t thread = 0) {
    yv::companion::Order order;
    order.command = command;
    order.numLockHold = numLockHold;
    order.thread = thread;
    PostCompanionOrder(g_in->shell, yv::companion::Encode(order));
}

// The window in front changed: how is it served? Asked of its process without waiting on it.
void JudgeFrontWindow(HWND w) {
    const FrontService was = g_in->service;
    if (w != g_in->judged) g_in->imeOpen = false;  // until the watch has asked
    g_in->judged = w;
    const FrontJudgement j = JudgeWindow(w, g_in->companion != nullptr);
    g_in->service = j.service;
    TellLibraryFront();
    // The companion's library hooks the threads of the windows that come to the front; until it
    // confirms, the fallback serves them.
    for (DWORD thread : {j.keysThread, j.topThread})
        if (thread) TellCompanion(yv::companion::Command::kThread, 0, thread);
    WatchIme(g_in->service == FrontService::kFallback ? w : nullptr);
    if (g_in->service != was) {
        Log("front service=%d", static_cast<int>(g_in->service));
        Publish();
    }
}

void LogState(const char* what) {
    const HostCore& c = g_in->core;
    Log("%s mode=%d profile=%d auto=%d editing=%d hooked=%d", what, c.mode(), c.profile(),
        c.autoSwitch() ? 1 : 0, c.editing() ? 1 : 0, g_in->hooked ? 1 : 0);
}

HWND AsWindow(FrontTracker::Window w) { return reinterpret_cast<HWND>(w); }
FrontTracker::Window Of(HWND w) { return reinterpret_cast<FrontTracker::Window>(w); }

// A window came to the front or the front window changed its title.
void FollowWindow(HWND w, const char* why) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    const bool captioned = (style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU);
    const std::string title = WindowTitle(w);
    g_in->titles.Seen(Of(w), title);
    // No activation hook of ours runs in such a window: its title is recorded from here.
    if (w == g_in->judged &&
        (g_in->service == FrontService::kCompanion || g_in->service == FrontService::kFallback))
        NoteActivated(w);
    SetTimer(g_in->wnd, kTitleTimer, g_in->titles.intervalMs(), nullptr);
    if (!FollowsWindow(title, captioned)) return;
    if (g_in->core.NotifyActivated(title)) {
        Log("switch profile=%d (%s)", g_in->core.profile(), why);
        Publish();
    }
}

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND w, LONG object, LONG child, DWORD, DWORD);

// Programs that set their title after showing their window: watch the title changes of the
// front window's thread only, so that other programs' busy titles never reach this thread.
void WatchTitleOf(HWND w) {
    DWORD pid = 0;
    const DWORD thread = w ? GetWindowThreadProcessId(w, &pid) : 0;
    if (thread == g_in->titleThread) return;
    if (g_in->titleHook) UnhookWinEvent(g_in->titleHook);
    g_in->titleHook = nullptr;
    g_in->titleThread = thread;
    if (thread && pid != GetCurrentProcessId()) {
        g_in->titleHook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                          OnWinEvent, pid, thread, WINEVENT_OUTOFCONTEXT);
    }
}

void Act(FrontTracker::Action action) {
    switch (action) {
        case FrontTracker::Action::kFollow: {
            KillTimer(g_in->wnd, kFrontTimer);
            HWND w = AsWindow(g_in->front.front());
            JudgeFrontWindow(w);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) return;  // the host's own menu and boxes
            WatchTitleOf(w);
            FollowWindow(w, "foreground");
            return;
        }
        case FrontTracker::Action::kCheckLater:
            SetTimer(g_in->wnd, kFrontTimer, kFrontCheckMs, nullptr);
            return;
        case FrontTracker::Action::kStopChecking:
            KillTimer(g_in->wnd, kFrontTimer);
            return;
        case FrontTracker::Action::kNone:
            return;
    }
}

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND w, LONG object, LONG child, DWORD,
                         DWORD) {
    if (!g_in || g_in->stopped) return;
    switch (event) {
        case EVENT_SYSTEM_FOREGROUND:
            if (object == OBJID_WINDOW) Act(g_in->front.Foreground(Of(w)));
            break;
        case EVENT_OBJECT_FOCUS:
            Act(g_in->front.Focus(Of(w ? GetAncestor(w, GA_ROOT) : nullptr),
                                  Of(GetForegroundWindow())));
            break;
        case EVENT_OBJECT_NAMECHANGE:
            if (w && object == OBJID_WINDOW && child == CHILDID_SELF &&
                w == GetForegroundWindow()) {
                FollowWindow(w, "title");
            }
            break;
    }
}

void InstallWindowEvents() {
    // Out of context: the system posts the events to this thread, nothing runs in the others.
    const DWORD flags = WINEVENT_OUTOFCONTEXT;
    g_in->foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND,
                                           nullptr, OnWinEvent, 0, 0, flags);
    g_in->focusHook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, 0, 0, flags);
    if (!g_in->foregroundHook && !g_in->focusHook) Log("no window events");
    g_in->front = FrontTracker(Of(GetForegroundWindow()));
    WatchTitleOf(AsWindow(g_in->front.front()));
    StartImeWatch(g_in->wnd);
    JudgeFrontWindow(AsWindow(g_in->front.front()));
}

// Windows drops global hooks silently (sleep, a locked session, a hook judged too slow): put
// them back, each on its thread, and load the rules again once they are.
void Reinstall() {
    if (g_in->stopped) return;
    // Requests that come while one is under way (anyone can post one) make one more, not many.
    if (g_in->reinstalling) {
        g_in->reinstallAgain = true;
        return;
    }
    g_in->reinstalling = true;
    const std::uint8_t numLock = g_in->core.settings().numLockHold ? 1 : 0;
    ReinstallHooks(numLock != 0, [numLock](bool hooked) {
        if (!g_in || g_in->stopped) return;
        g_in->reinstalling = false;
        if (g_in->reinstallAgain) {
            g_in->reinstallAgain = false;
            PostMessageA(g_in->wnd, kMsgReinstall, 0, 0);
        }
        g_in->hooked = hooked;
        g_in->watchdog.Reinstalled(GetTickCount());
        if (hooked) {
            // The companion's library hooks afresh (the shell thread starts one that is not
            // running): none of its threads is hooked now, the one in front is asked for again.
            TellCompanion(yv::companion::Command::kHook, numLock);
            ForgetCompanionThreads();
            JudgeFrontWindow(g_in->judged);
            g_in->core.Reapply();
        }
        SetPeer(g_in->companion);
        TellLibraryFront();  // SetHookMsg forgot the judgement
        LogState("reinstall");
        Publish();
    });
}

// Input reached the system and no low-level hook of ours heard of it: Windows dropped the
// keyboard hook. It goes back on its thread.
void WatchHooks() {
    if (g_in->stopped || !g_in->hooked) return;
    LASTINPUTINFO li = {};
    li.cbSize = sizeof li;
    if (!GetLastInputInfo(&li)) return;
    const DWORD now = GetTickCount();
    if (!g_in->watchdog.Due(now, li.dwTime, LastHookCall())) return;
    g_in->watchdog.Reinstalled(now);
    ReinstallKeyboardHook();
    Log("low-level hook reinstalled");
}

// Removes every hook; the shell thread hears of it and ends the program.
void Stop() {
    if (g_in->stopped) return;
    g_in->stopped = true;
    KillTimer(g_in->wnd, kWatchTimer);
    StopHookThreads();
    SetPasteSinkW(nullptr);
    g_in->hooked = false;
    TellCompanion(yv::companion::Command::kUnhook, 0);
    for (HWINEVENTHOOK* h : {&g_in->titleHook, &g_in->focusHook, &g_in->foregroundHook}) {
        if (*h) UnhookWinEvent(*h);
        *h = nullptr;
    }
    WTSUnRegisterSessionNotification(g_in->wnd);
    StopImeWatch();
    Log("exit");
    SetInputEnded();
    PostMessageA(g_in->shell, kMsgInputEnded, 0, 0);
}

}  // namespace

LRESULT RunCore(CoreCommand cmd, int arg, const Snapshot* snap) {
    if (!g_in || g_in->stopped) return -1;
    HostCore& core = g_in->core;
    LRESULT result = 0;
    const char* what = "menu";
    switch (cmd) {
        case CoreCommand::kToggleConversion:
            if (g_in->hooked) core.SetConversion(!core.conversionOn());
            break;
        case CoreCommand::kToggleAutoSwitch:
            core.SetAutoSwitch(!core.autoSwitch());
            break;
        case CoreCommand::kSelectProfile:
            core.SelectProfile(arg);
            break;
        case CoreCommand::kReload:
            if (snap) core.Reload(*snap);
            what = "reload";
            break;
        case CoreCommand::kBeginEditing:
            if (core.editing()) return -1;
            // Key learning is in force before the editor is started.
            core.BeginEditing();
            result = core.profile();
            what = "editor";
            break;
        case CoreCommand::kEndEditing:
            core.EndEditing(snap ? *snap : core.settings());
            what = "editor-end";
            break;
    }
    SetClipKeep(core.settings().clipRestore);
    LogState(what);
    Publish();
    return result;
}

void RunOnInputNow(HWND input, std::function<void()> order) {
    PutInputOrder(std::move(order));
    // The input thread only pumps messages: it answers at once.
    SendMessageA(input, kMsgWake, 0, 0);
}

namespace {

// The library's notice that an On/Off key was pressed: the library's mode says whether one was.
void OnOnOffNotice() {
    const int was = g_in->core.mode();
    if (!g_in->core.FollowLibraryMode(GetMode(), WindowTitle(GetForegroundWindow()))) return;
    g_in->lib.TellMode(g_in->core.mode());
    Log(g_in->core.conversionOn() ? "notify on" : "notify off");
    if (was != g_in->core.mode()) Publish();
}

void OnImeAnswer() {
    HWND w = nullptr;
    bool open = false;
    // Only the answer about the window still in front counts.
    if (!LastImeAnswer(w, open) || w != g_in->judged || g_in->stopped) return;
    if (g_in->imeOpen != open) Log("front ime=%d", open ? 1 : 0);
    g_in->imeOpen = open;
    TellLibraryFront();
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_RBUTTONDOWN:
            // The library's notifications arrive by SendMessage from inside its hooks.
            // Any program may send these (lower integrity levels too: the library sends them from
            // inside applications). Each is a hint to look at the truth, which lies in the
            // library or in the system, never in the message.
            if (g_in->stopped) return 0;
            switch (lParam) {
                case YORVAN2_NOTIFY_OFF:
                case YORVAN2_NOTIFY_ON:
                    OnOnOffNotice();
                    return 0;
                case YORVAN2_NOTIFY_ACTIVATED:
                case YORVAN2_NOTIFY_TITLE:
                    // From the companion's library too. The window that is in front, once the
                    // activation is over, is followed (and its title recorded for the editor).
                    if (IsWindow(reinterpret_cast<HWND>(wParam)))
                        SetTimer(wnd, kFrontTimer, kFrontCheckMs, nullptr);
                    return 0;
                case YORVAN2_NOTIFY_GATESEEN:
                    // Keys held behind that key may go on; a forged one only lets them go early.
                    GateTaken(static_cast<int>(wParam & (0xFF | kGateUpBit)));
                    return 0;
                case YORVAN2_NOTIFY_IMEKEY:
                    if (g_in->service == FrontService::kFallback) AskImeNow();
                    return 0;
            }
            // YORVAN2_NOTIFY_PASTE is not taken: paste texts come through the library's sink,
            // in this process; a sender that gets 0 pastes by itself.
            return 0;
        case kMsgQuery:
            return static_cast<LRESULT>(State() | TrayBits());
        case kMsgImeState:
            OnImeAnswer();
            return 0;
        case kMsgWake:
            RunInputOrders();
            return 0;
        case kMsgTestDrop:
            if (g_in->testOrders && !g_in->stopped) {
                Log("test: keyboard hook dropped");
                DropKeyboardHook();
            }
            return 0;
        case kMsgCompanion: {
            if (g_in->stopped) return 0;
            // Only a wake-up: what changed is read from the shell thread's news.
            const CompanionNews news = TakeCompanionNews();
            if (news.changed || news.wnd != g_in->companion) {
                ForgetCompanionThreads();
                g_in->companion = news.wnd;
                SetPeer(g_in->companion);
                Log("companion %s", g_in->companion ? "serves" : "gone");
            }
            for (DWORD thread : news.confirmed) ConfirmCompanionThread(thread);
            JudgeFrontWindow(g_in->judged);
            return 0;
        }
        case kMsgReinstall:
            Reinstall();
            return 0;
        case WM_TIMER:
            if (wParam == kWatchTimer) {
                WatchHooks();
            } else if (wParam == kFrontTimer && !g_in->stopped) {
                Act(g_in->front.Check(Of(GetForegroundWindow())));
            } else if (wParam == kTitleTimer && !g_in->stopped) {
                HWND w = GetForegroundWindow();
                const unsigned was = g_in->titles.intervalMs();
                if (g_in->titles.Look(Of(w), WindowTitle(w))) FollowWindow(w, "title later");
                if (!g_in->titles.watching()) {
                    KillTimer(wnd, kTitleTimer);
                } else if (g_in->titles.intervalMs() != was) {
                    SetTimer(wnd, kTitleTimer, g_in->titles.intervalMs(), nullptr);
                }
            }
            return 0;
        case kMsgAnotherStart:
        case WM_COMMAND:
            // The menu's commands and the balloon belong to the shell thread.
            PostMessageA(g_in->shell, msg, wParam, lParam);
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
                PostMessageA(wnd, kMsgReinstall, 0, 0);
            }
            return TRUE;
        case WM_WTSSESSION_CHANGE:
            // Back at this session's desktop: the hooks may have been dropped meanwhile.
            if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
                wParam == WTS_REMOTE_CONNECT || wParam == WTS_SESSION_LOGON)
                PostMessageA(wnd, kMsgReinstall, 0, 0);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) Stop();
            return 0;
        case WM_CLOSE:
            DestroyWindow(wnd);
            return 0;
        case WM_DESTROY:
            Stop();
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace

std::uint32_t StateBits(const HostCore& core, bool hooked) {
    std::uint32_t r = static_cast<std::uint32_t>(core.mode() & 0xFF);
    r |= static_cast<std::uint32_t>(core.profile() & 0xFF) << 8;
    if (core.autoSwitch()) r |= kStateAuto;
    if (core.editing()) r |= kStateEditing;
    if (hooked) r |= kStateHooked;
    return r;
}

DWORD WINAPI InputThread(void* param) {
    auto* start = static_cast<InputStart*>(param);
    std::unique_ptr<Snapshot> settings(start->settings);
    Input in;
    in.shell = start->shell;
    g_in = &in;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = start->instance;
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    // Hidden, but a real top-level window: the settings editor looks for it by its title.
    in.wnd = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kWindowTitle, WS_POPUP, 0, 0, 0, 0,
                             nullptr, nullptr, start->instance, nullptr);
    const std::uint8_t numLock = settings->numLockHold ? 1 : 0;
    in.testOrders = start->testOrders;
    if (in.wnd) {
        // The library's notices come from applications of any integrity level; nothing else
        // from them is let in.
        ChangeWindowMessageFilterEx(in.wnd, WM_RBUTTONDOWN, MSGFLT_ALLOW, nullptr);
        SetPasteSinkW(TakePasteText);
        in.hooked = StartHookThreads(in.wnd, numLock != 0);
    }
    start->wnd = in.wnd;
    start->hooked = in.hooked;
    if (!in.hooked) {
        // The library has told the user already.
        SetPasteSinkW(nullptr);
        in.stopped = true;
        if (in.wnd) DestroyWindow(in.wnd);
        g_in = nullptr;
        SetEvent(start->ready);
        return 1;
    }
    TellCompanion(yv::companion::Command::kHook, numLock);
    in.lib.shell = in.shell;
    in.core.Start(*settings, WindowTitle(GetForegroundWindow()));
    SetClipKeep(in.core.settings().clipRestore);
    settings.reset();
    InstallWindowEvents();
    in.watchdog.Reinstalled(GetTickCount());
    SetTimer(in.wnd, kWatchTimer, HookWatchdog::kCheckMs, nullptr);
    LogState("start");
    Publish();
    SetEvent(start->ready);  // `start` is gone from here on

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Stop();
    g_in = nullptr;
    return 0;
}

}  // namespace yv::host::win
