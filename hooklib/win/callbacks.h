// The library's hook procedures with the platform's calling convention.
#pragma once

#include <windows.h>

LRESULT CALLBACK YvMessageHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK YvKeyboardHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK YvKeyboardLLHook(int code, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK YvCbtHook(int code, WPARAM wParam, LPARAM lParam);
