#include "clipkeep.h"

#include "clipboard.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "handover.h"
#include "host.h"
#include "yorvan2.h"

// A macro of the ANSI build; the snapshot's seam names the call itself.
#undef GetClipboardFormatName

namespace yv::host::win {

namespace {

constexpr char kClipClass[] = "Yorvan2Clip";
constexpr UINT kMsgClipWake = WM_APP + 20;  // texts wait in the slots
constexpr UINT kMsgClipStop = WM_APP + 21;  // the host ends (only the host's own is obeyed)
// As long as the low-level hook holds the keys typed after a paste row.
constexpr DWORD kPasteLimitMs = 300;
// Of those, what the snapshot may take (another program rendering its delayed formats).
constexpr DWORD kSnapshotMs = 200;
// An owner that has not answered by then is taken for hung: the row gives up.
constexpr DWORD kOwnerAnswerMs = 100;
constexpr UINT_PTR kRestoreTimer = 11;
constexpr UINT kRestoreTickMs = 25;
constexpr DWORD kOpenRetryMs = 5;
constexpr DWORD kExitOpenMs = 500;

// The paste's text as the clipboard thread keeps it. The library's sink hands UTF-16 over, which
// the slots carry as its bytes.
using PasteText = std::wstring;

PasteText FromSink(const std::string& bytes) {
    PasteText w(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(w.data(), bytes.data(), w.size() * sizeof(wchar_t));
    w.resize(wcsnlen(w.data(), w.size()));
    return w;
}

// Texts the low-level hook handed over, waiting for the clipboard thread.
PasteSlots g_slots;
std::atomic<HWND> g_taker{nullptr};  // the clipboard thread's window while it takes texts
std::atomic<bool> g_keep{true};
HANDLE g_thread = nullptr;
HWND g_wnd = nullptr;  // the clipboard thread's window, for the shell thread's stop
std::atomic<bool> g_stopAsked{false};
DWORD g_endAsked = 0;  // the shell thread's

// The process of a window, 0 for none.
DWORD ProcessOf(HWND w) {
    DWORD pid = 0;
    if (w) GetWindowThreadProcessId(w, &pid);
    return pid;
}

DWORD Left(DWORD deadline) {
    const auto left = static_cast<LONG>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// With the clipboard open: what the host puts there stays out of the clipboard history (Win+V)
// and the cloud. Rule texts are often addresses and telephone numbers, and the user's own copy
// put back is in the history already.
void KeepOutOfHistory() {
    static const UINT exclude =
        RegisterClipboardFormatA("ExcludeClipboardContentFromMonitorProcessing");
    static const UINT history = RegisterClipboardFormatA("CanIncludeInClipboardHistory");
    static const UINT cloud = RegisterClipboardFormatA("CanUploadToCloudClipboard");
    for (UINT f : {exclude, history, cloud}) {
        if (!f) continue;
        HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DWORD));  // DWORD 0
        if (m && !SetClipboardData(f, m)) GlobalFree(m);
    }
}

// Ctrl+V, marked as the library's own input, so that no hook of ours converts it.
void TypeCtrlV() {
    INPUT in[4] = {};
    const WORD keys[4] = {VK_CONTROL, 'V', 'V', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        in[i].type = INPUT_KEYBOARD;
        in[i].ki.wVk = keys[i];
        in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
        in[i].ki.dwExtraInfo = YORVAN2_OWN_INPUT;
    }
    SendInput(4, in, sizeof(INPUT));
}

// The text as CF_UNICODETEXT. CF_TEXT is left to the system, which derives it in the code page
// of the reader's system: a Shift-JIS rendering would garble it on any other.
HGLOBAL MakeText(const PasteText& text) {
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (text.size() + 1) * sizeof(wchar_t));
    if (void* p = m ? GlobalLock(m) : nullptr) {
        std::memcpy(p, text.data(), text.size() * sizeof(wchar_t));
        GlobalUnlock(m);
    }
    return m;
}

// The open clipboard for the snapshot.
class WinClipSource : public ClipSource {
  public:
    std::uint32_t EnumClipboardFormats(std::uint32_t after) override {
        return ::EnumClipboardFormats(after);
    }
    std::string_view GetClipboardFormatName(std::uint32_t format) override {
        const int n = ::GetClipboardFormatNameA(format, name_, sizeof name_);
        return n > 0 ? std::string_view(name_, static_cast<std::size_t>(n)) : std::string_view();
    }
    std::uintptr_t GetClipboardData(std::uint32_t format) override {
        return reinterpret_cast<std::uintptr_t>(::GetClipboardData(format));
    }
    std::size_t GlobalSize(std::uintptr_t memory) override {
        return ::GlobalSize(reinterpret_cast<HGLOBAL>(memory));
    }
    bool GlobalLock(std::uintptr_t memory, std::size_t size, unsigned char* out) override {
        const auto h = reinterpret_cast<HGLOBAL>(memory);
        const void* p = ::GlobalLock(h);
        if (!p) return false;
        std::memcpy(out, p, size);
        ::GlobalUnlock(h);
        return true;
    }
    std::size_t GetEnhMetaFileBits(std::uintptr_t metafile, std::size_t size,
                                   unsigned char* out) override {
        return ::GetEnhMetaFileBits(reinterpret_cast<HENHMETAFILE>(metafile),
                                    static_cast<UINT>(size), out);
    }
    std::uint32_t GetTickCount() override { return ::GetTickCount(); }

  private:
    char name_[256] = "";
};

// --- the clipboard thread's state, touched by that thread only
struct Clip {
    HWND wnd = nullptr;
    PasteText text;       // the paste on the clipboard, rendered on demand
    bool textUp = false;  // the clipboard offers it
    ClipRestorer restorer;
    std::vector<ClipItem> items;  // the snapshot to put back
    DWORD begunTick = 0;
    DWORD firedAt = 0;  // the paste key, as the low-level hook saw it
};
Clip* g_clip = nullptr;

void Abandon() {
    Log("paste abandoned: clipboard busy");
    OpenGate();
}

// Opens the clipboard by `deadline`, answering what is sent to this thread meanwhile: a
// program that holds the clipboard open may be waiting for this window to render.
bool OpenBy(DWORD deadline) {
    for (;;) {
        if (OpenClipboard(g_clip->wnd)) return true;
        const DWORD left = Left(deadline);
        if (left == 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < kOpenRetryMs ? left : kOpenRetryMs,
                                  QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// EmptyClipboard sends WM_DESTROYCLIPBOARD to the owner and waits for it, and the snapshot asks
// it to render: an owner that does not answer now is not asked, and the row gives up.
bool OwnerAnswers(HWND owner, DWORD deadline) {
    if (!owner || ProcessOf(owner) == GetCurrentProcessId()) return true;
    const DWORD left = Left(deadline);
    DWORD_PTR r = 0;
    return left > 0 && SendMessageTimeoutA(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                           left < kOwnerAnswerMs ? left : kOwnerAnswerMs, &r) != 0;
}

// With the clipboard open: the snapshot goes back, and the clipboard is closed.
void PutItems() {
    Clip& c = *g_clip;
    EmptyClipboard();
    // First, so that a monitor that looks while the clipboard is still open (one that polls the
    // sequence number) never finds our content without the marks.
    KeepOutOfHistory();
    for (const ClipItem& item : c.items) {
        if (item.kind == ClipKind::kEnhMetafile) {
            HENHMETAFILE e =
                SetEnhMetaFileBits(static_cast<UINT>(item.bytes.size()), item.bytes.data());
            if (e && !SetClipboardData(item.format, e)) DeleteEnhMetaFile(e);
            continue;
        }
        HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE, item.bytes.size() ? item.bytes.size() : 1);
        void* p = m ? GlobalLock(m) : nullptr;
        if (!p) {
            if (m) GlobalFree(m);
            continue;
        }
        std::memcpy(p, item.bytes.data(), item.bytes.size());
        GlobalUnlock(m);
        if (!SetClipboardData(item.format, m)) GlobalFree(m);
    }
    const DWORD inside = GetClipboardSequenceNumber();
    CloseClipboard();
    const DWORD after = GetClipboardSequenceNumber();
    c.restorer.Restored(GetClipboardOwner() == c.wnd ? after : inside);
}

// The wait cut short: the snapshot goes back now if the row's text is still there.
bool RestoreNow(DWORD within) {
    Clip& c = *g_clip;
    if (!c.restorer.waiting()) return false;
    KillTimer(c.wnd, kRestoreTimer);
    if (!OpenBy(GetTickCount() + within)) {
        Log("paste: the clipboard stayed held, not put back");
        c.restorer.Now(0, false);  // the wait is over
        return false;
    }
    if (c.restorer.Now(GetClipboardSequenceNumber(), GetClipboardOwner() == c.wnd) !=
        ClipRestorer::Step::kRestore) {
        CloseClipboard();
        return false;
    }
    PutItems();
    return true;
}

// The text alone on the clipboard, and it stays: the user turned the restoring off.
bool PutPlainText(const PasteText& text, DWORD deadline) {
    if (!OwnerAnswers(GetClipboardOwner(), deadline) || !OpenBy(deadline)) return false;
    EmptyClipboard();
    KeepOutOfHistory();
    g_clip->textUp = false;
    bool taken = false;
    if (HGLOBAL m = MakeText(text)) {
        taken = SetClipboardData(CF_UNICODETEXT, m) != nullptr;
        if (!taken) GlobalFree(m);
    }
    CloseClipboard();
    return taken;
}

void PasteOne(const std::string& bytes, DWORD firedAt) {
    Clip& c = *g_clip;
    const DWORD deadline = firedAt + kPasteLimitMs;
    // The keys typed after the row go on after the limit: a text pasted later would land in
    // whatever the user typed meanwhile.
    if (Left(deadline) == 0) return Abandon();
    const PasteText text = FromSink(bytes);
    if (!g_keep.load()) {
        if (!PutPlainText(text, deadline) || Left(deadline) == 0) return Abandon();
        TypeCtrlV();
        OpenGate();  // nothing to put back: the keys may follow the Ctrl+V at once
        return;
    }
    if (!OwnerAnswers(GetClipboardOwner(), deadline) || !OpenBy(deadline)) return Abandon();
    // The text of an earlier paste, still waiting for its restore: the snapshot stays.
    if (!(GetClipboardOwner() == c.wnd && c.restorer.waiting())) {
        WinClipSource source;
        const DWORD left = Left(deadline);
        ClipSnapshot s = TakeSnapshot(source, {64u << 20, left < kSnapshotMs ? left : kSnapshotMs});
        if (s.result == ClipSnapshot::Result::kLate) {
            CloseClipboard();  // left as it was
            return Abandon();
        }
        if (s.result == ClipSnapshot::Result::kTaken) {
            c.items = std::move(s.items);
            c.restorer.Copied(GetClipboardSequenceNumber());  // after the renders
            Log("clipboard copied formats=%u left=%d bytes=%lu",
                static_cast<unsigned>(c.items.size()), s.leftOut,
                static_cast<unsigned long>(s.bytes));
        } else {
            c.items.clear();
            c.restorer.NotCopied();
            Log("clipboard not kept (%s)",
                s.result == ClipSnapshot::Result::kTooLarge ? "too large" : "nothing copyable");
        }
    }
    const DWORD before = GetClipboardSequenceNumber();
    EmptyClipboard();  // our earlier paste, if still up, is dropped here (WM_DESTROYCLIPBOARD)
    c.text = text;
    KeepOutOfHistory();
    SetClipboardData(CF_UNICODETEXT, nullptr);
    c.textUp = true;
    CloseClipboard();
    const DWORD after = GetClipboardSequenceNumber();
    c.begunTick = GetTickCount();
    c.firedAt = firedAt;
    const bool armed = c.restorer.Begin(c.begunTick, before, after);
    if (Left(deadline) == 0) {
        // Too late to paste: the user's content goes back at once.
        RestoreNow(kOpenRetryMs * 10);
        return Abandon();
    }
    TypeCtrlV();
    if (!armed) {
        Log("paste: the clipboard's content was not kept, nothing to put back");
        OpenGate();  // nothing to wait for
        return;
    }
    SetTimer(c.wnd, kRestoreTimer, kRestoreTickMs, nullptr);
}

void TakePastes() {
    std::string bytes;
    std::uint32_t firedAt = 0;
    while (g_slots.Take(bytes, &firedAt)) PasteOne(bytes, firedAt);
}

// WM_RENDERFORMAT: the clipboard is open by the reader; it is not opened here.
void RenderPaste(UINT format) {
    Clip& c = *g_clip;
    if (!c.textUp || format != CF_UNICODETEXT) return;
    const DWORD before = GetClipboardSequenceNumber();
    HGLOBAL m = MakeText(c.text);
    if (m && !SetClipboardData(format, m)) GlobalFree(m);
    const DWORD after = GetClipboardSequenceNumber();
    // Who reads: only the program in front, which the row pasted into, ends the wait early.
    const bool byTarget =
        ReadByTarget(ProcessOf(GetOpenClipboardWindow()), ProcessOf(GetForegroundWindow()));
    c.restorer.Read(GetTickCount(), before, after, byTarget);
}

// WM_RENDERALLFORMATS: the window goes with the text still offered.
void RenderAllPastes() {
    Clip& c = *g_clip;
    if (!c.textUp || !OpenClipboard(c.wnd)) return;
    if (GetClipboardOwner() == c.wnd) {
        RenderPaste(CF_UNICODETEXT);
    }
    CloseClipboard();
    c.textUp = false;
}

void Check() {
    using Step = ClipRestorer::Step;
    Clip& c = *g_clip;
    const DWORD now = GetTickCount();
    const bool waited = c.restorer.waiting();
    const Step step =
        c.restorer.Poll(now, GetClipboardSequenceNumber(), GetClipboardOwner() == c.wnd);
    if (step == Step::kRestore) {
        if (!OpenClipboard(c.wnd)) {
            c.restorer.Busy(now);  // the target still reads
            if (!c.restorer.waiting()) Log("paste: the clipboard stayed held, not put back");
        } else {
            const bool read = c.restorer.readSeen();
            // Looked at again with the clipboard open: nobody can change it from here on.
            if (c.restorer.Poll(GetTickCount(), GetClipboardSequenceNumber(),
                                GetClipboardOwner() == c.wnd) == Step::kRestore) {
                PutItems();
                // From the paste key, and from the key to the text on the clipboard.
                Log("paste: clipboard put back read=%d up=%lu ms=%lu", read ? 1 : 0,
                    static_cast<unsigned long>(c.begunTick - c.firedAt),
                    static_cast<unsigned long>(GetTickCount() - c.firedAt));
            } else {
                CloseClipboard();
                if (!c.restorer.waiting())
                    Log("paste: the clipboard changed meanwhile, left as it is");
            }
        }
    } else if (step == Step::kIdle && waited) {
        Log("paste: another program changed the clipboard, left as it is");
    }
    if (!c.restorer.waiting()) {
        KillTimer(c.wnd, kRestoreTimer);
        OpenGate();  // the keys typed after the row follow the clipboard given back
    }
}

void Finish() {
    Clip& c = *g_clip;
    if (c.restorer.waiting()) {
        if (RestoreNow(kExitOpenMs)) Log("paste: clipboard put back at exit");
        OpenGate();
    }
    KillTimer(c.wnd, kRestoreTimer);
    DestroyWindow(c.wnd);  // WM_RENDERALLFORMATS while the text is still offered
}

LRESULT CALLBACK ClipProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!g_clip) return DefWindowProcA(wnd, msg, wParam, lParam);
    switch (msg) {
        case kMsgClipWake:
            // Only a wake-up: the texts are in this process's slots.
            TakePastes();
            return 0;
        case kMsgClipStop:
            if (g_stopAsked.load()) Finish();
            return 0;
        case WM_RENDERFORMAT:
            RenderPaste(static_cast<UINT>(wParam));
            return 0;
        case WM_RENDERALLFORMATS:
            RenderAllPastes();
            return 0;
        case WM_DESTROYCLIPBOARD:
            // Someone emptied the clipboard (or we did): the text is not offered any more.
            g_clip->textUp = false;
            return 0;
        case WM_TIMER:
            if (wParam == kRestoreTimer) Check();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

struct ClipStart {
    HINSTANCE instance;
    HANDLE ready;
    HWND wnd = nullptr;
};

DWORD WINAPI ClipThread(void* param) {
    auto* start = static_cast<ClipStart*>(param);
    Clip clip;
    g_clip = &clip;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ClipProc;
    wc.hInstance = start->instance;
    wc.lpszClassName = kClipClass;
    RegisterClassExA(&wc);
    // Message-only: it owns the clipboard and hears of it, and nothing else finds it.
    clip.wnd = CreateWindowExA(0, kClipClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               start->instance, nullptr);
    start->wnd = clip.wnd;
    SetEvent(start->ready);  // `start` is gone from here on
    if (!clip.wnd) {
        g_clip = nullptr;
        return 1;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    g_clip = nullptr;
    return 0;
}

}  // namespace

bool StartClipThread(HINSTANCE instance) {
    ClipStart start{instance, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (!start.ready) return false;
    g_thread = CreateThread(nullptr, 0, ClipThread, &start, 0, nullptr);
    if (g_thread) {
        // Keys wait behind a paste until the clipboard is given back.
        SetThreadPriority(g_thread, THREAD_PRIORITY_ABOVE_NORMAL);
        WaitForSingleObject(start.ready, INFINITE);
    }
    CloseHandle(start.ready);
    g_wnd = start.wnd;
    g_taker.store(g_wnd);
    if (!g_wnd) Log("clipboard: no window, paste rows paste nothing");
    return g_wnd != nullptr;
}

void EndClipThread() {
    g_taker.store(nullptr);  // no more texts are taken
    if (!g_thread || g_stopAsked.exchange(true)) return;
    g_endAsked = GetTickCount();
    if (g_wnd) PostMessageA(g_wnd, kMsgClipStop, 0, 0);
}

void WaitClipThread(DWORD ms) {
    EndClipThread();
    if (!g_thread) return;
    // The bound counts from the order to end: the exit's other steps ran meanwhile.
    const DWORD spent = GetTickCount() - g_endAsked;
    if (WaitForSingleObject(g_thread, spent < ms ? ms - spent : 0) != WAIT_OBJECT_0)
        Log("clipboard: the clipboard thread is held up by another program, left behind");
    CloseHandle(g_thread);
    g_thread = nullptr;
    g_wnd = nullptr;
}

void SetClipKeep(bool keep) { g_keep.store(keep); }

int WINAPI TakePasteText(const WCHAR* text, int units) {
    // On the keys thread, inside the low-level hook: a copy and a wake, nothing that waits.
    const HWND taker = g_taker.load();
    if (!text || !taker) return 0;
    // What a slot holds, never ending inside a surrogate pair (a rule's text is far shorter).
    constexpr int kMaxUnits = static_cast<int>(PasteSlots::kMaxBytes / sizeof(WCHAR));
    int n = units < 0 ? 0 : units > kMaxUnits ? kMaxUnits : units;
    if (n > 0 && n < units && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    if (!g_slots.Put(reinterpret_cast<const char*>(text), n * static_cast<int>(sizeof(WCHAR)),
                     GetTickCount()))
        return 0;
    PostMessageA(taker, kMsgClipWake, 0, 0);
    return 1;
}

}  // namespace yv::host::win
