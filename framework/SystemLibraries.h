// The common controls (COMCTL32.DLL) and common dialogs (COMDLG32.DLL),
// loaded when first needed rather than at start.
//
// A resident program that never shows its sheet needs neither, and loading
// them is not free: under Wine the two cost a resident process some 1.7 MB
// of private memory (COMDLG32 loads COMCTL32 too) and part of its start.
// The first call of a function below loads its library (COMCTL32 is then
// initialised with InitCommonControls) and keeps it for the rest of the run;
// a library that cannot be loaded makes the function fail as the system
// function itself fails (NULL, -1, FALSE).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

HPROPSHEETPAGE AfxCreatePropertySheetPage(LPCPROPSHEETPAGEA page);
BOOL AfxDestroyPropertySheetPage(HPROPSHEETPAGE page);
INT_PTR AfxPropertySheet(LPCPROPSHEETHEADERA header);
BOOL AfxGetOpenFileName(LPOPENFILENAMEA ofn);
