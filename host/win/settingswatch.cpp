// The settings file followed as other programs rewrite it.
#include "shellstate.h"

namespace yv::host::win::shell {

// The settings file's identity and version, without reading it.
yv::host::FileStamp StampOf(const std::string& path) {
    yv::host::FileStamp st;
    HANDLE f = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        // Held in some other way: it exists, and differs from anything read.
        st.exists = err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND;
        return st;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(f, &info)) {
        st.exists = true;
        st.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        st.writeTime = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                       info.ftLastWriteTime.dwLowDateTime;
        st.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    } else {
        st.exists = true;
    }
    CloseHandle(f);
    return st;
}

// Reads the settings file; the follower learns which version is in force.
yv::host::Snapshot ReadSettings() {
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    g.follower.Took(stamp);
    return snap;
}

// A file read that is no settings file (a truncated save, a file of another kind) leaves the
// settings in force: dropping every rule would be worse. Logged with `when`, told once in a
// balloon; true when so.
bool RefusedAsNoSettings(const yv::host::FileStamp& stamp, const yv::host::Snapshot& snap,
                         const char* when) {
    const char* why = snap.file == yv::settings::FileState::kRead
                          ? yv::host::NotSettings(stamp, snap.hasConfig)
                          : nullptr;
    if (!why) return false;
    w::Log("settings file %s but %s, the settings in force stay", when, why);
    if (g.follower.Refused(stamp)) Balloon(kNotSettingsText);
    return true;
}

void ReloadSettings() {
    w::Log("reload begin");
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (RefusedAsNoSettings(stamp, snap, "reloaded")) return;
    g.follower.Took(stamp);
    SendSettings(CoreCommand::kReload, std::move(snap));
}

void ArmDirWatch() {
    ResetEvent(g.dirEvent);
    const DWORD filter =
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
    if (!ReadDirectoryChangesW(g.dirHandle, g.dirBuf, sizeof g.dirBuf, FALSE, filter, nullptr,
                               &g.dirOv, nullptr)) {
        // A share without notices, for one: its stamp is looked at instead (OnSettled).
        w::Log("settings file: folder watch ended (error %lu), its stamp is looked at every %u ms",
               static_cast<unsigned long>(GetLastError()), yv::host::FileFollower::kStampPollMs);
        CloseHandle(g.dirHandle);
        g.dirHandle = INVALID_HANDLE_VALUE;
        if (!g.follower.pending()) {
            SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
        }
    }
}

void StartDirWatch() {
    g.dirHandle = CreateFileA(
        g.dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (g.dirHandle == INVALID_HANDLE_VALUE) {
        w::Log("settings file: its folder cannot be watched, its stamp is looked at every %u ms",
               yv::host::FileFollower::kStampPollMs);
        SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
        return;
    }
    g.dirEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g.dirOv.hEvent = g.dirEvent;
    ArmDirWatch();
}

void StopDirWatch() {
    if (g.dirHandle != INVALID_HANDLE_VALUE) {
        CancelIo(g.dirHandle);
        DWORD n = 0;
        GetOverlappedResult(g.dirHandle, &g.dirOv, &n, TRUE);
        CloseHandle(g.dirHandle);
    }
    g.dirHandle = INVALID_HANDLE_VALUE;
    if (g.dirEvent) CloseHandle(g.dirEvent);
    g.dirEvent = nullptr;
}

// The folder changed: notices about the settings file start the settling time.
void OnDirChanged() {
    DWORD n = 0;
    const char* reason = nullptr;
    if (!GetOverlappedResult(g.dirHandle, &g.dirOv, &n, FALSE)) {
        // Notices lost (ERROR_NOTIFY_ENUM_DIR, among others): the file may have changed.
        w::Log("settings file: folder notice error %lu",
               static_cast<unsigned long>(GetLastError()));
        n = 0;
    }
    if (n == 0) reason = "changed";  // more notices than the buffer held, or none told
    for (DWORD at = 0; n != 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= n;) {
        const auto* e = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(g.dirBuf + at);
        if (CompareStringOrdinal(e->FileName, static_cast<int>(e->FileNameLength / 2),
                                 L"Yorvan2.ini", -1, TRUE) == CSTR_EQUAL) {
            switch (e->Action) {
                case FILE_ACTION_ADDED:
                    reason = "created";
                    break;
                case FILE_ACTION_REMOVED:
                    reason = "deleted";
                    break;
                case FILE_ACTION_RENAMED_NEW_NAME:
                    reason = "replaced";
                    break;
                case FILE_ACTION_MODIFIED:
                    if (!reason) reason = "written";
                    break;
                default:
                    if (!reason) reason = "renamed";
            }
        }
        if (e->NextEntryOffset == 0) break;
        at += e->NextEntryOffset;
    }
    ArmDirWatch();
    if (!reason) return;
    g.changeReason = reason;
    g.follower.Changed(GetTickCount());
    SetTimer(g.wnd, kSettleTimer, g.follower.WaitMs(GetTickCount()) + 1, nullptr);
}

void OnSettled() {
    KillTimer(g.wnd, kSettleTimer);
    using Step = yv::host::FileFollower::Step;
    const yv::host::FileStamp stamp = StampOf(g.iniPath);
    // A folder that cannot be watched: the timer looks at the file's stamp every few seconds,
    // and whatever a step below leaves without a timer of its own looks again.
    struct LookAgain {
        ~LookAgain() {
            if (g.dirHandle == INVALID_HANDLE_VALUE && g.wnd && !g.follower.pending()) {
                SetTimer(g.wnd, kSettleTimer, yv::host::FileFollower::kStampPollMs, nullptr);
            }
        }
    } lookAgain;
    if (g.dirHandle == INVALID_HANDLE_VALUE) {
        if (g.follower.Looked(GetTickCount(), stamp)) {
            g.changeReason = "changed (seen by its stamp)";
        } else if (!g.follower.pending()) {
            return;
        }
    }
    switch (g.follower.Poll(GetTickCount(), g.editorProcess != nullptr, stamp)) {
        case Step::kWait:
            SetTimer(g.wnd, kSettleTimer, g.follower.WaitMs(GetTickCount()) + 1, nullptr);
            return;
        case Step::kIdle:
            if (!stamp.exists) w::Log("settings file deleted, the settings in force stay");
            return;
        case Step::kRead:
            break;
    }
    yv::host::Snapshot snap = yv::host::LoadSnapshot(g.iniPath);
    if (snap.file != yv::settings::FileState::kRead) {
        // Held by its writer, or gone again: the settings in force stay; look again soon.
        w::Log("settings file %s but cannot be read, the settings in force stay", g.changeReason);
        g.follower.Failed(GetTickCount());
        if (g.follower.pending()) SetTimer(g.wnd, kSettleTimer, kSettleTimerRetryMs, nullptr);
        return;
    }
    if (RefusedAsNoSettings(stamp, snap, g.changeReason)) return;
    g.follower.Took(stamp);
    w::Log("reload begin (settings file %s, encoding=%s)", g.changeReason,
           yv::settings::EncodingName(snap.encoding));
    SendSettings(CoreCommand::kReload, std::move(snap));
}

}  // namespace yv::host::win::shell
