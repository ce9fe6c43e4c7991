#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "fsseam.h"

namespace yv::settings::fs {

bool SyncFile(std::FILE* f) { return fsync(fileno(f)) == 0; }

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    // rename() would replace a file nobody may write to; such a file is kept, as on Windows.
    struct stat st;
    if (stat(to.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string ExecutableDirectory() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    if (n <= 0) return "./";
    const std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

}  // namespace yv::settings::fs
