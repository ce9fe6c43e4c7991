#include "start.h"

#include "strutil.h"
#include "view.h"

namespace yv::editor {

bool CheckStart(StartPlatform& platform, const std::string& exePath) {
    if (!platform.FindWindowA("Yorvan2")) {
        platform.MessageBoxA("Ｙｏｒｖａｎ２から起動させてください", kAppTitle);
        return false;
    }
    const std::string name = exePath.substr(settings::DirectoryPart(exePath).size());
    // A second editor leaves without a word; the first one is not brought forward.
    if (platform.OpenMutexA(name)) return false;
    if (!platform.CreateMutexA(name)) {
        platform.MessageBoxA("プログラムを起動できません", kAppTitle);
        return false;
    }
    return true;
}

}  // namespace yv::editor
