// The settings file as a program last read or wrote it, to tell later whether another program
// has changed it since: a text editor saving while the settings editor is open.
#pragma once

#include <string>

#include "fsseam.h"

namespace yv::settings {

struct FileImage {
    fs::Stamp stamp;
    bool readable = false;  // the bytes were read; false for a file that is absent or locked
    std::string bytes;
};

FileImage TakeImage(const std::string& path);

enum class Since {
    kSame,     // stamp and bytes as taken
    kTouched,  // the stamp moved but the bytes are the same: a save of the same content
    kChanged,  // another content, or a file that came, went or cannot be read
};
// The bytes decide, since a clock with coarse steps (two seconds on FAT) can leave the stamp
// of a quick same-sized edit as it was.
Since Compare(const FileImage& taken, const FileImage& now);

}  // namespace yv::settings
