// One door for every message box of the program.
//
// Tests install a sink to record the boxes (and choose the answer) without
// anything modal appearing; the program itself never sets one.
#pragma once
#include <windows.h>

typedef int (*MessageBoxSink)(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);

// MessageBoxA unless a sink is set; the sink's answer is returned as is.
int ShowMessageBox(HWND hOwner, LPCSTR lpszText, LPCSTR lpszCaption, UINT nType);
// Returns the previous sink; NULL restores MessageBoxA.
MessageBoxSink SetMessageBoxSink(MessageBoxSink sink);

// Owned by the main window (if any), captioned with the application's name.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK);
