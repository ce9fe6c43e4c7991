// The editor window's window-free decisions: where a click lands in the grid, where a key moves
// the cursor and the scrolled rows, the wheel, the in-place editor's Left key, and the boxes'
// Enter and Esc.
#include "winlogic.h"

#include <gtest/gtest.h>

#include <cstring>

namespace yv::win {
namespace {

// The designed grid: 423 pixels high with a 2-pixel border on each side, so 419 inside, which
// shows the header and 18 whole rows.
GridGeometry Designed(int top = 1) {
    GridGeometry g;
    g.clientHeight = 419;
    g.topRow = top;
    return g;
}

TEST(GridGeometry, RowsAndScrollLimits) {
    const GridGeometry g = Designed();
    EXPECT_EQ(g.VisibleRows(), 18);
    EXPECT_EQ(g.MaxTopRow(), 84);  // rows 84..101 fill the last page
    EXPECT_EQ(g.ClampTop(0), 1);
    EXPECT_EQ(g.ClampTop(90), 84);
    GridGeometry tiny;
    tiny.clientHeight = 5;  // smaller than the header: still one row
    EXPECT_EQ(tiny.VisibleRows(), 1);
    EXPECT_EQ(tiny.MaxTopRow(), 101);
    EXPECT_EQ(g.ColLeft(1), 41);
    EXPECT_EQ(g.ColLeft(2), 41 + 111);
}

TEST(GridGeometry, HitTest) {
    struct Case {
        int top, x, y;
        CellPos want;
    } cases[] = {
        {1, 0, 0, {0, 0}},    // the header's corner
        {1, 40, 20, {0, 0}},  // the lines after a cell belong to it
        {1, 41, 21, {1, 1}},  // the On/Off row's key
        {1, 152, 21 + 21 * 4, {2, 5}},
        {10, 60, 21, {1, 10}},  // scrolled: the first row below the header is the top row
        {10, 60, 10, {1, 0}},   // the header stays
        {84, 60, 21 + 21 * 17, {1, 101}},
        {84, 60, 21 + 21 * 18, {1, -1}},   // below the last row
        {1, 41 + 111 + 701, 30, {-1, 1}},  // right of the last column
        {1, -3, 30, {-1, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Designed(c.top).HitTest(c.x, c.y), c.want) << c.top << " " << c.x << "," << c.y;
    }
}

TEST(GridGeometry, TopShowing) {
    struct Case {
        int top, row, want;
    } cases[] = {
        {1, 5, 1},    {1, 18, 1},   {1, 19, 2},  // one past the page scrolls one row
        {1, 101, 84}, {50, 10, 10}, {50, 60, 50}, {50, 0, 50},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Designed(c.top).TopShowing(c.row), c.want) << c.top << " " << c.row;
    }
}

TEST(GridNavigation, KeysMoveWithinTheEditableCells) {
    struct Case {
        int top;
        CellPos from;
        GridKey key;
        bool ctrl;
        CellPos to;
        int newTop;
    } cases[] = {
        {1, {1, 1}, GridKey::kUp, false, {1, 1}, 1},  // never above row 1 or into the header
        {1, {1, 5}, GridKey::kUp, false, {1, 4}, 1},
        {1, {2, 18}, GridKey::kDown, false, {2, 19}, 2},  // scrolls to keep the cursor shown
        {84, {1, 101}, GridKey::kDown, false, {1, 101}, 84},
        {1, {1, 5}, GridKey::kPageDown, false, {1, 23}, 19},
        {84, {1, 90}, GridKey::kPageDown, false, {1, 101}, 84},
        {19, {1, 23}, GridKey::kPageUp, false, {1, 5}, 1},
        {1, {1, 3}, GridKey::kPageUp, false, {1, 1}, 1},
        {1, {1, 3}, GridKey::kLeft, false, {1, 3}, 1},  // never into the number column
        {1, {1, 3}, GridKey::kRight, false, {2, 3}, 1},
        {1, {2, 3}, GridKey::kRight, false, {2, 3}, 1},
        {1, {2, 3}, GridKey::kHome, false, {1, 3}, 1},
        {1, {1, 3}, GridKey::kEnd, false, {2, 3}, 1},
        {1, {2, 3}, GridKey::kEnd, true, {2, 101}, 84},
        {84, {2, 99}, GridKey::kHome, true, {2, 1}, 1},
        {30, {1, 10}, GridKey::kDown, false, {1, 11}, 11},  // a cursor scrolled out comes back
    };
    for (const Case& c : cases) {
        GridMove m = NavigateGrid(Designed(c.top), c.from, c.key, c.ctrl);
        EXPECT_EQ(m.to, c.to) << "from " << c.from.col << "," << c.from.row << " key "
                              << static_cast<int>(c.key);
        EXPECT_EQ(m.topRow, c.newTop)
            << "from " << c.from.col << "," << c.from.row << " key " << static_cast<int>(c.key);
    }
}

TEST(GridWheel, WholeNotchesScrollThreeRowsAndPartsAddUp) {
    int rest = 0;
    EXPECT_EQ(WheelRows(rest, 120), 3);
    EXPECT_EQ(WheelRows(rest, -240), -6);
    EXPECT_EQ(WheelRows(rest, 60), 0);  // half a notch waits
    EXPECT_EQ(WheelRows(rest, 60), 3);
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(WheelRows(rest, -30), 0);
    EXPECT_EQ(WheelRows(rest, -100), -3);
    EXPECT_EQ(rest, -10);
}

TEST(InPlaceEditor, LeftLeavesTheCellOnlyFromItsStart) {
    struct Case {
        int from, to, length;
        bool leaves;
    } cases[] = {
        {0, 0, 0, true},  {0, 0, 5, true},  {0, 5, 5, true},  // caret at the start; all selected
        {2, 2, 5, false}, {0, 3, 5, false},                   // caret inside; part selected
        {5, 5, 5, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LeftLeavesCell(c.from, c.to, c.length), c.leaves)
            << c.from << "-" << c.to << " of " << c.length;
    }
}

TEST(InPlaceEditor, KeyRoutes) {
    using R = EditorKeyRoute;
    struct Case {
        int vk;
        bool system;
        int from, to, length;
        R want;
    } cases[] = {
        {0x26, false, 2, 2, 5, R::kGrid},  // Up, Down, PageUp, PageDown move between rows
        {0x28, false, 2, 2, 5, R::kGrid},   {0x21, false, 0, 0, 0, R::kGrid},
        {0x22, true, 0, 0, 0, R::kGrid},    {0x1B, false, 1, 3, 5, R::kRestore},  // Esc
        {0x1B, true, 1, 3, 5, R::kEditor},  {0x25, false, 0, 5, 5, R::kGrid},  // Left, all selected
        {0x25, false, 3, 3, 5, R::kEditor}, {0x25, true, 0, 0, 5, R::kEditor},  // Alt+Left
        {0x27, false, 5, 5, 5, R::kEditor},  // Right stays in the last column's editor
        {0x24, false, 3, 3, 5, R::kEditor}, {0x23, false, 0, 0, 5, R::kEditor},  // Home, End
        {0x2E, false, 0, 5, 5, R::kEditor}, {0x56, false, 0, 0, 0, R::kEditor},  // Delete, V
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RouteEditorKey(c.vk, c.system, c.from, c.to, c.length), c.want)
            << "vk " << c.vk << (c.system ? " (system)" : "");
    }
}

// A lock key's press with another key's press of the same time right behind it is the system
// matching its lock state (Wine, before the key that showed the X server's to differ).
TEST(KeyLearning, SystemLockPressesAreTold) {
    struct Case {
        int vk;
        unsigned long time;
        int nextVk;
        unsigned long nextTime;
        bool system;
    } cases[] = {
        {0x90, 500, 0x41, 500, true},   // NumLock, then A of the same X event
        {0x14, 500, 0x0D, 500, true},   // CapsLock, then Enter
        {0x91, 500, 0x12, 500, true},   // ScrollLock, then Alt (a system key)
        {0x90, 500, 0x41, 501, false},  // the user's NumLock, A a moment later
        {0x90, 500, 0x41, 499, false},  // a key-down of an earlier time
        {0x90, 500, 0, 500, false},     // nothing behind it
        {0x90, 500, 0x90, 500, false},  // its own repeat
        {0x41, 500, 0x42, 500, false},  // not a lock key
        {0x13, 500, 0x41, 500, false},  // Pause is none either
        {0x90, 0xFFFFFFFF, 0x41, 0xFFFFFFFF, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SystemLockPress(c.vk, c.time, c.nextVk, c.nextTime), c.system)
            << "vk " << c.vk << " at " << c.time << ", then " << c.nextVk << " at " << c.nextTime;
    }
}

TEST(KeyUpFilter, OnlyTheConsumedKeysReleaseIsKept) {
    KeyUpFilter f;
    EXPECT_TRUE(f.PassKeyUp(0x12));  // nothing consumed yet
    f.KeyDown(0x12, true);           // a captured Alt
    EXPECT_TRUE(f.PassKeyUp(0x41));
    EXPECT_FALSE(f.PassKeyUp(0x12));
    EXPECT_TRUE(f.PassKeyUp(0x12));  // once
    f.KeyDown(0x79, true);           // F10 consumed, then a key the grid handles
    f.KeyDown(0x26, false);
    EXPECT_TRUE(f.PassKeyUp(0x79));
}

TEST(EdgeLayout, FollowsTheWindowsEdges) {
    struct Case {
        int w, h;
        EdgeLayout want;
    } cases[] = {
        {1007, 599, {1007, 423, 946, 584}},  // as designed
        {1200, 700, {1200, 524, 1139, 685}},
        {600, 300, {600, 124, 539, 285}},
        {100, 100, {100, 0, 39, 85}},  // shorter than the grid's top: no height, not negative
    };
    for (const Case& c : cases) {
        EdgeLayout l = FollowEdges(c.w, c.h);
        EXPECT_EQ(l.panelWidth, c.want.panelWidth) << c.w << "x" << c.h;
        EXPECT_EQ(l.gridHeight, c.want.gridHeight) << c.w << "x" << c.h;
        EXPECT_EQ(l.verLeft, c.want.verLeft) << c.w << "x" << c.h;
        EXPECT_EQ(l.verTop, c.want.verTop) << c.w << "x" << c.h;
    }
}

bool Inside(const Rect& r, const BoxLayout& l) {
    return r.x >= 0 && r.y >= 0 && r.x + r.w <= l.clientW && r.y + r.h <= l.clientH;
}
bool Apart(const Rect& a, const Rect& b) {  // no overlap
    return a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
}

TEST(Boxes, LayoutKeepsEveryPartInsideAndApart) {
    struct Case {
        int textW, textH;
        bool icon;
        int buttons;
        bool field;
        int wantW, wantH;
    } cases[] = {
        {150, 16, true, 2, false, 240, 106},  // a short question: the minimum width
        {500, 32, true, 1, false, 580, 106},  // two lines beside the icon: the text decides
        {100, 16, false, 1, false, 240, 90},  // a plain notice without icon
        {200, 16, false, 2, true, 360, 130},  // the input box: the field widens it
        {10, 16, false, 4, false, 446, 90},   // many buttons decide the width
        {300, 64, true, 2, false, 380, 138},  // text taller than the icon
    };
    for (const Case& c : cases) {
        const BoxLayout l = LayOutBox(c.textW, c.textH, c.icon, c.buttons, c.field);
        SCOPED_TRACE(testing::Message() << c.textW << "x" << c.textH << " buttons " << c.buttons);
        EXPECT_EQ(l.clientW, c.wantW);
        EXPECT_EQ(l.clientH, c.wantH);
        EXPECT_TRUE(Inside(l.text, l));
        Rect last = l.firstButton;
        last.x += (c.buttons - 1) * (kBoxButtonW + kBoxButtonGap);
        EXPECT_TRUE(Inside(l.firstButton, l));
        EXPECT_TRUE(Inside(last, l));
        EXPECT_EQ(l.firstButton.x, l.clientW - (last.x + last.w));  // centred
        EXPECT_TRUE(Apart(l.text, l.firstButton));
        if (c.icon) {
            EXPECT_TRUE(Inside(l.icon, l));
            EXPECT_TRUE(Apart(l.icon, l.text));
        }
        if (c.field) {
            EXPECT_TRUE(Inside(l.field, l));
            EXPECT_TRUE(Apart(l.field, l.text));
            EXPECT_TRUE(Apart(l.field, l.firstButton));
        }
    }
}

TEST(Boxes, EnterAndEscape) {
    using B = BoxButton;
    EXPECT_EQ(EnterChoice(B::kNone, B::kYes), B::kYes);  // はい at first
    EXPECT_EQ(EnterChoice(B::kNone, B::kOk), B::kOk);
    EXPECT_EQ(EnterChoice(B::kNo, B::kYes), B::kNo);  // the button the user tabbed to
    EXPECT_EQ(EscapeChoice(true, false), B::kNo);
    EXPECT_EQ(EscapeChoice(false, true), B::kCancel);
    EXPECT_EQ(EscapeChoice(false, false), B::kNone);  // a notice closes as by its close button
}

// A stand-in font: every byte as wide as the height, lines 1.25 heights apart.
struct FakeText {
    int chars, lines;
};
TextExtent Measure(int h, void* ctx) {
    const auto* t = static_cast<FakeText*>(ctx);
    return {t->chars * h, t->lines * h * 5 / 4};
}
int Width(const char*, int length, void*) { return length * 8; }

TEST(TextFit, LargestFittingFontHeight) {
    const struct {
        const char* what;
        FakeText text;
        TextExtent box;
        int want;
    } cases[] = {
        {"fits as designed", {5, 1}, {80, 20}, 16},
        {"exactly as wide as the box", {5, 1}, {80, 20}, 16},
        {"too wide: the largest that fits", {6, 1}, {80, 20}, 13},
        {"three lines in a low box", {10, 3}, {400, 45}, 12},
        {"nothing fits: the smallest", {40, 1}, {80, 20}, kSmallestFontHeight},
    };
    for (auto c : cases) {
        EXPECT_EQ(FitFontHeight(16, c.box, &Measure, &c.text), c.want) << c.what;
    }
}

TEST(TextFit, FixedCellTextDropsBlanksAndCentres) {
    const struct {
        const char* text;
        int cellWidth;
        CellText want;
    } cases[] = {
        {" No ", 40, {0, 4, 1}},      // 1 + 32 fits: as designed
        {"  No  ", 40, {2, 2, 12}},   // 49 does not: "No" centred
        {" Header ", 40, {1, 6, 0}},  // wider than the cell even so: from the left edge
        {"      ", 40, {6, 0, 20}},   // only blanks
    };
    for (const auto& c : cases) {
        const CellText t = FitCellText(c.text, static_cast<int>(std::strlen(c.text)), 1,
                                       c.cellWidth, &Width, nullptr);
        EXPECT_EQ(t.lead, c.want.lead) << c.text;
        EXPECT_EQ(t.length, c.want.length) << c.text;
        EXPECT_EQ(t.x, c.want.x) << c.text;
    }
}

TEST(TitleRecord, TitledWindowsOfOtherProgramsAndTheDesktop) {
    constexpr std::uint32_t kTitled = kTitledStyle, kChild = 0x50000000, kNoSysMenu = 0x10C00000;
    struct Case {
        std::uint32_t style;
        std::u16string_view title;
        bool recorded;
    } cases[] = {
        {kTitled, u"memo.txt - メモ帳", true},
        {kTitled | 0x00030000, u"日本😀ü.txt - Notepad", true},  // more style bits
        {kTitled, u"", false},
        {kTitled, u"情報", false},
        {kTitled, u"詳しい情報 - ブラウザ", false},  // holds 情報
        {kTitled, u"Yorvan2変換設定", false},
        {kTitled, u"Program Manager", true},
        {kNoSysMenu, u"memo.txt - メモ帳", false},
        {kChild, u"memo.txt - メモ帳", false},
        {kChild, u"Program Manager", true},
        {0, u"the Program Manager here", true},
        {0, u"Program Manage", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecordsTitle(c.style, c.title), c.recorded)
            << std::hex << c.style << " " << c.title.size();
    }
}

}  // namespace
}  // namespace yv::win
