// The per-window context of the editor's window classes: the object handed to CreateWindowExW
// travels in the window's user data from WM_NCCREATE on.
#pragma once

#include <windows.h>

namespace yv::win {

template <class T>
T* ContextOf(HWND w) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(w, GWLP_USERDATA));
}

// For a window procedure: the context of `w`, stored first when `msg` is WM_NCCREATE. Null for
// the few messages that come before it.
template <class T>
T* AttachContext(HWND w, UINT msg, LPARAM lp) {
    if (msg != WM_NCCREATE) return ContextOf<T>(w);
    T* t = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(t));
    return t;
}

}  // namespace yv::win
