// Following the settings file as other programs rewrite it: a burst of change notices is read
// once, after the file has been quiet for a settling time, and only when the file is not the
// one the host took last. No platform headers.
#pragma once

#include <cstdint>

namespace yv::host {

// What tells one version of the file from another without reading it.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    std::uint64_t id = 0;  // the file's identity on its volume: a file saved by a rename is new
    bool operator==(const FileStamp&) const = default;
};

// Why a file that was read is no settings file (empty, or without a [Config] section, as a
// truncated save or a binary file is), so that it leaves the settings in force; nullptr when
// it is one.
const char* NotSettings(const FileStamp& stamp, bool hasConfig);

class FileFollower {
  public:
    enum class Step {
        kIdle,  // nothing to do until the next notice
        kWait,  // look again in WaitMs()
        kRead,  // read the file now and report Took or Failed
    };

    explicit FileFollower(std::uint32_t settleMs) : settleMs_(settleMs) {}

    // A notice that the file was written, created, replaced or deleted. `now` in milliseconds
    // (a wrapping tick count).
    void Changed(std::uint32_t now);
    // What to do at `now`. While the settings editor runs nothing is read: its end rereads the
    // file anyway. A file that is gone keeps the settings in force; its next version is read.
    Step Poll(std::uint32_t now, bool editing, const FileStamp& stamp);
    // How long until the settling time has passed.
    std::uint32_t WaitMs(std::uint32_t now) const;
    // Without notices (a folder that cannot be watched) the file's stamp is looked at every
    // kStampPollMs instead: a stamp unlike the last one seen counts as a notice. True then.
    static constexpr std::uint32_t kStampPollMs = 2000;
    bool Looked(std::uint32_t now, const FileStamp& stamp);
    // The file with this stamp was read and its settings are in force (by this follower, the
    // editor's end or the reload command).
    void Took(const FileStamp& stamp);
    // The file could not be read (another program holds it): try again after the settling
    // time, a few times.
    void Failed(std::uint32_t now);
    // The file with this stamp was read but is no settings file: the settings in force stay
    // and this version is not read again. True when the user is to be told, which is once
    // until a settings file is taken again.
    bool Refused(const FileStamp& stamp);

    bool pending() const { return pending_; }

  private:
    static constexpr int kMaxRetries = 10;
    std::uint32_t settleMs_;
    bool pending_ = false;
    std::uint32_t last_ = 0;
    int retries_ = 0;
    FileStamp taken_;
    FileStamp seen_;  // the stamp last looked at, taken or refused
    bool told_ = false;
};

}  // namespace yv::host
