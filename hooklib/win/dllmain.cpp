// Entry point, exports and hook callbacks of Yorvan2.dll: each is a thin wrapper that hands the
// call to the portable core with the platform's calling convention.
// hooklib.h first: its constants share their names with the macros of windows.h.
#include "hooklib.h"

#include <windows.h>

#include <cstddef>

#include "callbacks.h"
#include "yorvan2.h"

namespace yv {
// One instance for every process that loads the library.
SharedArea g_shared __attribute__((section("MY_DATA"), shared)) = {};
}  // namespace yv

static_assert(sizeof(yv::Msg) == sizeof(MSG) &&
                  offsetof(yv::Msg, message) == offsetof(MSG, message) &&
                  offsetof(yv::Msg, lParam) == offsetof(MSG, lParam) &&
                  offsetof(yv::Msg, time) == offsetof(MSG, time) &&
                  offsetof(yv::Msg, ptX) == offsetof(MSG, pt),
              "message record layout");
static_assert(sizeof(yv::KbdLLEvent) == sizeof(KBDLLHOOKSTRUCT) &&
                  offsetof(yv::KbdLLEvent, flags) == offsetof(KBDLLHOOKSTRUCT, flags) &&
                  offsetof(yv::KbdLLEvent, dwExtraInfo) == offsetof(KBDLLHOOKSTRUCT, dwExtraInfo),
              "low-level key record layout");
static_assert(yv::kPeerKeyUp == YORVAN2_PEER_KEYUP && yv::NOTIFY_TITLE == YORVAN2_NOTIFY_TITLE &&
                  yv::kFrontCompanion == YORVAN2_FRONT_COMPANION,
              "the companion's numbers");
static_assert(yv::kOwnInput == YORVAN2_OWN_INPUT && yv::NOTIFY_IMEKEY == YORVAN2_NOTIFY_IMEKEY &&
                  yv::NOTIFY_GATESEEN == YORVAN2_NOTIFY_GATESEEN,
              "the host's numbers");
static_assert(sizeof(yv::OsVersionInfoA) == sizeof(OSVERSIONINFOA), "version record layout");

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        yv::g_process.instance = instance;
        yv::g_process.processId = GetCurrentProcessId();
    }
    return TRUE;
}

extern "C" {

int WINAPI SetSet(BYTE mode, BYTE trackOff, BYTE numLockHold, const int* keys,
                  const char* const* texts) {
    return yv::SetSet(mode, trackOff, numLockHold, reinterpret_cast<const std::int32_t*>(keys),
                      texts);
}

int WINAPI getkeyflg(int vk) { return yv::getkeyflg(vk); }

void WINAPI getaplname(char** out) { yv::getaplname(out); }

static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 units");

int WINAPI SetTextsW(const WCHAR* const* texts) {
    return yv::SetTextsW(reinterpret_cast<const char16_t* const*>(texts));
}

void WINAPI getaplnameW(WCHAR** out) { yv::getaplnameW(reinterpret_cast<char16_t**>(out)); }

int WINAPI SetHook(HWND hostWnd, BYTE numLockHold) { return yv::SetHook(hostWnd, numLockHold); }

int WINAPI ResetHook(void) { return yv::ResetHook(); }

int WINAPI SetFront(BYTE service, BYTE imeOpen) { return yv::SetFront(service, imeOpen); }

int WINAPI SetHookPeer(HWND hostWnd, BYTE numLockHold) {
    return yv::SetHookPeer(hostWnd, numLockHold);
}

int WINAPI HookThread(DWORD thread) { return yv::HookThread(thread); }

int WINAPI SetPeer(HWND peerWnd) { return yv::SetPeer(peerWnd); }

int WINAPI ReleaseKey(int e) { return yv::ReleaseKey(e); }

int WINAPI NoteActivated(HWND w) { return yv::NoteActivated(w); }

int WINAPI SetHookMsg(HWND hostWnd, BYTE numLockHold) {
    return yv::SetHookMsg(hostWnd, numLockHold);
}

int WINAPI SetHookKbd(BYTE on) { return yv::SetHookKbd(on); }

int WINAPI GetMode(void) { return yv::GetMode(); }

DWORD WINAPI KbdHookSeen(void) { return yv::KbdHookSeen(); }

int WINAPI PollGate(void) { return yv::PollGate(); }

int WINAPI GateTaken(int e) { return yv::GateTaken(e); }

int WINAPI OpenGate(void) { return yv::OpenGate(); }

static YORVAN2_PASTE_SINK g_pasteSink = nullptr;

static int CallPasteSink(const char* text, int bytes) {
    const YORVAN2_PASTE_SINK sink = g_pasteSink;
    return sink ? sink(text, bytes) : 0;
}

int WINAPI SetPasteSink(YORVAN2_PASTE_SINK sink) {
    g_pasteSink = sink;
    yv::g_process.pasteSink = sink ? CallPasteSink : nullptr;
    return 0;
}

static YORVAN2_PASTE_SINK_W g_pasteSinkW = nullptr;

static int CallPasteSinkW(const char16_t* text, int units) {
    const YORVAN2_PASTE_SINK_W sink = g_pasteSinkW;
    return sink ? sink(reinterpret_cast<const WCHAR*>(text), units) : 0;
}

int WINAPI SetPasteSinkW(YORVAN2_PASTE_SINK_W sink) {
    g_pasteSinkW = sink;
    yv::g_process.pasteSinkW = sink ? CallPasteSinkW : nullptr;
    return 0;
}

}  // extern "C"

LRESULT CALLBACK YvMessageHook(int code, WPARAM wParam, LPARAM lParam) {
    return yv::MessageHookProc(code, wParam, lParam);
}

LRESULT CALLBACK YvKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    return yv::KbdHookProc(code, wParam, lParam);
}

LRESULT CALLBACK YvKeyboardLLHook(int code, WPARAM wParam, LPARAM lParam) {
    return yv::KbdLLHookProc(code, wParam, lParam);
}

LRESULT CALLBACK YvCbtHook(int code, WPARAM wParam, LPARAM lParam) {
    return yv::CbtHookProc(code, wParam, lParam);
}
