// Texts of the editor's windows kept whole where the fonts on the system are wider or taller
// than the ones the windows were laid out for: a control whose text does not fit its designed
// size gets a smaller size of the same face.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "wtext.h"

namespace yv::win {

// Fonts of one face, made on demand by height and deleted with the set.
class FontSet {
  public:
    // `face` is a program text (a literal of the source).
    explicit FontSet(const char* face) : face_(face) {}
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;
    HFONT Get(int height);

  private:
    WText face_;
    std::vector<std::pair<int, HFONT>> fonts_;
};

// Sets control `c` the largest font of `fonts` up to `designed` pixels in which its text fits
// `box` (one line, or its lines when `lines` is set). Returns the font set.
HFONT FitControlText(HWND c, FontSet& fonts, int designed, SIZE box, bool lines = false);

}  // namespace yv::win
