// The few file-system services whose calls differ between platforms. One implementation is
// linked per platform (fs_posix.cpp or win/fs.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace yv::settings::fs {

// Pushes the file's written data to the disk. False when the system refuses.
bool SyncFile(std::FILE* f);

// Puts the file `from` in place of `to` in one step, replacing an existing `to` unless that
// is marked read-only.
bool MoveIntoPlace(const std::string& from, const std::string& to);

// The folder of the running executable, ending in a path separator.
std::string ExecutableDirectory();

// What tells one version of a file from another without reading it. `id` is the file's
// identity on its volume, so that a file saved by a rename is another file.
struct Stamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    std::uint64_t id = 0;
    bool operator==(const Stamp&) const = default;
};
Stamp StampOf(const std::string& path);

// The Shift-JIS (code page 932) form of a text of whole UTF-16 characters (no surrogates). A
// character without one becomes '?'; none is replaced by a look-alike.
std::string WideToShiftJis(std::u16string_view text);

// The character that one Shift-JIS form (a byte, or a lead byte and the byte after it) stands
// for in code page 932; empty when it stands for none.
std::u16string ShiftJisToWide(std::string_view form);

}  // namespace yv::settings::fs
