// The hook library's portable core: the shared area, the exported operations and the hook
// procedures, written against the platform seam (platform.h).
#pragma once

#include <cstdint>

#include "platform.h"

namespace yv {

constexpr int kRows = 101;      // row 0 (On/Off key) and rules 1..100
constexpr int kTextSize = 101;  // 100 bytes and the NUL
constexpr int kTitleSize = 101;

// One-key targets the message hook remembers per source key; further ones are tapped at once.
constexpr int kHeldPerKey = 8;

// The extra information of every keystroke the library synthesizes. The hooks pass input that
// carries it on untouched, so the library never converts its own output again.
constexpr LParam kOwnInput = 0x59563200;

constexpr LParam NOTIFY_OFF = 9990;
constexpr LParam NOTIFY_ON = 9991;
constexpr LParam NOTIFY_ACTIVATED = 10001;
// The companion's library recorded the title of window wParam (in the modes without
// NOTIFY_ACTIVATED), so that the host's library can record it too.
constexpr LParam NOTIFY_TITLE = 10002;
// Posted by the low-level hook to the companion's window: the key of scan index wParam was
// released over a window the companion's library does not serve.
constexpr std::uint32_t kPeerKeyUp = 0x8000 + 20;  // WM_APP + 20
// Sent before a paste with wParam pointing to the text (at most 1024 bytes are used). The
// owner's answers: kPasteTaken, it has put the text on the clipboard; kPasteBusy, the clipboard
// is held by another program; anything else, the library puts the text there itself.
constexpr LParam NOTIFY_PASTE = 9992;
// Posted by the low-level hook while it serves the window in front itself: an input-method key
// went down, so the host should ask that window's input method again at once.
constexpr LParam NOTIFY_IMEKEY = 10003;
// Posted by the companion's message hook: it has taken a key (wParam its scan index) that has
// rows, so that keys the host's low-level hook holds behind it may follow.
constexpr LParam NOTIFY_GATESEEN = 10004;
constexpr LResult kPasteTaken = 1;
constexpr LResult kPasteBusy = -2;

// State every process with the library loaded sees. The Windows build places the one instance in
// a shared data section; everything starts zero.
struct SharedArea {
    Hhook hookMsg;
    Hhook hookKbd;
    Hhook hookCbt;
    std::uint8_t convMode;
    std::uint8_t numLockHold;
    std::uint8_t trackOff;
    std::int32_t ruleKey[kRows];
    char ruleText[kRows][kTextSize];
    std::int32_t scanMap[256];
    std::int32_t keyflg[256];
    char aplname[2][kTitleSize];
    Hwnd hostWnd;
    std::int32_t ruleCount;
    std::int32_t shiftLatch;
    Hwnd lastActive;
    Hwnd desktopWnd;
    std::int32_t osNumber;
    Hmodule user32Module;
    // What stays held until a key's key-up, whatever the mode and the rules are by then. Shared,
    // because the key-up may reach another process than its key-down, and ResetHook, which runs
    // in the host, releases what is left.
    // The keyboard hook, by scan index: 0 = the key-down went on; else kKbdHeld | the virtual
    // key pressed (bits 16..23, 0 for a paste) | the scanMap value acted on (bits 0..15).
    std::int32_t kbdHeld[256];
    // The message hook's one-key targets, by the source key's scan index, in pressing order.
    std::uint8_t msgHeldCount[256];
    std::uint8_t msgHeld[256][kHeldPerKey];
    // The window in front, as the host judged it when it came to the front (kFront*), and its
    // input method's open state, which the host keeps current while the fallback serves it.
    std::uint8_t frontService;
    std::uint8_t frontImeOpen;
    // The low-level hook's one-key targets for windows it serves itself, as msgHeld. (Which
    // keys it converted there is marked in kbdHeld, kKbdHeldByFallback.)
    std::uint8_t fbHeldCount[256];
    std::uint8_t fbHeld[256][kHeldPerKey];
    // 1 in the companion's library (SetHookPeer): message and activation hooks only, per thread.
    std::uint8_t peer;
    // In the host's library: the companion's window, told of key-ups (kPeerKeyUp), or none.
    Hwnd peerWnd;
    // The key order gate. A row the message hook carries out with synthesized keys (one-key
    // targets, texts as keystrokes) queues them behind the keys the user typed meanwhile, so
    // the low-level hook holds those keys back until the message hook has taken the key.
    // gateVk, from SetSet, by virtual key (sides folded): kGateOneKey a one-key row, kGateAnyRow
    // any row. gateKey: the scan index + 1 of the key awaited (0 none); gateSeq its closing,
    // gateDone the closing the message hook has seen through; gateThread the low-level hook's
    // thread, woken then.
    std::uint8_t gateVk[256];
    std::uint32_t gateKey;
    std::uint32_t gateSeq;
    std::uint32_t gateDone;
    std::uint32_t gateThread;
    // The NumLock hold's last tap (GetTickCount), once it has tapped: numLockTapped.
    std::uint32_t numLockTapTick;
    std::uint8_t numLockTapped;
    // Appended, so that the fields before keep their places.
    // The UTF-16 texts of the rows (SetTextsW, after SetSet): in force while textsW is 1, then
    // typed and pasted in place of the Shift-JIS ones (the Shift-JIS text still says what kind
    // of row it is). SetSet clears textsW: a caller of SetSet alone keeps the Shift-JIS texts.
    // ruleSource: the caller's row number of each row of the table, which SetSet packs.
    std::uint8_t ruleSource[kRows];
    std::uint8_t textsW;
    char16_t ruleTextW[kRows][kTextSize];
    // The last recorded title as read (aplname holds its Shift-JIS form).
    char16_t aplnameW[kTitleSize];
};

constexpr std::uint8_t kGateOneKey = 1;
constexpr std::uint8_t kGateAnyRow = 2;
// How long keys are held at most when the message hook never answers, and how long keys typed
// again are waited for. A busy application may take its keys late (a loaded machine has been
// seen at 310 ms): the bound is for a key that never reaches a message hook of ours.
constexpr std::uint32_t kGateMs = 1000;
constexpr int kGateHeld = 64;
// GateClose's key for a wait the host ends (OpenGate): a paste, until the clipboard is given
// back. No message hook's key opens it.
constexpr std::uint32_t kGateForHost = 0x100;
// The gate's mark of a key-up (in gateKey and in NOTIFY_GATESEEN's wParam).
constexpr std::uint32_t kGateUp = 0x400;
// The mark of held keys typed again: the hooks take them as the user's.
constexpr LParam kReplayInput = 0x59563201;

// How the window in front gets the rows with virtual-key numbers: the message hook in its own
// process; the low-level hook in the host, for windows no library of ours can enter (another
// bitness, packaged applications); none, for windows of a higher integrity level, which
// synthesized input cannot reach.
constexpr std::uint8_t kFrontInProcess = 0;
constexpr std::uint8_t kFrontFallback = 1;
constexpr std::uint8_t kFrontUnreachable = 2;
// A window of the other bitness, served in its process by the companion's library.
constexpr std::uint8_t kFrontCompanion = 3;

// State of this process only.
// The companion's hooks, one pair per thread of a program it serves (HookThread), kept by
// thread id and creation time: an id is reused once its thread has ended.
constexpr int kPeerThreads = 64;
struct ThreadHooks {
    std::uint32_t thread;
    std::uint64_t created;  // 0: the thread could not be asked
    Hhook msg, cbt;
};

struct ProcessState {
    Hinstance instance;
    std::uint32_t processId;  // the hooks act only for windows of this process
    std::uint8_t keyState[256];
    // In the companion's process: its thread hooks, the one longest not asked for first.
    ThreadHooks peerThreads[kPeerThreads];
    int peerThreadCount;
    // In the host: the time stamp of the last event the low-level hook saw, for the host's
    // watchdog, and the host's taker of paste texts (SetPasteSink). The low-level hook runs in
    // the host's process only, so neither needs sharing.
    std::uint32_t kbdSeenTick;
    int (*pasteSink)(const char* text, int bytes);
    // The gate's held keys, in the host (the low-level hook's process).
    struct HeldKey {
        std::uint16_t vk, scan;
        std::uint32_t flags;  // LLKHF_EXTENDED, LLKHF_UP
    } gateHeld[kGateHeld];
    int gateHeldCount;
    int gateBack;  // at the front: keys typed again that came back while the gate was closed
    int gateSent;  // then: keys typed again, not back yet
    std::uint32_t gateSentAt;  // GetTickCount when they were sent
    bool gateOn;               // SetHookKbd's host looks at the gate (PollGate); SetHook's does not
    bool gateClosed;
    std::uint32_t gateSince;  // GetTickCount at the closing
    // The host's taker of paste texts in UTF-16 (SetPasteSinkW), asked before pasteSink.
    int (*pasteSinkW)(const char16_t* text, int units);
};

extern SharedArea g_shared;  // defined per build: a shared section on Windows
extern ProcessState g_process;

// Keys both hooks and the installer look at.
constexpr std::uint32_t kVkShift = 16;
constexpr std::uint32_t kVkMenu = 18;  // Alt
constexpr std::uint32_t kVkSnapshot = 44;
constexpr std::uint32_t kVkNumLock = 144;
constexpr std::int32_t kScanLShift = 0x2A;

// shiftLatch masks
constexpr std::int32_t kShiftLeft = 1;
constexpr std::int32_t kShiftRight = 2;
constexpr std::int32_t kShiftHeldByRemap = 4;

// Exported operations (the Windows layer wraps them with the platform's calling convention).
std::int32_t SetSet(std::uint8_t mode, std::uint8_t trackOff, std::uint8_t numLockHold,
                    const std::int32_t* keys, const char* const* texts);
std::int32_t getkeyflg(std::int32_t vk);
void getaplname(char** out);
// The UTF-16 texts of the rows SetSet loaded last, by the caller's row numbers as there; each
// cut to kMaxText units. nullptr goes back to the Shift-JIS texts. Always 0.
std::int32_t SetTextsW(const char16_t* const* texts);
// getaplname in UTF-16: two buffers of at least kTitleSize units.
void getaplnameW(char16_t** out);
std::int32_t SetHook(Hwnd hostWnd, std::uint8_t numLockHold);
std::int32_t ResetHook();
// SetHook in two parts, for a host that runs each kind of hook on a thread of its own:
// SetHookMsg does all of SetHook but the keyboard hook and the message filter; SetHookKbd
// installs (on) or removes (off) the keyboard hook alone, on the calling thread, letting go
// what it held. 0 done, 1 failed (SetHookKbd shows no box: its caller may retry).
std::int32_t SetHookMsg(Hwnd hostWnd, std::uint8_t numLockHold);
std::int32_t SetHookKbd(std::uint8_t on);
// The conversion mode in force: the truth behind the On/Off notices.
std::int32_t GetMode();
// When the low-level hook was last called, as GetTickCount counts.
std::uint32_t KbdHookSeen();
// The key order gate, on the low-level hook's thread: lets the held keys go once the message
// hook has taken the key awaited, or kGateMs have passed. 1 while keys are held or on their way.
std::int32_t PollGate();
// Everything held goes on at once (the hook is being removed).
void GateFlush();
// The host's judgement of the window in front (kFront*) and its input method's open state.
std::int32_t SetFront(std::uint8_t service, std::uint8_t imeOpen);
// The companion's side: its library hooks messages and activations only, of the threads the host
// names (HookThread) as their windows come to the front; the host's library tells its window of
// key-ups elsewhere, which it lets go of with ReleaseKey.
std::int32_t SetHookPeer(Hwnd hostWnd, std::uint8_t numLockHold);
// 0 hooked (or already), 1 failed, 2 not set up by SetHookPeer. Entries of threads that have
// ended, or whose id another thread now has, are dropped first.
std::int32_t HookThread(std::uint32_t thread);
std::int32_t SetPeer(Hwnd peerWnd);
std::int32_t ReleaseKey(std::int32_t e);
// Records w's title as the last activated one, as the activation hook would (a window the
// companion's library saw activated). Always 0.
std::int32_t NoteActivated(Hwnd w);

constexpr int kMaxText = kTextSize - 1;  // bytes of a rule text without its NUL
constexpr int kMaxRules = kRows - 1;
constexpr std::int32_t kScanKeyBase = 1000;  // key numbers above it are 1000 + scan index

// Whether rule key number `key` (1..1000, not 144) matches a key event.
bool KeyMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended);

// The two halves of KeyMatches, for the message hook, which looks at the IME between them.
// KeyCandidate: could `key` stand for virtual key `vk` at all.
inline bool KeyCandidate(std::int32_t key, std::uint32_t vk) {
    if (key >= 0 && static_cast<std::uint32_t>(key) == vk) return true;
    switch (vk) {
        case 229:
            return key == 28;
        case 18:
            return key == 164 || key == 165;
        case 17:
            return key == 162 || key == 163;
        case 13:
            return key == 141;
        default:
            return false;
    }
}
// KeySideMatches: the scan-code and side test for a candidate. Releases the held modifier in
// the thread's key state when an Alt or Ctrl row matches. SideMatches: the test alone.
bool KeySideMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended);
bool SideMatches(std::int32_t key, std::uint32_t vk, std::uint32_t scan, bool extended);

// Reads a shared value exactly once. Other processes rewrite the tables while the hooks run;
// a value that is bounds-checked must not be fetched again after the check.
template <class T>
inline T Peek(const T& shared) {
    return *static_cast<const volatile T*>(&shared);
}

// Copies the text of rule row `row` (0..100) into `out`: at most kMaxText bytes, always
// terminated, whatever the shared buffer holds at the moment.
void CopyRuleText(int row, char (&out)[kTextSize]);
// The UTF-16 text of row `row` as CopyRuleText; false (and `out` empty) when SetTextsW's texts
// are not in force.
bool CopyRuleTextW(int row, char16_t (&out)[kTextSize]);
// The key byte X of a one-key text "X:X", or 0 when `text` is not one.
std::uint8_t OneKeyByte(const char* text);

// The gate's parts for the hooks. GateHold: in the low-level hook, whether the event is held
// (the gate is closed, or keys ahead of it are not through yet); replayed: one the gate typed
// again. GateClose: the key of scan index e is awaited. GateSeen: in the message hook, the key
// of scan index e has been taken.
bool GateHold(std::uint32_t vk, std::uint32_t scan, std::uint32_t flags, bool replayed);
void GateClose(std::uint32_t e, bool up = false);
void GateSeen(std::uint32_t e, std::uint32_t vk, bool up);
// In the host: the companion's message hook has taken the key of scan index e.
std::int32_t GateTaken(std::int32_t e);
// In the host: what a paste row closed the gate for is over (the clipboard given back, or the
// paste given up).
std::int32_t OpenGate();
// SetSet's part: which virtual keys have which rows.
void MarkGateKeys();

// Hook procedures.
LResult MessageHookProc(int code, WParam wParam, LParam lParam);
LResult KbdHookProc(int code, WParam wParam, LParam lParam);
LResult KbdLLHookProc(int code, WParam wParam, LParam lParam);
LResult CbtHookProc(int code, WParam wParam, LParam lParam);

// Output primitives shared by the hooks.
// keybd_event with the library's mark.
void SynthKey(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags);
// In mode 1 a text goes as WM_CHAR messages: its UTF-16 units when textW is given, else its
// bytes; in mode 3 its bytes as keys.
void TypeText(Hwnd w, const char* text, const char16_t* textW = nullptr);
// TypeText with row r's UTF-16 text when it is in force.
void TypeRow(Hwnd w, int r, const char* text);
void TapKey(std::uint8_t vk);
void ReleaseModifierState(std::uint32_t vk, bool rightHand);
void ClearKeyState(std::uint32_t vk);
int ImeIsOpen(Hwnd w);
// Whether window w belongs to the process the library runs in.
bool InThisProcess(Hwnd w);
// With offerToOwner (the low-level hook, which runs on the owner's thread), the text is first
// offered to the owner (NOTIFY_PASTE).
// textW, when given, is what goes to the clipboard (CF_UNICODETEXT) and to the UTF-16 sink.
int PasteText(Hwnd owner, const char* text, bool offerToOwner = false,
              const char16_t* textW = nullptr);

// Release whatever the keyboard hook / the message hook still holds down (ResetHook, SetHook).
void ReleaseHeldRemaps();
void ReleaseHeldOneKeys();
// Releases the message hook's targets of the key of scan index e; whether there were any.
bool ReleaseMessageHookTargets(std::uint32_t e);
void ReleaseHeldFallbackKeys();
void ReleaseHeld();  // all three
// Text typed as Unicode keystrokes, for windows that take no messages from us.
// heldModifiers: bits of L/R Ctrl, L/R Alt, L/R Win (in that order) that are let go around it.
void TypeUnicode(const char* text, unsigned heldModifiers = 0);
// The same for UTF-16 units (at most kMaxText of them are typed).
void TypeUnits(const char16_t* units, int n, unsigned heldModifiers = 0);
// Rule rows with virtual-key numbers carried out by the low-level hook (windows it serves
// itself): key-down fires every matching row; key-up releases what its key-down holds.
// FallbackKeyConverted: a key whose key-down it converted is down.
bool FallbackKeyDown(std::uint32_t vk, std::uint32_t scan, bool extended, std::uint32_t e);
void FallbackKeyUp(std::uint32_t e);
// kbdHeld's mark of a key whose key-down the fallback converted: its repeats and its key-up
// stay away from the window too.
constexpr std::int32_t kKbdHeldByFallback = 1 << 25;
inline bool FallbackKeyConverted(std::uint32_t e) {
    return Peek(g_shared.kbdHeld[e & 0xFF]) == kKbdHeldByFallback;
}

// System version number: platform * 1000 + major * 100 + minor * 10 + service-pack digit.
std::int32_t OsNumber();

}  // namespace yv
