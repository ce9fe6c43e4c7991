#include "clipboard.h"

#include <atomic>
#include <cstring>

#include "handover.h"
#include "host.h"
#include "yorvan2.h"

namespace yv::host::win {

namespace {

// --- input thread: the text of the paste on the clipboard, rendered on demand
std::string g_pasteText;  // Shift-JIS, at most 1024 bytes
bool g_pasteUp = false;   // the clipboard offers it

constexpr std::size_t kMaxPaste = 1024;
// As long as the low-level hook holds the keys typed after a paste row.
constexpr DWORD kPasteLimitMs = 300;

// Texts the low-level hook handed over, waiting for the input thread.
PasteSlots g_slots;
std::atomic<HWND> g_input{nullptr};
// The shell thread's keeper, told of each paste through the shell's mailbox.
ClipKeeper* g_keeper = nullptr;

void TellKeeper(void (ClipKeeper::*step)(std::uint32_t, std::uint32_t, bool), DWORD before,
                DWORD after, bool byTarget = true) {
    PutShellOrder([step, before, after, byTarget] {
        if (g_keeper) (g_keeper->*step)(before, after, byTarget);
    });
}

// The process of a window, 0 for none.
DWORD ProcessOf(HWND w) {
    DWORD pid = 0;
    if (w) GetWindowThreadProcessId(w, &pid);
    return pid;
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

// The text alone on the clipboard, as the library puts it there when no one keeps the user's.
bool PutPlainText(HWND wnd, const std::string& text) {
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    void* p = m ? GlobalLock(m) : nullptr;
    if (!p) {
        if (m) GlobalFree(m);
        return false;
    }
    std::memcpy(p, text.data(), text.size());
    GlobalUnlock(m);
    if (!OpenClipboard(wnd)) {
        GlobalFree(m);
        return false;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_TEXT, m) != nullptr;
    if (taken) KeepOutOfHistory();
    CloseClipboard();
    if (!taken) GlobalFree(m);
    return taken;
}

HGLOBAL MakeText(UINT format) {
    if (format == CF_TEXT) {
        HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, g_pasteText.size() + 1);
        if (void* p = m ? GlobalLock(m) : nullptr) {
            std::memcpy(p, g_pasteText.data(), g_pasteText.size());
            GlobalUnlock(m);
        }
        return m;
    }
    // The target that asks for Unicode gets the text converted as the system would.
    const int n = MultiByteToWideChar(932, 0, g_pasteText.data(),
                                      static_cast<int>(g_pasteText.size()), nullptr, 0);
    HGLOBAL m = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (static_cast<std::size_t>(n) + 1) * 2);
    if (void* p = m ? GlobalLock(m) : nullptr) {
        MultiByteToWideChar(932, 0, g_pasteText.data(), static_cast<int>(g_pasteText.size()),
                            static_cast<wchar_t*>(p), n);
        GlobalUnlock(m);
    }
    return m;
}

// --- shell thread
constexpr UINT kRestoreTickMs = 25;
constexpr UINT kCopyRetryMs = 50;
constexpr int kMaxCopyTries = 10;
constexpr std::size_t kMaxCopyBytes = 64u << 20;  // larger contents are not kept

}  // namespace

int WINAPI TakePasteText(const char* text, int bytes) {
    // On the keys thread, inside the low-level hook: a copy and a wake, nothing that waits.
    const HWND input = g_input.load();
    if (!text || !input || !g_slots.Put(text, bytes, GetTickCount())) return 0;
    PostMessageA(input, kMsgWake, 0, 0);
    return 1;
}

void SetPasteWindow(HWND input) { g_input.store(input); }

void TakePastes(HWND wnd, HWND shell, bool keep) {
    std::string text;
    std::uint32_t firedAt = 0;
    while (g_slots.Take(text, &firedAt)) {
        // The keys typed after the row go on after the limit: a text pasted later would land
        // in whatever the user typed meanwhile.
        if (GetTickCount() - firedAt > kPasteLimitMs) {
            Log("paste abandoned: clipboard busy");
            OpenGate();
            continue;
        }
        const bool put = keep ? OfferPaste(wnd, shell, text.c_str()) == YORVAN2_PASTE_TAKEN
                              : PutPlainText(wnd, text);
        if (!put || GetTickCount() - firedAt > kPasteLimitMs) {
            Log("paste abandoned: clipboard busy");
            // A text put there too late goes away again at the keeper's time limit.
            OpenGate();
            continue;
        }
        TypeCtrlV();
        // Without a copy to put back, the keys may follow the Ctrl+V at once.
        if (!keep) OpenGate();
    }
}

LRESULT OfferPaste(HWND wnd, HWND, const char* text) {
    if (!text) return 0;
    if (!OpenClipboard(wnd)) return YORVAN2_PASTE_BUSY;
    const DWORD before = GetClipboardSequenceNumber();
    EmptyClipboard();  // our earlier paste, if still up, is dropped here (WM_DESTROYCLIPBOARD)
    g_pasteText.assign(text, strnlen(text, kMaxPaste));
    SetClipboardData(CF_UNICODETEXT, nullptr);
    SetClipboardData(CF_TEXT, nullptr);
    KeepOutOfHistory();
    g_pasteUp = true;
    CloseClipboard();
    const DWORD after = GetClipboardSequenceNumber();
    TellKeeper(&ClipKeeper::OnBegun, before, after);
    return YORVAN2_PASTE_TAKEN;
}

void RenderPaste(HWND, UINT format) {
    if (!g_pasteUp || (format != CF_TEXT && format != CF_UNICODETEXT)) return;
    const DWORD before = GetClipboardSequenceNumber();
    HGLOBAL m = MakeText(format);
    if (m && !SetClipboardData(format, m)) GlobalFree(m);
    const DWORD after = GetClipboardSequenceNumber();
    // Who reads: only the program in front, which the row pasted into, ends the wait early.
    const bool byTarget =
        ReadByTarget(ProcessOf(GetOpenClipboardWindow()), ProcessOf(GetForegroundWindow()));
    TellKeeper(&ClipKeeper::OnRead, before, after, byTarget);
}

void RenderAllPastes(HWND wnd, HWND shell) {
    if (!g_pasteUp || !OpenClipboard(wnd)) return;
    if (GetClipboardOwner() == wnd) {
        RenderPaste(shell, CF_UNICODETEXT);
        RenderPaste(shell, CF_TEXT);
    }
    CloseClipboard();
    g_pasteUp = false;
}

void DropPaste() {
    g_pasteUp = false;
    g_pasteText.clear();
}

void ClipKeeper::Start(HWND shell, HWND input) {
    shell_ = shell;
    input_ = input;
    g_keeper = this;
    listening_ = AddClipboardFormatListener(shell) != FALSE;
    if (!listening_) {
        Log("clipboard: no change notices, the clipboard is not kept");
        return;
    }
    TakeCopy();  // what was there before the host started
}

void ClipKeeper::Stop() {
    g_keeper = nullptr;
    if (listening_) RemoveClipboardFormatListener(shell_);
    listening_ = false;
    KillTimer(shell_, kRestoreTimer);
    KillTimer(shell_, kCopyTimer);
}

void ClipKeeper::OnUpdate() {
    // Sequence number first: when the owner is still ours afterwards, that number is ours too.
    const DWORD seq = GetClipboardSequenceNumber();
    const HWND owner = GetClipboardOwner();
    if (owner == input_) {
        restorer_.Own(seq);
    } else if (owner == shell_) {
        restorer_.Copied(seq);  // the copy put back
    } else {
        copyTries_ = 0;
        TakeCopy();
    }
}

void ClipKeeper::TakeCopy() {
    KillTimer(shell_, kCopyTimer);
    if (!OpenClipboard(shell_)) {
        // Held by its writer or a reader: what we had is no copy of it any more.
        restorer_.NotCopied();
        items_.clear();
        if (++copyTries_ < kMaxCopyTries) SetTimer(shell_, kCopyTimer, kCopyRetryMs, nullptr);
        return;
    }
    const DWORD seq = GetClipboardSequenceNumber();
    const HWND owner = GetClipboardOwner();
    if (owner == input_ || owner == shell_) {  // ours again by now
        CloseClipboard();
        return;
    }
    std::vector<Item> items;
    std::size_t total = 0;
    int left = 0;
    for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
        const ClipKind kind = KindOfFormat(f);
        if (kind == ClipKind::kLeftOut) {
            ++left;
            continue;
        }
        HANDLE h = GetClipboardData(f);
        if (!h) continue;
        Item item{f, {}};
        if (kind == ClipKind::kEnhMetafile) {
            const UINT n = GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), 0, nullptr);
            item.bytes.resize(n);
            if (n == 0 ||
                GetEnhMetaFileBits(static_cast<HENHMETAFILE>(h), n, item.bytes.data()) != n)
                continue;
        } else {
            const SIZE_T n = GlobalSize(h);
            const void* p = n ? GlobalLock(h) : nullptr;
            if (!p) continue;
            item.bytes.assign(static_cast<const unsigned char*>(p),
                              static_cast<const unsigned char*>(p) + n);
            GlobalUnlock(h);
        }
        total += item.bytes.size();
        if (total > kMaxCopyBytes) break;
        items.push_back(std::move(item));
    }
    CloseClipboard();
    if (total > kMaxCopyBytes || items.empty()) {
        items_.clear();
        restorer_.NotCopied();
        Log("clipboard not kept (%s)", items.empty() ? "nothing copyable" : "too large");
        return;
    }
    items_ = std::move(items);
    restorer_.Copied(seq);
    Log("clipboard copied formats=%u left=%d bytes=%lu", static_cast<unsigned>(items_.size()), left,
        static_cast<unsigned long>(total));
}

void ClipKeeper::OnBegun(std::uint32_t before, std::uint32_t after, bool) {
    begunTick_ = GetTickCount();
    if (!restorer_.Begin(begunTick_, before, after)) {
        Log("paste: the clipboard's content was not kept, nothing to put back");
        OpenGate();  // nothing to wait for
        return;
    }
    SetTimer(shell_, kRestoreTimer, kRestoreTickMs, nullptr);
}

void ClipKeeper::OnRead(std::uint32_t before, std::uint32_t after, bool byTarget) {
    restorer_.Read(GetTickCount(), before, after, byTarget);
    Check();
}

void ClipKeeper::OnTimer(UINT_PTR id) {
    if (id == kCopyTimer) {
        TakeCopy();
    } else if (id == kRestoreTimer) {
        Check();
    }
}

void ClipKeeper::Check() {
    using Step = ClipRestorer::Step;
    const DWORD now = GetTickCount();
    const bool waited = restorer_.waiting();
    const Step step =
        restorer_.Poll(now, GetClipboardSequenceNumber(), GetClipboardOwner() == input_);
    if (step == Step::kRestore) {
        if (!OpenClipboard(shell_)) {
            restorer_.Busy(now);  // the target still reads
            if (!restorer_.waiting()) Log("paste: the clipboard stayed held, not put back");
        } else if (!PutBack()) {
            CloseClipboard();
        }
    } else if (step == Step::kIdle && waited) {
        Log("paste: another program changed the clipboard, left as it is");
    }
    if (!restorer_.waiting()) {
        KillTimer(shell_, kRestoreTimer);
        OpenGate();  // the keys typed after the row follow the clipboard given back
    }
}

// With the clipboard open: checks again and puts the copy back. False when nothing was done
// (the clipboard stays open for the caller to close).
bool ClipKeeper::PutBack() {
    const DWORD now = GetTickCount();
    const bool read = restorer_.readSeen();
    if (restorer_.Poll(now, GetClipboardSequenceNumber(), GetClipboardOwner() == input_) !=
        ClipRestorer::Step::kRestore) {
        if (!restorer_.waiting()) Log("paste: the clipboard changed meanwhile, left as it is");
        return false;
    }
    EmptyClipboard();
    for (const Item& item : items_) {
        if (KindOfFormat(item.format) == ClipKind::kEnhMetafile) {
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
    KeepOutOfHistory();
    const DWORD inside = GetClipboardSequenceNumber();
    CloseClipboard();
    const DWORD after = GetClipboardSequenceNumber();
    restorer_.Restored(GetClipboardOwner() == shell_ ? after : inside);
    Log("paste: clipboard put back read=%d ms=%lu", read ? 1 : 0,
        static_cast<unsigned long>(GetTickCount() - begunTick_));
    return true;
}

}  // namespace yv::host::win
