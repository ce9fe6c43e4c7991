// The checks the settings editor makes at start, before any window exists: the resident host
// must be running, and only one editor may run at a time.
#pragma once

#include <string>

namespace yv::editor {

// The Windows operations the checks use. The program binds the real ones; tests a fake.
class StartPlatform {
  public:
    virtual ~StartPlatform() = default;
    virtual bool FindWindowA(const std::string& title) = 0;  // a top-level window so titled?
    virtual bool OpenMutexA(const std::string& name) = 0;    // does the mutex exist?
    virtual bool CreateMutexA(const std::string& name) = 0;  // created, not owned; kept open
    virtual void MessageBoxA(const std::string& text, const std::string& caption) = 0;  // OK
};

// True when the editor may run. `exePath` is the running executable's path; the mutex is
// named after its file name.
bool CheckStart(StartPlatform& platform, const std::string& exePath);

}  // namespace yv::editor
