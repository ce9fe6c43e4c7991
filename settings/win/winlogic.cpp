#include "winlogic.h"

#include <algorithm>

namespace yv::win {

int GridGeometry::ColLeft(int col) const {
    int x = 0;
    for (int c = 0; c < col && c < kGridCols; ++c) x += width[c] + kGridLine;
    return x;
}

int GridGeometry::RowTop(int row) const {
    return row == 0 ? 0 : kGridPitch + (row - topRow) * kGridPitch;
}

int GridGeometry::VisibleRows() const {
    return std::max(1, (clientHeight - kGridPitch) / kGridPitch);
}

int GridGeometry::MaxTopRow() const { return std::max(1, kGridLastRow - VisibleRows() + 1); }

int GridGeometry::ClampTop(int top) const { return std::clamp(top, 1, MaxTopRow()); }

int GridGeometry::TopShowing(int row) const {
    if (row < 1) return topRow;
    if (row < topRow) return ClampTop(row);
    if (row >= topRow + VisibleRows()) return ClampTop(row - VisibleRows() + 1);
    return topRow;
}

CellPos GridGeometry::HitTest(int x, int y) const {
    CellPos p;
    for (int c = 0; c < kGridCols; ++c) {
        if (x >= ColLeft(c) && x < ColLeft(c + 1)) p.col = c;
    }
    if (y >= 0 && y < kGridPitch) {
        p.row = 0;
    } else if (y >= kGridPitch) {
        int r = topRow + (y - kGridPitch) / kGridPitch;
        if (r <= kGridLastRow) p.row = r;
    }
    return p;
}

GridMove NavigateGrid(const GridGeometry& g, CellPos from, GridKey key, bool ctrl) {
    const int page = g.VisibleRows();
    int col = from.col, row = from.row, top = g.topRow;
    switch (key) {
        case GridKey::kUp:
            --row;
            break;
        case GridKey::kDown:
            ++row;
            break;
        case GridKey::kPageUp:
            top = g.ClampTop(top - page);
            row -= page;
            break;
        case GridKey::kPageDown:
            top = g.ClampTop(top + page);
            row += page;
            break;
        case GridKey::kLeft:
            --col;
            break;
        case GridKey::kRight:
            ++col;
            break;
        case GridKey::kHome:
            if (ctrl)
                row = 1;
            else
                col = 1;
            break;
        case GridKey::kEnd:
            if (ctrl)
                row = kGridLastRow;
            else
                col = kGridCols - 1;
            break;
    }
    GridMove m;
    m.to = {std::clamp(col, 1, kGridCols - 1), std::clamp(row, 1, kGridLastRow)};
    GridGeometry after = g;
    after.topRow = top;
    m.topRow = after.TopShowing(m.to.row);
    return m;
}

int WheelRows(int& rest, int delta) {
    rest += delta;
    const int notches = rest / kWheelDelta;
    rest -= notches * kWheelDelta;
    return notches * kWheelRows;
}

bool LeftLeavesCell(int selStart, int selEnd, int length) {
    return selStart == 0 && (selEnd == 0 || selEnd == length);
}

EditorKeyRoute RouteEditorKey(int vk, bool systemKey, int selStart, int selEnd, int length) {
    constexpr int kPrior = 0x21, kNext = 0x22, kLeft = 0x25, kUp = 0x26, kDown = 0x28,
                  kEscape = 0x1B;
    if (vk == kUp || vk == kDown || vk == kPrior || vk == kNext) return EditorKeyRoute::kGrid;
    if (systemKey) return EditorKeyRoute::kEditor;
    if (vk == kEscape) return EditorKeyRoute::kRestore;
    if (vk == kLeft && LeftLeavesCell(selStart, selEnd, length)) return EditorKeyRoute::kGrid;
    return EditorKeyRoute::kEditor;
}

bool IsLockKey(int vk) { return vk == 0x14 || vk == 0x90 || vk == 0x91; }

bool SystemLockPress(int vk, unsigned long time, int nextVk, unsigned long nextTime) {
    return IsLockKey(vk) && nextVk != 0 && nextVk != vk && nextTime == time;
}

EdgeLayout FollowEdges(int clientWidth, int clientHeight) {
    constexpr int kDesignW = 1007, kDesignH = 599;
    constexpr int kGridTop = 158, kGridBottom = 158 + 423;
    constexpr int kVerLeft = 946, kVerTop = 584;
    EdgeLayout l;
    l.panelWidth = std::max(0, clientWidth);
    l.gridHeight = std::max(0, clientHeight - kGridTop - (kDesignH - kGridBottom));
    l.verLeft = clientWidth - (kDesignW - kVerLeft);
    l.verTop = clientHeight - (kDesignH - kVerTop);
    return l;
}

BoxLayout LayOutBox(int textW, int textH, bool icon, int buttons, bool field) {
    BoxLayout l;
    const int textX = kBoxMargin + (icon ? kBoxIconSize + kBoxMargin : 0);
    const int buttonsW = std::max(0, buttons * (kBoxButtonW + kBoxButtonGap) - kBoxButtonGap);
    l.clientW = std::max(
        {textX + textW + kBoxMargin, buttonsW + 2 * kBoxMargin, field ? kInputBoxMinW : kBoxMinW});
    if (icon) l.icon = {kBoxMargin, kBoxMargin, kBoxIconSize, kBoxIconSize};
    const int textY = kBoxMargin + (icon ? std::max(0, (kBoxIconSize - textH) / 2) : 0);
    l.text = {textX, textY, textW, textH};
    int y = kBoxMargin + std::max(textH, icon ? kBoxIconSize : 0) + kBoxMargin;
    if (field) {
        l.field = {kBoxMargin, y, l.clientW - 2 * kBoxMargin, kBoxFieldH};
        y += kBoxFieldH + kBoxMargin;
    }
    l.firstButton = {(l.clientW - buttonsW) / 2, y, kBoxButtonW, kBoxButtonH};
    l.clientH = y + kBoxButtonH + kBoxMargin;
    return l;
}

BoxButton EnterChoice(BoxButton focused, BoxButton first) {
    return focused != BoxButton::kNone ? focused : first;
}

BoxButton EscapeChoice(bool hasNo, bool hasCancel) {
    if (hasNo) return BoxButton::kNo;
    if (hasCancel) return BoxButton::kCancel;
    return BoxButton::kNone;
}

int FitFontHeight(int designed, TextExtent box, TextExtent (*measure)(int height, void* ctx),
                  void* ctx) {
    for (int h = designed; h > kSmallestFontHeight; --h) {
        const TextExtent e = measure(h, ctx);
        if (e.width <= box.width && e.height <= box.height) return h;
    }
    return kSmallestFontHeight;
}

CellText FitCellText(const char* text, int length, int designedX, int cellWidth,
                     int (*width)(const char* text, int length, void* ctx), void* ctx) {
    if (designedX + width(text, length, ctx) <= cellWidth) return {0, length, designedX};
    int lead = 0, end = length;
    while (lead < end && text[lead] == ' ') ++lead;
    while (end > lead && text[end - 1] == ' ') --end;
    const int w = width(text + lead, end - lead, ctx);
    return {lead, end - lead, w < cellWidth ? (cellWidth - w) / 2 : 0};
}

bool RecordsTitle(std::uint32_t style, std::u16string_view title) {
    if (title.empty()) return false;
    auto holds = [&](std::u16string_view part) { return title.find(part) != title.npos; };
    if ((style & kTitledStyle) == kTitledStyle)
        return !holds(u"情報") && !holds(u"Yorvan2変換設定");
    return holds(u"Program Manager");
}

}  // namespace yv::win
