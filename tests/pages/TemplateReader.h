// Reads a dialog template of the test exe's resources (the DLGTEMPLATE form
// the resource compiler stores) into plain values, so that a test can compare
// it row by row with the designed layout.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace pagestest {

struct TemplateControl {
    int Id;
    std::string Class;   // "#128" button, "#130" static, ... or a class name
    std::string Text;    // "#n" for a resource number
    short X, Y, Width, Height;
    DWORD Style;
    DWORD ExStyle;
    WORD CreationDataSize;
};

struct DialogTemplate {
    bool Found = false;
    DWORD Style = 0, ExStyle = 0;
    short X = 0, Y = 0, Width = 0, Height = 0;
    std::string Menu, Class, Caption, Font;
    WORD PointSize = 0;
    std::vector<TemplateControl> Controls;
};

inline std::string ReadSzOrOrd(const WORD*& p) {
    if (*p == 0xFFFF) {
        std::string number = "#" + std::to_string(p[1]);
        p += 2;
        return number;
    }
    std::string text;
    while (*p)
        text += static_cast<char>(*p++);
    ++p;
    return text;
}

inline DialogTemplate ReadDialogTemplate(int id) {
    DialogTemplate result;
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));   // RT_DIALOG
    if (found == NULL)
        return result;
    const DLGTEMPLATE* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(NULL, found)));
    if (dialog == NULL)
        return result;
    result.Found = true;
    result.Style = dialog->style;
    result.ExStyle = dialog->dwExtendedStyle;
    result.X = dialog->x;
    result.Y = dialog->y;
    result.Width = dialog->cx;
    result.Height = dialog->cy;
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    result.Menu = ReadSzOrOrd(p);
    result.Class = ReadSzOrOrd(p);
    result.Caption = ReadSzOrOrd(p);
    if (dialog->style & DS_SETFONT) {
        result.PointSize = *p++;
        result.Font = ReadSzOrOrd(p);
    }
    for (int i = 0; i < dialog->cdit; ++i) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~static_cast<UINT_PTR>(3));
        const DLGITEMTEMPLATE* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        p = reinterpret_cast<const WORD*>(item + 1);
        TemplateControl control;
        control.Id = static_cast<short>(item->id);
        control.Style = item->style;
        control.ExStyle = item->dwExtendedStyle;
        control.X = item->x;
        control.Y = item->y;
        control.Width = item->cx;
        control.Height = item->cy;
        control.Class = ReadSzOrOrd(p);
        control.Text = ReadSzOrOrd(p);
        control.CreationDataSize = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + control.CreationDataSize);
        result.Controls.push_back(control);
    }
    return result;
}

}  // namespace pagestest
