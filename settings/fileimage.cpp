#include "fileimage.h"

#include <cstdio>

namespace yv::settings {

FileImage TakeImage(const std::string& path) {
    FileImage image;
    image.stamp = fs::StampOf(path);
    if (!image.stamp.exists) return image;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return image;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) image.bytes.append(buf, n);
    image.readable = std::ferror(f) == 0;
    std::fclose(f);
    if (!image.readable) image.bytes.clear();
    return image;
}

Since Compare(const FileImage& taken, const FileImage& now) {
    if (taken.stamp.exists != now.stamp.exists || taken.readable != now.readable ||
        taken.bytes != now.bytes) {
        return Since::kChanged;
    }
    return taken.stamp == now.stamp ? Since::kSame : Since::kTouched;
}

}  // namespace yv::settings
