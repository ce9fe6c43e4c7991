// Following the settings file: when a burst of change notices leads to one read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "follow.h"

namespace {

using yv::host::FileFollower;
using yv::host::FileStamp;
using Step = FileFollower::Step;

const FileStamp kA{true, 100, 1000, 7};
const FileStamp kB{true, 120, 2000, 7};
const FileStamp kRenamed{true, 100, 1000, 8};  // same size and time, another file
const FileStamp kGone{};

// One line of a transcript: an event, or a poll with its expected step.
struct Ev {
    enum Op { kChanged, kPoll, kTook, kFailed, kRefused, kLooked } op;
    std::uint32_t now = 0;
    FileStamp stamp = {};
    bool editing = false;
    Step want = Step::kIdle;
};

Ev Changed(std::uint32_t now) { return {Ev::kChanged, now}; }
Ev Poll(std::uint32_t now, FileStamp st, Step want, bool editing = false) {
    return {Ev::kPoll, now, st, editing, want};
}
Ev Took(FileStamp st) { return {Ev::kTook, 0, st}; }
Ev Failed(std::uint32_t now) { return {Ev::kFailed, now}; }
// A file read that is no settings file; `tell`: whether the user is to hear of it.
Ev Refused(FileStamp st, bool tell) { return {Ev::kRefused, 0, st, tell}; }
// The stamp looked at without notices; `moved`: whether that counts as a change.
Ev Looked(std::uint32_t now, FileStamp st, bool moved) { return {Ev::kLooked, now, st, moved}; }

const char* Name(Step s) { return s == Step::kIdle ? "idle" : s == Step::kWait ? "wait" : "read"; }

struct Case {
    const char* name;
    std::vector<Ev> events;
};

TEST(FileFollower, Transcripts) {
    std::vector<Ev> manyFailures = {Took(kA), Changed(0)};
    std::uint32_t t = 300;
    for (int i = 0; i <= 10; ++i, t += 300) {
        manyFailures.push_back(Poll(t, kB, Step::kRead));
        manyFailures.push_back(Failed(t));
    }
    manyFailures.push_back(Poll(t + 300, kB, Step::kIdle));
    // A later change is a new file: it gets its tries afresh.
    std::vector<Ev> changedAgain = manyFailures;
    for (const Ev& e : {Changed(t + 600), Poll(t + 900, kB, Step::kRead), Failed(t + 900),
                        Poll(t + 1200, kB, Step::kRead)})
        changedAgain.push_back(e);

    const Case cases[] = {
        {"a save in several writes is read once, after the file is quiet",
         {Took(kA), Changed(0), Changed(100), Changed(250), Poll(400, kB, Step::kWait),
          Poll(550, kB, Step::kRead), Took(kB), Poll(600, kB, Step::kIdle)}},
        {"the version in force is not read again (the editor's own saves)",
         {Took(kB), Changed(0), Poll(300, kB, Step::kIdle)}},
        {"nothing is read while the editor runs",
         {Took(kA), Changed(0), Poll(300, kB, Step::kIdle, true), Poll(900, kB, Step::kIdle)}},
        {"a deleted file keeps the settings; written again, it is read",
         {Took(kA), Changed(0), Poll(300, kGone, Step::kIdle), Changed(1000),
          Poll(1300, kB, Step::kRead)}},
        {"a file saved by a rename is new even with the same size and time",
         {Took(kA), Changed(0), Poll(300, kRenamed, Step::kRead)}},
        {"a file that cannot be read is tried again",
         {Took(kA), Changed(0), Poll(300, kB, Step::kRead), Failed(300), Poll(500, kB, Step::kWait),
          Poll(600, kB, Step::kRead)}},
        {"a file that stays unreadable is given up", manyFailures},
        {"changed again after that, it is tried again", changedAgain},
        {"the tick count wraps",
         {Took(kA), Changed(0xFFFFFF00u), Poll(0x10, kB, Step::kWait),
          Poll(0x30, kB, Step::kRead)}},
        {"no notice, no read", {Took(kA), Poll(5000, kB, Step::kIdle)}},
        {"a file that is no settings file is not read again, and told once",
         {Took(kA), Changed(0), Poll(300, kB, Step::kRead), Refused(kB, true), Changed(400),
          Poll(700, kB, Step::kIdle), Changed(800), Poll(1100, kRenamed, Step::kRead),
          Refused(kRenamed, false)}},
        {"unwatched, the version in force looked at is no change",
         {Took(kA), Looked(0, kA, false), Poll(2000, kA, Step::kIdle)}},
        {"unwatched, a new stamp is a change read after the quiet time, once",
         {Took(kA), Looked(0, kB, true), Poll(100, kB, Step::kWait), Poll(300, kB, Step::kRead),
          Took(kB), Looked(2000, kB, false), Poll(2300, kB, Step::kIdle)}},
        {"unwatched, a rename's new file and a deleted file are changes",
         {Took(kA), Looked(0, kRenamed, true), Poll(300, kRenamed, Step::kRead), Took(kRenamed),
          Looked(2000, kGone, true), Poll(2300, kGone, Step::kIdle), Looked(4000, kGone, false),
          Looked(6000, kB, true), Poll(6300, kB, Step::kRead)}},
        {"unwatched, a file that is no settings file is not looked at again",
         {Took(kA), Looked(0, kB, true), Poll(300, kB, Step::kRead), Refused(kB, true),
          Looked(2000, kB, false), Poll(2300, kB, Step::kIdle)}},
        {"a file refused on a notice is not looked at again once the watch has ended",
         {Took(kA), Changed(0), Poll(300, kB, Step::kRead), Refused(kB, true),
          Looked(2000, kB, false)}},
        {"unwatched, a file looked at while the editor runs waits for its end",
         {Took(kA), Looked(0, kB, true), Poll(300, kB, Step::kIdle, true),
          Looked(2000, kB, false)}},
        {"after a settings file it is told again",
         {Took(kA), Changed(0), Poll(300, kB, Step::kRead), Refused(kB, true), Changed(400),
          Poll(700, kA, Step::kRead), Took(kA), Changed(800), Poll(1100, kB, Step::kRead),
          Refused(kB, true)}},
    };
    for (const Case& c : cases) {
        FileFollower f(300);
        int line = 0;
        for (const Ev& e : c.events) {
            ++line;
            switch (e.op) {
                case Ev::kChanged:
                    f.Changed(e.now);
                    break;
                case Ev::kTook:
                    f.Took(e.stamp);
                    break;
                case Ev::kFailed:
                    f.Failed(e.now);
                    break;
                case Ev::kLooked:
                    EXPECT_EQ(f.Looked(e.now, e.stamp), e.editing) << c.name << ", line " << line;
                    break;
                case Ev::kRefused:
                    EXPECT_EQ(f.Refused(e.stamp), e.editing) << c.name << ", line " << line;
                    break;
                case Ev::kPoll:
                    EXPECT_STREQ(Name(f.Poll(e.now, e.editing, e.stamp)), Name(e.want))
                        << c.name << ", line " << line;
                    break;
            }
        }
    }
}

// Which files read are no settings file: the reason logged, or none.
TEST(NotSettings, Table) {
    const struct {
        FileStamp stamp;
        bool hasConfig;
        const char* why;
    } rows[] = {
        {{true, 0, 5, 1}, false, "it is empty"},
        {{true, 4096, 5, 1}, false, "it has no [Config] section"},
        {{true, 9, 5, 1}, true, nullptr},
        // "[Config]" alone is the settings of a fresh start.
        {{true, 8, 5, 1}, true, nullptr},
        // A stamp that could not be taken says nothing of the size; the section decides.
        {{true, 0, 0, 0}, true, nullptr},
    };
    for (const auto& r : rows) {
        const char* why = yv::host::NotSettings(r.stamp, r.hasConfig);
        EXPECT_EQ(why ? std::string(why) : "settings", r.why ? std::string(r.why) : "settings")
            << r.stamp.size << " " << r.hasConfig;
    }
}

// How long the shell thread's timer waits: what is left of the quiet time, never past it.
TEST(FileFollower, WaitsForWhatIsLeftOfTheQuietTime) {
    FileFollower f(300);
    f.Changed(1000);
    EXPECT_EQ(f.WaitMs(1100), 200u);
    EXPECT_EQ(f.WaitMs(1300), 0u);
    EXPECT_EQ(f.WaitMs(1700), 0u);
}

}  // namespace
