#include "frontservice.h"

namespace yv::host {

std::uint16_t MachineOf(const MachineAnswers& a) {
    if (a.haveInfo && a.infoMachine != kMachineUnknown) return a.infoMachine;
    // Outside WOW64 a process runs the native machine, except an x64 program emulated on ARM64,
    // which only the newer question above tells apart: taken for ARM64, it gets the fallback,
    // which serves it too.
    if (a.haveWow2) return a.wowMachine != kMachineUnknown ? a.wowMachine : a.nativeMachine;
    if (a.haveWow && a.wow64) return kMachineI386;
    return a.systemMachine;
}

KeyWindow KeysGoTo(const FrontFacts& f) {
    if (f.focusElsewhere) return KeyWindow::kFocus;
    // The frame itself may hold the focus for a moment after activation; the keys that follow
    // go to the app.
    if (f.top.frameHost && f.coreFound) return KeyWindow::kCore;
    return KeyWindow::kTop;
}

const ProcessFacts& KeyProcess(const FrontFacts& f) {
    switch (KeysGoTo(f)) {
        case KeyWindow::kFocus:
            return f.focus;
        case KeyWindow::kCore:
            return f.core;
        case KeyWindow::kTop:
            break;
    }
    return f.top;
}

FrontService JudgeFront(const FrontFacts& f) {
    const ProcessFacts& p = KeyProcess(f);
    // A window our input cannot reach gets nothing, so that no key is pressed there without its
    // release; one we cannot ask about is taken for such a window.
    if (!p.known || p.aboveUs) return FrontService::kUnreachable;
    if (p.own) return FrontService::kInProcess;
    if (p.appContainer) return FrontService::kFallback;
    if (p.machine == f.library) return FrontService::kInProcess;
    if (p.machine == kMachineI386 && f.companionRunning)
        return f.confirmed ? FrontService::kCompanion : FrontService::kFallback;
    return FrontService::kFallback;
}

bool RestartGate::Ended(unsigned elapsedMs) {
    quickEnds_ = elapsedMs < kQuickEndMs ? quickEnds_ + 1 : 0;
    return quickEnds_ < kMaxQuickEnds;
}

const char* FrontNote(FrontService s) {
    return s == FrontService::kUnreachable ? "（管理者のウィンドウには規則が働きません）" : "";
}

bool PeerThreads::Hooked(Thread t) const {
    for (int i = 0; i < keptCount_; ++i)
        if (keptThreads_[i].id == t.id && keptThreads_[i].created == t.created) return true;
    return false;
}

void PeerThreads::Asked(Thread t) {
    if (t.id == 0) return;
    // One question per thread id, the latest: an id asked for again may be another thread now.
    int n = 0;
    for (int i = 0; i < pendingCount_; ++i)
        if (pending_[i].id != t.id) pending_[n++] = pending_[i];
    if (n == kPending) {
        for (int i = 1; i < n; ++i) pending_[i - 1] = pending_[i];
        --n;
    }
    pending_[n++] = t;
    pendingCount_ = n;
}

void PeerThreads::Confirmed(std::uint32_t id) {
    int at = -1;
    for (int i = 0; i < pendingCount_; ++i)
        if (pending_[i].id == id) at = i;
    if (at < 0) return;
    const Thread t = pending_[at];
    for (int i = at + 1; i < pendingCount_; ++i) pending_[i - 1] = pending_[i];
    --pendingCount_;
    // Confirmed again, it goes last, as in the library.
    int n = 0;
    for (int i = 0; i < keptCount_; ++i)
        if (keptThreads_[i].id != id) keptThreads_[n++] = keptThreads_[i];
    if (n == kKept) {
        for (int i = 1; i < n; ++i) keptThreads_[i - 1] = keptThreads_[i];
        --n;
    }
    keptThreads_[n++] = t;
    keptCount_ = n;
}

void PeerThreads::Clear() { keptCount_ = pendingCount_ = 0; }

}  // namespace yv::host
