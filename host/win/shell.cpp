#include "shell.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace yv::host {

HICON MakeStateIcon(bool on) {
    const int cx = GetSystemMetrics(SM_CXSMICON) > 0 ? GetSystemMetrics(SM_CXSMICON) : 16;
    const int cy = GetSystemMetrics(SM_CYSMICON) > 0 ? GetSystemMetrics(SM_CYSMICON) : 16;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP color = CreateCompatibleBitmap(screen, cx, cy);
    HBITMAP mask = CreateBitmap(cx, cy, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);

    // Mask: white = transparent, black = the rounded square.
    HGDIOBJ old = SelectObject(dc, mask);
    PatBlt(dc, 0, 0, cx, cy, WHITENESS);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    RoundRect(dc, 0, 0, cx, cy, cx / 3, cy / 3);

    // Colour: black outside (XOR leaves the background), the square and the letter inside.
    SelectObject(dc, color);
    PatBlt(dc, 0, 0, cx, cy, BLACKNESS);
    HBRUSH fill = CreateSolidBrush(on ? RGB(0, 102, 204) : RGB(150, 150, 150));
    HPEN edge = CreatePen(PS_SOLID, 1, on ? RGB(0, 51, 153) : RGB(110, 110, 110));
    SelectObject(dc, fill);
    SelectObject(dc, edge);
    RoundRect(dc, 0, 0, cx, cy, cx / 3, cy / 3);
    HFONT font = CreateFontA(-(cy * 3 / 4), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, on ? RGB(255, 255, 255) : RGB(225, 225, 225));
    RECT r = {0, 0, cx, cy};
    DrawTextA(dc, "Y", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (!on) {
        // A diagonal stroke makes "off" readable without colour.
        HPEN stroke = CreatePen(PS_SOLID, 2, RGB(200, 40, 40));
        HGDIOBJ oldPen = SelectObject(dc, stroke);
        MoveToEx(dc, 2, cy - 3, nullptr);
        LineTo(dc, cx - 3, 2);
        SelectObject(dc, oldPen);
        DeleteObject(stroke);
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteObject(fill);
    DeleteObject(edge);

    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = color;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(color);
    DeleteDC(dc);
    return icon;
}

std::string StartupLinkPath() {
    char dir[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, dir))) {
        return {};
    }
    return std::string(dir) + "\\Yorvan2.lnk";
}

bool StartupLinkExists() {
    std::string path = StartupLinkPath();
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetStartupLink(bool on, const std::string& exePath) {
    std::string path = StartupLinkPath();
    if (path.empty()) return false;
    if (!on) return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;

    std::string dir = exePath.substr(0, exePath.find_last_of('\\'));
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    link->SetPath(exePath.c_str());
    link->SetWorkingDirectory(dir.c_str());
    link->SetDescription("Yorvan2");
    bool saved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        // IPersistFile takes a wide path; the ANSI path is in the system code page.
        wchar_t wide[MAX_PATH] = L"";
        if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0) {
            saved = SUCCEEDED(file->Save(wide, TRUE));
        }
        file->Release();
    }
    link->Release();
    return saved;
}

}  // namespace yv::host
