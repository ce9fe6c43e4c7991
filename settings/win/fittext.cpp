#include "fittext.h"

#include "winlogic.h"

namespace yv::win {

FontSet::~FontSet() {
    for (auto& [height, font] : fonts_) DeleteObject(font);
}

HFONT FontSet::Get(int height) {
    for (auto& [h, font] : fonts_) {
        if (h == height) return font;
    }
    HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face_.c_str());
    if (font != nullptr) fonts_.emplace_back(height, font);
    return font;
}

namespace {

struct Measuring {
    HDC dc;
    FontSet* fonts;
    const std::wstring* text;
    UINT format;
};

TextExtent MeasureAt(int height, void* ctx) {
    auto* m = static_cast<Measuring*>(ctx);
    HGDIOBJ old = SelectObject(m->dc, m->fonts->Get(height));
    RECT r = {0, 0, 0, 0};
    DrawTextW(m->dc, m->text->c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | m->format);
    SelectObject(m->dc, old);
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

HFONT FitControlText(HWND c, FontSet& fonts, int designed, SIZE box, bool lines) {
    const int n = GetWindowTextLengthW(c);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(c, text.data(), n + 1)));
    HDC dc = GetDC(c);
    Measuring m{dc, &fonts, &text, lines ? 0u : static_cast<UINT>(DT_SINGLELINE)};
    const int height = FitFontHeight(designed, {box.cx, box.cy}, &MeasureAt, &m);
    ReleaseDC(c, dc);
    HFONT font = fonts.Get(height);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return font;
}

}  // namespace yv::win
