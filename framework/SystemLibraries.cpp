#include "SystemLibraries.h"

namespace {

HMODULE CommonControls()
{
    static HMODULE module = NULL;
    if (module == NULL) {
        module = ::LoadLibraryA("comctl32.dll");
        if (module != NULL) {
            typedef void(WINAPI * InitFunction)();
            InitFunction init = (InitFunction)::GetProcAddress(module, "InitCommonControls");
            if (init != NULL)
                init();
        }
    }
    return module;
}

HMODULE CommonDialogs()
{
    static HMODULE module = NULL;
    if (module == NULL)
        module = ::LoadLibraryA("comdlg32.dll");
    return module;
}

// The address of `name` in `module`, converted to the function's type; null
// when the library or the function is missing.
template <class Function>
Function Lookup(HMODULE module, const char* name)
{
    return module != NULL ? (Function)(void*)::GetProcAddress(module, name) : NULL;
}

}  // namespace

HPROPSHEETPAGE AfxCreatePropertySheetPage(LPCPROPSHEETPAGEA page)
{
    typedef HPROPSHEETPAGE(WINAPI * Function)(LPCPROPSHEETPAGEA);
    static Function function = Lookup<Function>(CommonControls(), "CreatePropertySheetPageA");
    return function != NULL ? function(page) : NULL;
}

BOOL AfxDestroyPropertySheetPage(HPROPSHEETPAGE page)
{
    typedef BOOL(WINAPI * Function)(HPROPSHEETPAGE);
    static Function function = Lookup<Function>(CommonControls(), "DestroyPropertySheetPage");
    return function != NULL ? function(page) : FALSE;
}

INT_PTR AfxPropertySheet(LPCPROPSHEETHEADERA header)
{
    typedef INT_PTR(WINAPI * Function)(LPCPROPSHEETHEADERA);
    static Function function = Lookup<Function>(CommonControls(), "PropertySheetA");
    return function != NULL ? function(header) : -1;
}

BOOL AfxGetOpenFileName(LPOPENFILENAMEA ofn)
{
    typedef BOOL(WINAPI * Function)(LPOPENFILENAMEA);
    static Function function = Lookup<Function>(CommonDialogs(), "GetOpenFileNameA");
    return function != NULL ? function(ofn) : FALSE;
}
