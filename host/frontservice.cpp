#include "frontservice.h"

namespace yv::host {

FrontService JudgeFront(const FrontFacts& f) {
    // A window our input cannot reach gets nothing, so that no key is pressed there without its
    // release; one we cannot ask about is taken for such a window.
    if (!f.known || f.aboveUs) return FrontService::kUnreachable;
    if (f.packaged) return FrontService::kFallback;
    if (f.otherBitness)
        return f.companionRunning ? FrontService::kCompanion : FrontService::kFallback;
    return FrontService::kInProcess;
}

bool RestartGate::Ended(unsigned elapsedMs) {
    quickEnds_ = elapsedMs < kQuickEndMs ? quickEnds_ + 1 : 0;
    return quickEnds_ < kMaxQuickEnds;
}

const char* FrontNote(FrontService s) {
    return s == FrontService::kUnreachable ? "（管理者のウィンドウには規則が働きません）" : "";
}

}  // namespace yv::host
