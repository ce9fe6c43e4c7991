#include "follow.h"

namespace yv::host {

void FileFollower::Changed(std::uint32_t now) {
    pending_ = true;
    last_ = now;
    retries_ = 0;
}

std::uint32_t FileFollower::WaitMs(std::uint32_t now) const {
    const std::uint32_t quiet = now - last_;
    return quiet >= settleMs_ ? 0 : settleMs_ - quiet;
}

FileFollower::Step FileFollower::Poll(std::uint32_t now, bool editing, const FileStamp& stamp) {
    if (!pending_) return Step::kIdle;
    if (now - last_ < settleMs_) return Step::kWait;
    pending_ = false;
    if (editing || !stamp.exists || stamp == taken_) return Step::kIdle;
    return Step::kRead;
}

bool FileFollower::Looked(std::uint32_t now, const FileStamp& stamp) {
    if (stamp == seen_) return false;
    seen_ = stamp;
    Changed(now);
    return true;
}

void FileFollower::Took(const FileStamp& stamp) {
    taken_ = stamp;
    seen_ = stamp;
    told_ = false;
}

bool FileFollower::Refused(const FileStamp& stamp) {
    taken_ = stamp;
    seen_ = stamp;
    const bool tell = !told_;
    told_ = true;
    return tell;
}

const char* NotSettings(const FileStamp& stamp, bool hasConfig) {
    if (hasConfig) return nullptr;
    return stamp.size == 0 ? "it is empty" : "it has no [Config] section";
}

void FileFollower::Failed(std::uint32_t now) {
    if (++retries_ > kMaxRetries) return;
    pending_ = true;
    last_ = now;
}

}  // namespace yv::host
