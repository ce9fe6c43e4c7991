// The profile box Comb1 and the menus "アプリケーション設定" and "自動切替設定": creating,
// renaming, copying and deleting application profiles, and registering the window title that
// switches to a profile. The handlers work on the editor's state and reach the window through
// its View.
#pragma once

#include "editor.h"

namespace yv::editor {

// Where the editor asks the hook library for the titles of the last activated windows
// (getaplname): two buffers of at least 101 bytes, entry 0 the latest title. The program binds
// the library's export; tests bind a fake. Unbound, no title is ever obtained.
using AplNameSource = void (*)(char** out);
void SetAplNameSource(AplNameSource source);

class Profiles {
  public:
    explicit Profiles(Editor& editor) : ed_(editor) {}

    void Comb1Change();   // the selection or the text of Comb1 changed
    void Comb1KeyDown();  // a key went down in Comb1
    void New1Click();     // 新　規
    void Name1Click();    // 名前変更
    void Copy1Click();    // コピー
    void Del1Click();     // 削　除
    void A1Click();       // 自動切替設定, on the current profile

  private:
    void SwitchTo(int profile);
    void CompleteCopy(int target);
    bool AskSave();
    bool MayWrite();
    void ShowProfileList();
    void SetCombo(int index, bool setText, bool setIndex);
    Answer Notice(BoxKind kind, const char* text);

    Editor& ed_;
    // Set while a handler itself changes Comb1, so that a window which reports such a change
    // starts no Comb1Change.
    bool settingCombo_ = false;
};

}  // namespace yv::editor
