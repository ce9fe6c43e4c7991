// The figures of the version box, computed from raw platform readings so that they can be
// tested without the platform.
#pragma once

#include <cstdint>
#include <string>

#include "view.h"

namespace yv::editor {

// One reading of the system's uptime sources.
struct UptimeReading {
    uint32_t tickCount = 0;  // milliseconds since start, wrapping after 2^32
    bool counterOk = false;  // frequency and counter were both read with success
    int64_t frequency = 0;   // high-resolution counter ticks per second
    int64_t counter = 0;     // high-resolution counter value
};

// The running time: "%d 年 %d ヶ月 %d 日 %d 時間 %d 分 %d 秒" (365-day years, 30-day months), or
// "49 日以上" when the tick count is below a second. The high-resolution counter wins when it
// lies on another day than the tick count, which happens once the tick count has wrapped.
std::string RunningTimeText(const UptimeReading& r);

// "稼働時間 ： " followed by RunningTimeText.
std::string RunningTimeLine(const UptimeReading& r);

// A whole number with a comma between groups of three digits: 1048576 -> "1,048,576".
std::string GroupDigits(uint64_t n);

// Share of memory in use, rounded half up; 0 when the total is 0.
int MemoryUsePercent(uint64_t totalKB, uint64_t freeKB);

// The three memory lines of the box, from the byte counts of the memory status.
struct MemoryLines {
    std::string total;  // "物理ﾒﾓﾘ     : 2,097,152 KB"
    std::string free;   // "空き物理ﾒﾓﾘ :   524,288 KB"
    std::string use;    // "ﾒﾓﾘ利用率   :        75 %"
};
MemoryLines MemoryText(uint64_t totalBytes, uint64_t availBytes);

// What the menu "ヘルプ" needs of the program: the version box, a modeless window of its own,
// and the shell. The Win32 program implements it; tests implement it with a recording fake.
class HelpView {
  public:
    virtual ~HelpView() = default;
    // Disabled, the main window takes no input, its menu included.
    virtual void SetMainWindowEnabled(bool on) = 0;
    // Takes the figures afresh and shows the box without waiting for it.
    virtual void ShowAboutBox() = 0;
    virtual void HideAboutBox() = 0;
    // Asks the desktop to open a file (ShellExecuteA with the verb "open"). False when it
    // could not (no program opens the file).
    virtual bool ShellOpen(const std::string& file) = 0;
};

// The user guide shipped beside the program (and beside the settings file).
std::string UserGuidePath(const std::string& settingsPath);

void About1Click(HelpView& view);    // バージョン情報
void OKButtonClick(HelpView& view);  // OK, Enter or the close button
// ホームページ: the user guide. When nothing opens it, its address is shown in an input box's
// field, where the user can copy it.
void H1Click(HelpView& help, View& view, const std::string& settingsPath);

}  // namespace yv::editor
