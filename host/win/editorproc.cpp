// The settings editor's process: started, adopted when started by hand, followed to its end;
// exit asks it to close first.
#include "shellstate.h"

namespace yv::host::win::shell {

VOID CALLBACK EditorEnded(PVOID, BOOLEAN) { PostMessageA(g.wnd, w::kMsgEditorEnded, 0, 0); }

void StartEditor() {
    if (!g.input) return;
    if (g.editorProcess) {
        // Already running: bring it forward instead of a second copy.
        HWND editor = FindWindowA(nullptr, kEditorTitle);
        if (editor) {
            ShowWindow(editor, SW_RESTORE);
            SetForegroundWindow(editor);
        }
        return;
    }
    if (GetFileAttributesA(g.editorPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::string text = "設定プログラムが見つかりません。\r\n" + g.editorPath;
        MessageBoxA(g.wnd, text.c_str(), kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    // Sent, not posted: key learning must be in force before the editor looks at its first
    // key, and the editor is told the active profile. The input thread answers at once.
    LRESULT profile = -1;
    w::RunOnInputNow(g.input,
                     [&profile] { profile = w::RunCore(CoreCommand::kBeginEditing, 0, nullptr); });
    if (profile < 0) return;
    std::string cmd = "\"" + g.editorPath + "\" " + std::to_string(profile + 1);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(g.editorPath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        g.dir.c_str(), &si, &pi)) {
        DWORD err = GetLastError();
        Command(CoreCommand::kEndEditing);
        char text[512];
        std::snprintf(text, sizeof text, "設定プログラムを起動できません（エラー %lu）。\r\n%s",
                      static_cast<unsigned long>(err), g.editorPath.c_str());
        MessageBoxA(g.wnd, text, kErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    CloseHandle(pi.hThread);
    g.editorProcess = pi.hProcess;
    g.editorThread = pi.dwThreadId;
    if (!RegisterWaitForSingleObject(&g.editorWait, g.editorProcess, EditorEnded, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        g.editorWait = nullptr;
    }
}

// An editor started by hand says that it runs. The notice carries nothing and proves nothing:
// the editor's window and process are looked up here, and that editor is then treated as one
// the host started (key learning, its end rereading the file, exit through its question).
void AdoptEditor() {
    if (!g.input || g.editorProcess) return;
    HWND editor = FindWindowA(kEditorClass, kEditorTitle);
    DWORD pid = 0;
    const DWORD thread = editor ? GetWindowThreadProcessId(editor, &pid) : 0;
    if (thread == 0) return;
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return;
    LRESULT profile = -1;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        w::RunOnInputNow(
            g.input, [&profile] { profile = w::RunCore(CoreCommand::kBeginEditing, 0, nullptr); });
    }
    if (profile < 0) {
        CloseHandle(process);
        return;
    }
    w::Log("editor started by itself (process %lu), taken as the host's",
           static_cast<unsigned long>(pid));
    g.editorProcess = process;
    g.editorThread = thread;
    if (!RegisterWaitForSingleObject(&g.editorWait, g.editorProcess, EditorEnded, nullptr, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        g.editorWait = nullptr;
    }
}

void FinishEditor() {
    if (!g.editorProcess) return;
    if (g.editorWait) {
        UnregisterWait(g.editorWait);
        g.editorWait = nullptr;
    }
    CloseHandle(g.editorProcess);
    g.editorProcess = nullptr;
    g.editorThread = 0;
    // What the editor wrote is read here, once; its notices find the same file in force.
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (RefusedAsNoSettings(stamp, snap, "read at the editor's end")) {
        Command(CoreCommand::kEndEditing);
    } else {
        g.follower.Took(stamp);
        SendSettings(CoreCommand::kEndEditing, std::move(snap));
    }
    if (g.exitPending) {
        w::Log("exit: the editor has ended");
        PostMessageA(g.input, WM_CLOSE, 0, 0);
    }
}

BOOL CALLBACK FindEditorWindow(HWND w, LPARAM found) {
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, kEditorClass) != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
}

// The editor's main window, found through its thread.
HWND EditorWindow() {
    HWND found = nullptr;
    EnumThreadWindows(g.editorThread, FindEditorWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The editor has answered the close request: it has closed its window (its end follows), or
// the user kept it, and the host stays with it.
VOID CALLBACK EditorCloseAnswered(HWND editor, UINT, ULONG_PTR, LRESULT) {
    if (!g.exitPending || !g.editorProcess) return;
    if (IsWindow(editor) && WaitForSingleObject(g.editorProcess, 0) == WAIT_TIMEOUT) {
        g.exitPending = false;
        w::Log("exit cancelled: the editor stays");
    }
}

// Exit: a running editor is asked to close first, so that its close question protects unsaved
// rows; the host ends once the editor has ended.
void RequestExit() {
    if (!g.editorProcess) {
        PostMessageA(g.input, WM_CLOSE, 0, 0);
        return;
    }
    HWND editor = EditorWindow();
    if (!editor) {
        // No window yet (or a stand-in without one): nothing there can hold unsaved rows.
        PostMessageA(g.input, WM_CLOSE, 0, 0);
        return;
    }
    if (g.exitPending) {
        SetForegroundWindow(editor);  // its close question is open
        return;
    }
    g.exitPending = true;
    w::Log("exit: asking the editor to close");
    if (!SendMessageCallbackA(editor, WM_CLOSE, 0, 0, EditorCloseAnswered, 0)) {
        g.exitPending = false;
        PostMessageA(g.input, WM_CLOSE, 0, 0);
    }
}

}  // namespace yv::host::win::shell
