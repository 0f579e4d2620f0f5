#include "CategoryPage.h"

#include <commdlg.h>
#include <shlobj.h>
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "AdvancedOptionsDlg.h"
#include "EditImage.h"
#include "Engine.h"
#include "Picture.h"
#include "Screen.h"
#include "resource.h"

namespace {

// The Windows 95 size of OPENFILENAMEA (up to lpTemplateName).
const DWORD OPENFILENAME_95_SIZE = 76;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == OPENFILENAME_95_SIZE,
              "the Windows 95 OPENFILENAMEA");

const DWORD ADD_DIALOG_FLAGS = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
static_assert(ADD_DIALOG_FLAGS == 0x180C, "the Add dialog's flags");

const unsigned int DIALOG_BUFFER_SIZE = 1024;

// The open-file dialog of Add, shared by every category page for the whole
// run: file name, folder and filter stay as the last Add left them.
struct AddDialogState {
    OPENFILENAMEA Record;
    char FileName[DIALOG_BUFFER_SIZE];
    char FileTitle[DIALOG_BUFFER_SIZE];
    char CustomFilter[DIALOG_BUFFER_SIZE];
    char InitialDirectory[DIALOG_BUFFER_SIZE];
    bool Filled;
};
AddDialogState OpenFileDialogState;

OPENFILENAMEA& PrepareAddDialog(HWND owner) {
    AddDialogState& state = OpenFileDialogState;
    if (!state.Filled) {
        std::memset(&state, 0, sizeof state);
        OPENFILENAMEA& ofn = state.Record;
        ofn.lStructSize = OPENFILENAME_95_SIZE;
        ofn.lpstrFilter = "Logo files\0*.sys;*.bmp\0All files\0*.*\0Pictures\0*.bmp;*.jpg;*.jpeg;*.png;*.gif\0";
        ofn.lpstrCustomFilter = state.CustomFilter;
        ofn.nMaxCustFilter = DIALOG_BUFFER_SIZE;
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = state.FileName;
        ofn.nMaxFile = DIALOG_BUFFER_SIZE;
        ofn.lpstrFileTitle = state.FileTitle;
        ofn.nMaxFileTitle = DIALOG_BUFFER_SIZE;
        ofn.lpstrInitialDir = state.InitialDirectory;
        ofn.lpstrTitle = "Select file to add to list";
        ofn.lpstrDefExt = NULL;
        ofn.Flags = ADD_DIALOG_FLAGS;
        state.Filled = true;
    }
    OPENFILENAMEA& ofn = state.Record;
    ofn.hwndOwner = owner;
    // The custom filter buffer is handed to the dialog only while it holds a
    // named filter: an empty one would show as an empty (or, in some
    // versions, broken) first entry of "Files of type". Its contents are
    // never cleared.
    const char* nameEnd = static_cast<const char*>(std::memchr(state.CustomFilter, '\0', DIALOG_BUFFER_SIZE));
    const size_t nameLength = nameEnd ? static_cast<size_t>(nameEnd - state.CustomFilter) : DIALOG_BUFFER_SIZE;
    const bool named = nameLength > 0 && nameLength + 1 < DIALOG_BUFFER_SIZE &&
                       state.CustomFilter[nameLength + 1] != '\0';
    ofn.lpstrCustomFilter = named ? state.CustomFilter : NULL;
    return ofn;
}

bool IsOriginalText(const char* text) {
    return std::strcmp(text, ORIGINAL_ENTRY) == 0;
}

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorA(NULL, (LPCSTR)IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};

// A vector about to receive `count` entries: room for all of them at once,
// so that filling it copies nothing.
unsigned int CapacityFor(unsigned long long count) {
    return static_cast<unsigned int>(std::max<unsigned long long>(count, 1));
}

}  // namespace

// ---------------------------------------------------------------------------

CCategoryPage::CCategoryPage(UINT nIDTemplate)
    : CPropertyPage(nIDTemplate), m_selection(0), m_period(1), m_unit(0), m_order(0), m_cycleEnabled(1),
      m_unshownSelection(-1), m_loadedChanges(0), m_boxHoldsFiles(false) {}

CCategoryPage::~CCategoryPage() {}

void CCategoryPage::SetFileList(const TValVector<TCharString>& list, const TCharString& current) {
    if (&list != &m_files)
        m_files = list;
    m_currentFile = current;
    m_selection = 0;
    const unsigned int count = m_files.GetCount();
    for (unsigned int i = 0; i < count; ++i) {
        if (*m_files.At(i) == m_currentFile) {
            m_selection = static_cast<LONG>(i);
            break;
        }
    }
    m_unshownEntries.RemoveAll();
    m_unshownSelection = -1;
    m_boxHoldsFiles = false;
}

void CCategoryPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ADD, m_addButton);
    DDX_Control(pDX, IDC_REMOVE, m_removeButton);
    DDX_Control(pDX, IDC_CLEAR, m_clearButton);
    DDX_Control(pDX, IDC_ADVANCED, m_advancedButton);
    if (!pDX->m_bSaveAndValidate && m_list.GetSafeHwnd() == NULL)
        DDX_Control(pDX, IDC_FILES, m_list);
    DDX_Control(pDX, IDC_PERIOD, m_periodEdit);
    DDX_Control(pDX, IDC_UNIT, m_unitCombo);
    DDX_Control(pDX, IDC_PREVIEW, m_preview);

    if (!pDX->m_bSaveAndValidate) {
        LoadList();

        m_unitCombo.ResetContent();
        const int rows = HasTimeUnits() ? FREQUENCY_UNIT_COUNT : LOGO_UNIT_COUNT;
        int selectRow = 0;
        for (int code = 0; code < rows; ++code) {
            int row = m_unitCombo.AddString(FREQUENCY_UNIT_NAMES[code]);
            if (row < 0)
                continue;
            m_unitCombo.SetItemData(row, static_cast<DWORD_PTR>(code));
            if (code == m_unit)
                selectRow = row;
        }
        m_unitCombo.SetCurSel(selectRow);

        char period[16];
        wsprintfA(period, "%d", static_cast<int>(m_period));
        m_periodEdit.SetWindowText(period);
        return;
    }

    SaveList();

    const int unitRow = m_unitCombo.GetCurSel();
    if (unitRow != CB_ERR)
        m_unit = static_cast<LONG>(m_unitCombo.GetItemData(unitRow));

    // A leading decimal number; anything else counts as 0. The edit takes
    // digits only, but pasted text can hold anything.
    TCharString period;
    m_periodEdit.GetWindowText(period);
    m_period = static_cast<LONG>(std::strtol(period.GetText(), NULL, 10));
}

void CCategoryPage::LoadList() {
    const unsigned int count = m_files.GetCount();
    const unsigned int wanted = std::min(count, MAX_SHOWN_ENTRIES);
    unsigned long long textBytes = 0;
    for (unsigned int i = 0; i < wanted; ++i)
        textBytes += m_files.At(i)->GetLength() + 1;

    // One allocation for all entries, and no repainting while they arrive.
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    m_list.ResetContent();
    m_list.SendMessage(LB_INITSTORAGE, wanted, static_cast<LPARAM>(std::min<unsigned long long>(textBytes, 0x7FFFFFFF)));
    unsigned int shown = 0;
    while (shown < wanted && m_list.AddString(m_files.At(shown)->GetText()) >= 0)
        ++shown;
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate();

    // What the box does not hold stays in order after it.
    TValVector<TCharString> unshown(CapacityFor(count - shown));
    for (unsigned int i = shown; i < count; ++i)
        unshown.InsertLast(*m_files.At(i));
    m_unshownEntries = unshown;
    m_loadedChanges = m_list.GetChangeCount();
    m_boxHoldsFiles = true;

    m_unshownSelection = -1;
    if (m_selection >= 0 && static_cast<unsigned long>(m_selection) < shown) {
        m_list.SetCurSel(m_selection);
    } else {
        m_list.SetCurSel(-1);
        if (m_selection >= 0 && static_cast<unsigned long>(m_selection) < count)
            m_unshownSelection = m_selection - static_cast<LONG>(shown);
    }
}

void CCategoryPage::SaveList() {
    // Without the list box nothing was loaded, so there is nothing to take.
    if (m_list.GetSafeHwnd() == NULL)
        return;
    int shown = m_list.GetCount();
    if (shown < 0)
        shown = 0;
    const unsigned int unshown = m_unshownEntries.GetCount();
    // A box nobody has changed since LoadList holds the list's first entries
    // as they are: reading them back (two messages an entry) would give the
    // same list.
    const bool unchanged = m_boxHoldsFiles && m_list.GetChangeCount() == m_loadedChanges &&
                           static_cast<unsigned long long>(shown) + unshown == m_files.GetCount();
    if (!unchanged) {
        TValVector<TCharString> files(CapacityFor(static_cast<unsigned long long>(shown) + unshown));
        for (int i = 0; i < shown; ++i)
            files.InsertLast(EntryText(i));
        for (unsigned int i = 0; i < unshown; ++i)
            files.InsertLast(*m_unshownEntries.At(i));
        m_files = files;
        m_loadedChanges = m_list.GetChangeCount();
        m_boxHoldsFiles = true;
    }

    const int selected = m_list.GetCurSel();
    if (selected >= 0 && selected < shown) {
        m_selection = selected;
        m_unshownSelection = -1;
    } else if (m_unshownSelection >= 0 && static_cast<unsigned long>(m_unshownSelection) < unshown) {
        m_selection = shown + m_unshownSelection;
    } else {
        m_selection = -1;
    }
    if (m_selection >= 0 && static_cast<unsigned long>(m_selection) < m_files.GetCount())
        m_currentFile = *m_files.At(static_cast<unsigned int>(m_selection));
    else
        m_currentFile = "";
}

TCharString CCategoryPage::EntryText(int index) const {
    TCharString text;
    m_list.GetText(index, text);
    return text;
}

bool CCategoryPage::IsOriginalEntry(int index) const {
    return IsOriginalText(EntryText(index).GetText());
}

BOOL CCategoryPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    ::DragAcceptFiles(m_hWnd, TRUE);
    UpdateButtons();
    UpdatePreview();
    UpdatePeriodEdit();
    return TRUE;
}

BOOL CCategoryPage::OnSetActive() {
    return TRUE;
}

BOOL CCategoryPage::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
    case IDC_ADD:
        if (code != BN_CLICKED)
            break;
        OnAdd();
        return TRUE;
    case IDC_REMOVE:
        if (code != BN_CLICKED)
            break;
        OnRemove();
        return TRUE;
    case IDC_CLEAR:
        if (code != BN_CLICKED)
            break;
        OnClear();
        return TRUE;
    case IDC_ADVANCED:
        if (code != BN_CLICKED)
            break;
        RunAdvancedOptions();
        return TRUE;
    case IDC_PREVIEW:
        if (code != BN_CLICKED)
            break;
        EditImage(m_preview.GetCurrentPath());
        return TRUE;
    case IDC_FILES:
        if (code != LBN_SELCHANGE)
            break;
        UpdatePreview();
        UpdateButtons();
        return TRUE;
    case IDC_UNIT:
        if (code != CBN_SELCHANGE)
            break;
        UpdatePeriodEdit();
        return TRUE;
    }
    return CPropertyPage::OnCommand(wParam, lParam);
}

LRESULT CCategoryPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The list box sends it with both parameters 0; the same number with an
    // identifier is the dialog manager's DM_SETDEFID and goes on.
    if (message == WM_LISTCLICKED && wParam == 0 && lParam == 0) {
        UpdatePreview();
        UpdateButtons();
        return 0;
    }
    if (message == WM_DROPFILES) {
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    TScreenKind kind = TScreenKind::Startup;
    if (message == WM_CONTEXTMENU && m_list.GetSafeHwnd() != NULL &&
        reinterpret_cast<HWND>(wParam) == m_list.GetSafeHwnd() && GetScreenKind(kind)) {
        OnListContextMenu(lParam);
        return 0;
    }
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void CCategoryPage::OnAdd() {
    OPENFILENAMEA& ofn = PrepareAddDialog(m_hWnd);
    if (!AfxGetOpenFileName(&ofn))
        return;
    // The dialog may have been up for long; the page may be gone meanwhile.
    if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;
    const TCharString path = EntryForAddedFile(ofn.lpstrFile);
    if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;

    const int count = m_list.GetCount();
    int index = m_list.GetCurSel();
    if (index == LB_ERR) {
        // Appended, but a last "[Original] (not cycled)" stays last.
        index = count > 0 && IsOriginalEntry(count - 1) ? count - 1 : -1;
    }
    const int inserted = m_list.InsertString(index, path.GetText());
    if (inserted >= 0)
        m_list.SetCurSel(inserted);
    UpdateButtons();
    UpdatePreview();
}

void CCategoryPage::OnRemove() {
    const int selected = m_list.GetCurSel();
    if (selected == LB_ERR)
        return;
    m_list.DeleteString(selected);
    const int count = m_list.GetCount();
    if (count > 0)
        m_list.SetCurSel(selected < count ? selected : count - 1);
    UpdateButtons();
    UpdatePreview();
}

void CCategoryPage::OnClear() {
    bool hadOriginal = false;
    const int count = m_list.GetCount();
    for (int i = 0; i < count && !hadOriginal; ++i)
        hadOriginal = IsOriginalEntry(i);
    for (unsigned int i = 0; i < m_unshownEntries.GetCount() && !hadOriginal; ++i)
        hadOriginal = IsOriginalText(m_unshownEntries.At(i)->GetText());

    m_list.ResetContent();
    m_unshownEntries.RemoveAll();
    m_unshownSelection = -1;
    if (hadOriginal)
        m_list.AddString(ORIGINAL_ENTRY);
    UpdateButtons();
    UpdatePreview();
}

void CCategoryPage::UpdateButtons() {
    if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;
    const int count = m_list.GetCount();
    const int selected = m_list.GetCurSel();
    if (count <= 0) {
        EnableRemove(false);
        EnableClear(false);
    } else if (selected == LB_ERR) {
        EnableRemove(false);
        EnableClear(true);
    } else {
        EnableRemove(!IsOriginalEntry(selected));
        EnableClear(true);
    }
}

namespace {
// Disabling a button that has the keyboard focus would leave the focus
// nowhere; it goes to the Add button first.
void EnableButton(CWnd& page, CButton& button, CButton& addButton, bool enable) {
    if (page.GetSafeHwnd() == NULL || button.GetSafeHwnd() == NULL)
        return;
    if (!enable && ::GetFocus() == button.GetSafeHwnd() && addButton.GetSafeHwnd() != NULL)
        page.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(addButton.GetSafeHwnd()), TRUE);
    button.EnableWindow(enable ? TRUE : FALSE);
}
}  // namespace

void CCategoryPage::EnableRemove(bool enable) {
    EnableButton(*this, m_removeButton, m_addButton, enable);
}

void CCategoryPage::EnableClear(bool enable) {
    EnableButton(*this, m_clearButton, m_addButton, enable);
}

void CCategoryPage::UpdatePreview() {
    if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL || m_preview.GetSafeHwnd() == NULL)
        return;
    const int selected = m_list.GetCurSel();
    try {
        if (selected == LB_ERR) {
            m_preview.SetImageFile(NULL);
        } else {
            TCharString text = EntryText(selected);
            WaitCursor wait;
            m_preview.SetImageFile(&text);
        }
    } catch (...) {
        // A picture the preview ran out of memory for is one it cannot show:
        // "N/A", as for any other file it cannot read. Selecting it again
        // tries anew.
        try {
            m_preview.SetImageFile(NULL);
        } catch (...) {
        }
    }
}

void CCategoryPage::UpdatePeriodEdit() {
    if (m_hWnd == NULL || m_unitCombo.GetSafeHwnd() == NULL || m_periodEdit.GetSafeHwnd() == NULL)
        return;
    const int row = m_unitCombo.GetCurSel();
    if (row == CB_ERR)
        return;
    const bool boot = m_unitCombo.GetItemData(row) == static_cast<DWORD_PTR>(FrequencyUnit::Boot);
    m_periodEdit.EnableWindow(boot ? FALSE : TRUE);
}

void CCategoryPage::RunAdvancedOptions() {
    CAdvancedOptionsDlg dialog(this);
    dialog.m_order = m_order;
    dialog.m_cycleEnabled = m_cycleEnabled;
    if (dialog.DoModal() == IDOK) {
        m_order = dialog.m_order;
        m_cycleEnabled = dialog.m_cycleEnabled;
    }
}

void CCategoryPage::EditImage(const TCharString& path) {
    ::EditImage(m_hWnd, path);
}

bool CCategoryPage::HasTimeUnits() const {
    return false;
}

// ---------------------------------------------------------------------------
// Screens made from pictures, and files dropped from the shell.

namespace {

const char MAKE_SCREEN_CAPTION[] = "Imagewheel -- Make screen?";
const char SCREEN_FAILED_CAPTION[] = "Imagewheel";
const UINT ID_MAKE_SCREEN = 1;

// Beside the program: "<program's folder>\Screens".
TCharString ScreensFolder() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = ::GetModuleFileNameA(NULL, path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = '\0';
    char* name = std::strrchr(path, '\\');
    if (name != NULL)
        name[1] = '\0';
    else
        path[0] = '\0';
    return TCharString(path) + "Screens";
}

const char* ScreenName(TScreenKind kind) {
    return kind == TScreenKind::Startup ? "start-up screen" : "shut-down screen";
}

// True when Windows would not show `path` as a screen but the program can
// decode it (judged from its header); `info` describes the picture.
bool CanBecomeScreen(const char* path, TPictureInfo& info) {
    if (IsOriginalText(path) || ReadPictureInfo(path, info) != PictureOk)
        return false;
    // Only a bitmap of the right size can be a screen already.
    return info.Format != TPictureFormat::Bitmap || info.Width != ScreenWidth || info.Height != ScreenHeight ||
           CheckScreen(path) != ScreenValid;
}

// "a JPEG picture, 1024 x 768, 16.7 million colours"
TCharString DescribePicture(const TPictureInfo& info) {
    const char* format = "a picture";
    switch (info.Format) {
    case TPictureFormat::Bitmap: format = "a bitmap"; break;
    case TPictureFormat::Jpeg: format = "a JPEG picture"; break;
    case TPictureFormat::Png: format = "a PNG picture"; break;
    case TPictureFormat::Gif: format = "a GIF picture"; break;
    case TPictureFormat::Unknown: break;
    }
    char colours[40];
    if (info.PaletteSize != 0)
        wsprintfA(colours, "%lu colours", static_cast<unsigned long>(info.PaletteSize));
    else if (info.BitsPerPixel <= 8)
        wsprintfA(colours, "%lu colours", 1ul << info.BitsPerPixel);
    else if (info.BitsPerPixel <= 16)
        lstrcpyA(colours, "65,536 colours");
    else
        lstrcpyA(colours, "16.7 million colours");
    char text[160];
    wsprintfA(text, "%s, %lu x %lu, %s", format, static_cast<unsigned long>(info.Width),
              static_cast<unsigned long>(info.Height), colours);
    return TCharString(text);
}

TCharString WindowsNeeds(TScreenKind kind) {
    return TCharString("Windows shows a ") + ScreenName(kind) +
           " only from a bitmap of 320 x 400 pixels with 256 colours; with any other file it shows its own "
           "screen instead.";
}

bool HasPictureExtension(const char* name, bool logoPage) {
    const char* dot = std::strrchr(name, '.');
    if (dot == NULL)
        return false;
    for (const char* extension : {".bmp", ".jpg", ".jpeg", ".png", ".gif", ".sys"}) {
        if (lstrcmpiA(dot, extension) == 0)
            return logoPage || lstrcmpiA(extension, ".sys") != 0;
    }
    return false;
}

// The pictures directly inside `folder`, sorted by name.
void AddFolderPictures(const TCharString& folder, bool logoPage, TValVector<TCharString>& entries) {
    const TCharString base = folder.GetLength() > 0 && folder.GetText()[folder.GetLength() - 1] == '\\'
                                 ? folder
                                 : folder + "\\";
    std::vector<TCharString> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((base + "*").GetText(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasPictureExtension(found.cFileName, logoPage))
            names.push_back(TCharString(found.cFileName));
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end(),
              [](const TCharString& a, const TCharString& b) { return lstrcmpiA(a.GetText(), b.GetText()) < 0; });
    for (const TCharString& name : names)
        entries.InsertLast(base + name.GetText());
}

// The names a drop carries, in order. DragQueryFileA looks for name i from
// the first one on, so asking it for each in turn takes time growing with
// the square of their number: the block is read directly when it can be
// (ANSI or wide names, as the DROPFILES header says), within its size, and
// DragQueryFileA answers only when it cannot.
void DroppedNames(HDROP drop, std::vector<TCharString>& names) {
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    names.reserve(count);
    const SIZE_T size = ::GlobalSize(drop);
    const DROPFILES* block = static_cast<const DROPFILES*>(::GlobalLock(drop));
    if (block != NULL && size >= sizeof(DROPFILES) && block->pFiles >= sizeof(DROPFILES) && block->pFiles < size) {
        const char* at = reinterpret_cast<const char*>(block) + block->pFiles;
        const char* end = reinterpret_cast<const char*>(block) + size;
        if (!block->fWide) {
            while (names.size() < count && at < end && *at != '\0') {
                const char* stop = static_cast<const char*>(std::memchr(at, '\0', end - at));
                if (stop == NULL)
                    break;
                names.push_back(TCharString(at, 0, static_cast<unsigned int>(stop - at)));
                at = stop + 1;
            }
        } else {
            std::vector<char> name;
            while (names.size() < count && end - at >= 2 && (at[0] | at[1]) != 0) {
                const WCHAR* wide = reinterpret_cast<const WCHAR*>(at);
                const size_t available = static_cast<size_t>(end - at) / 2;
                size_t length = 0;
                while (length < available && wide[length] != 0)
                    ++length;
                if (length == available)   // no end within the block
                    break;
                const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), NULL, 0, NULL, NULL);
                name.assign(static_cast<size_t>(bytes > 0 ? bytes : 0) + 1, '\0');
                if (bytes > 0)
                    ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), name.data(), bytes, NULL, NULL);
                names.push_back(TCharString(name.data()));
                at += 2 * length + 2;
            }
        }
    }
    if (block != NULL)
        ::GlobalUnlock(drop);
    if (names.size() == count)
        return;
    names.clear();
    std::vector<char> name(MAX_PATH + 1);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileA(drop, i, NULL, 0);
        if (length == 0)
            continue;
        if (name.size() < length + 1)
            name.resize(length + 1);
        if (::DragQueryFileA(drop, i, name.data(), length + 1) != 0)
            names.push_back(TCharString(name.data()));
    }
}

}  // namespace

bool CCategoryPage::GetScreenKind(TScreenKind& kind) const {
    switch (reinterpret_cast<UINT_PTR>(m_lpszTemplateName)) {
    case IDD_SIGNON:
        kind = TScreenKind::Startup;
        return true;
    case IDD_SHUTDOWN:
    case IDD_SIGNOFF:
        kind = TScreenKind::Shutdown;
        return true;
    }
    return false;
}

bool CCategoryPage::MakeScreenFrom(const char* path, TCharString& made) {
    TScreenKind kind = TScreenKind::Startup;
    if (!GetScreenKind(kind))
        return false;
    TScreenMakeResult result;
    {
        WaitCursor wait;
        result = MakeScreenFile(path, kind, ScreensFolder().GetText());
    }
    if (result.Status == ScreenMade) {
        made = result.Path;
        return true;
    }
    const TCharString text = TCharString("The ") + ScreenName(kind) + " could not be made from " + path + ": " +
                             DescribeScreenMakeFailure(result).GetText() + ".\n\nThe picture is in the list as it is.";
    ShowMessageBox(m_hWnd, text.GetText(), SCREEN_FAILED_CAPTION, MB_OK | MB_ICONWARNING);
    return false;
}

TCharString CCategoryPage::EntryForAddedFile(const char* path) {
    TScreenKind kind = TScreenKind::Startup;
    TPictureInfo info;
    if (!GetScreenKind(kind) || !CanBecomeScreen(path, info))
        return TCharString(path);
    const TCharString text = TCharString(path) + " is " + DescribePicture(info).GetText() + ".\n\n" +
                             WindowsNeeds(kind).GetText() + "\n\nMake a " + ScreenName(kind) +
                             " from this picture? It is saved in the folder Screens beside Imagewheel; your picture "
                             "stays as it is. No adds the file unchanged.";
    if (ShowMessageBox(m_hWnd, text.GetText(), MAKE_SCREEN_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return TCharString(path);
    TCharString made;
    return m_hWnd != NULL && MakeScreenFrom(path, made) ? made : TCharString(path);
}

BOOL CCategoryPage::PreTranslateMessage(MSG* pMsg) {
    // The context-menu key and Shift+F10 on the list; both the press and the
    // release go no further, so nothing else makes a second menu of them.
    TScreenKind kind = TScreenKind::Startup;
    if (m_list.GetSafeHwnd() != NULL && pMsg->hwnd == m_list.GetSafeHwnd() && GetScreenKind(kind)) {
        const bool down = pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN;
        const bool up = pMsg->message == WM_KEYUP || pMsg->message == WM_SYSKEYUP;
        const bool apps = pMsg->wParam == VK_APPS;
        const bool shiftF10 = pMsg->wParam == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000);
        if ((down || up) && (apps || shiftF10)) {
            if (down)
                OnListContextMenu(-1);
            return TRUE;
        }
    }
    return CPropertyPage::PreTranslateMessage(pMsg);
}

void CCategoryPage::OnListContextMenu(LPARAM lParam) {
    TScreenKind kind = TScreenKind::Startup;
    if (!GetScreenKind(kind) || m_list.GetSafeHwnd() == NULL)
        return;
    POINT at;
    int index;
    if (lParam == -1) {
        index = m_list.GetCurSel();
        if (index == LB_ERR)
            return;
        RECT item;
        m_list.GetItemRect(index, &item);
        RECT client;
        m_list.GetClientRect(&client);
        at.x = item.left + 8;
        at.y = std::max(client.top, std::min(item.bottom, client.bottom));
        ::ClientToScreen(m_list.GetSafeHwnd(), &at);
    } else {
        // As Explorer does, the entry under the pointer is selected first.
        at.x = static_cast<short>(LOWORD(lParam));
        at.y = static_cast<short>(HIWORD(lParam));
        POINT client = at;
        ::ScreenToClient(m_list.GetSafeHwnd(), &client);
        const DWORD hit = static_cast<DWORD>(m_list.SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y)));
        if (HIWORD(hit) != 0)
            return;
        index = LOWORD(hit);
        if (m_list.GetCurSel() != index) {
            m_list.SetCurSel(index);
            UpdatePreview();
            UpdateButtons();
        }
    }
    const TCharString entry = EntryText(index);
    TPictureInfo info;
    if (!CanBecomeScreen(entry.GetText(), info))
        return;
    CMenu menu;
    if (!menu.CreatePopupMenu())
        return;
    menu.AppendMenu(MF_STRING, ID_MAKE_SCREEN,
                    kind == TScreenKind::Startup ? "Make start-up screen" : "Make shut-down screen");
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                         at.y, 0, m_hWnd, NULL));
    if (chosen != ID_MAKE_SCREEN || m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;
    TCharString made;
    if (!MakeScreenFrom(entry.GetText(), made) || m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;
    // The entry may have moved while the screen was made; it is replaced
    // where it is now.
    if (index >= m_list.GetCount() || !(EntryText(index) == entry))
        return;
    m_list.DeleteString(index);
    m_list.InsertString(index, made.GetText());
    m_list.SetCurSel(index);
    UpdateButtons();
    UpdatePreview();
}

int CCategoryPage::InsertEntries(int index, const TValVector<TCharString>& entries) {
    const int count = m_list.GetCount();
    if (index < 0 || index > count)
        index = count > 0 && IsOriginalEntry(count - 1) ? count - 1 : count;
    int inserted = 0;
    m_list.SendMessage(WM_SETREDRAW, FALSE);
    TValVector<TCharString>& items = const_cast<TValVector<TCharString>&>(entries);
    for (unsigned int i = 0; i < items.GetCount(); ++i) {
        if (m_list.InsertString(index + inserted, items.At(i)->GetText()) < 0)
            break;
        ++inserted;
    }
    m_list.SendMessage(WM_SETREDRAW, TRUE);
    m_list.Invalidate();
    if (inserted > 0) {
        m_list.SetCurSel(index);
        UpdateButtons();
        UpdatePreview();
    }
    return inserted;
}

void CCategoryPage::OnDropFiles(HDROP drop) {
    if (m_list.GetSafeHwnd() == NULL) {
        ::DragFinish(drop);
        return;
    }
    TScreenKind kind = TScreenKind::Startup;
    const bool logoPage = GetScreenKind(kind);
    WaitCursor wait;

    // Where: before the entry under the drop point, else at the end.
    POINT point;
    int index = -1;
    if (::DragQueryPoint(drop, &point)) {
        ::MapWindowPoints(m_hWnd, m_list.GetSafeHwnd(), &point, 1);
        RECT client;
        m_list.GetClientRect(&client);
        if (::PtInRect(&client, point)) {
            const DWORD hit = static_cast<DWORD>(m_list.SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y)));
            if (HIWORD(hit) == 0)
                index = LOWORD(hit);
        }
    }

    // What: the files in the shell's order, a folder's pictures in its place.
    std::vector<TCharString> names;
    DroppedNames(drop, names);
    TValVector<TCharString> entries(CapacityFor(names.size()));
    for (const TCharString& name : names) {
        const DWORD attributes = ::GetFileAttributesA(name.GetText());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            AddFolderPictures(name, logoPage, entries);
        else
            entries.InsertLast(name);
    }
    ::DragFinish(drop);
    if (entries.GetCount() == 0)
        return;

    // On a logo page, one question for all the pictures that are no screens.
    if (logoPage) {
        std::vector<unsigned int> candidates;
        for (unsigned int i = 0; i < entries.GetCount(); ++i) {
            TPictureInfo info;
            if (CanBecomeScreen(entries.At(i)->GetText(), info))
                candidates.push_back(i);
        }
        if (!candidates.empty()) {
            char question[200];
            const unsigned long all = entries.GetCount(), some = static_cast<unsigned long>(candidates.size());
            if (all == 1)
                wsprintfA(question, "Make a %s from the picture?", ScreenName(kind));
            else if (some == 1)
                wsprintfA(question, "Make a %s from 1 of the %lu pictures?", ScreenName(kind), all);
            else
                wsprintfA(question, "Make %ss from %lu of the %lu pictures?", ScreenName(kind), some, all);
            const TCharString text = WindowsNeeds(kind) + "\n\n" + question +
                                     " Screens are saved in the folder Screens beside Imagewheel; your pictures stay as "
                                     "they are. No adds the files unchanged.";
            if (ShowMessageBox(m_hWnd, text.GetText(), MAKE_SCREEN_CAPTION, MB_YESNO | MB_ICONQUESTION) == IDYES) {
                WaitCursor making;   // the box showed its own cursor
                unsigned int failed = 0;
                TCharString firstFailure;
                for (unsigned int i : candidates) {
                    const char* path = entries.At(i)->GetText();
                    TScreenMakeResult result = MakeScreenFile(path, kind, ScreensFolder().GetText());
                    if (result.Status == ScreenMade) {
                        *entries.At(i) = result.Path;
                    } else if (failed++ == 0) {
                        firstFailure = TCharString(path) + ": " + DescribeScreenMakeFailure(result).GetText();
                    }
                }
                if (failed != 0) {
                    char count[80];
                    wsprintfA(count, "%lu of the %lu screens could not be made", static_cast<unsigned long>(failed),
                              static_cast<unsigned long>(candidates.size()));
                    const TCharString report = TCharString(count) + " (" + firstFailure.GetText() +
                                               ").\n\nThose pictures are in the list as they are.";
                    ShowMessageBox(m_hWnd, report.GetText(), SCREEN_FAILED_CAPTION, MB_OK | MB_ICONWARNING);
                }
            }
            if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
                return;
        }
    }

    const int inserted = InsertEntries(index, entries);
    if (static_cast<unsigned int>(inserted) < entries.GetCount()) {
        char text[160];
        wsprintfA(text, "The list is full: %lu of the %lu files were not added.",
                  static_cast<unsigned long>(entries.GetCount() - inserted),
                  static_cast<unsigned long>(entries.GetCount()));
        ShowMessageBox(m_hWnd, text, SCREEN_FAILED_CAPTION, MB_OK | MB_ICONWARNING);
    }
}

// ---------------------------------------------------------------------------

CWallpaperPage::CWallpaperPage()
    : CCategoryPage(IDD_WALLPAPER), m_wallpaperOrder(0), m_wallpaperEnabled(1), m_displayStyle(0),
      m_advancedDlg(new CWallpaperOptionsDlg(this)), m_advancedAccepted(0) {}

CWallpaperPage::~CWallpaperPage() {
    delete m_advancedDlg;
}

void CWallpaperPage::RunAdvancedOptions() {
    if (m_advancedDlg->DoModal() == IDOK)
        m_advancedAccepted = 1;
}

bool CWallpaperPage::HasTimeUnits() const {
    return true;
}

void CWallpaperPage::DoDataExchange(CDataExchange* pDX) {
    CCategoryPage::DoDataExchange(pDX);
    if (pDX->m_bSaveAndValidate && m_advancedAccepted) {
        m_wallpaperOrder = m_advancedDlg->m_order;
        m_wallpaperEnabled = m_advancedDlg->m_cycleEnabled;
        m_displayStyle = m_advancedDlg->m_displayStyle;
        m_advancedAccepted = 0;
    }
}

int CWallpaperPage::OnCreate(LPCREATESTRUCT lpCreateStruct) {
    const int result = CCategoryPage::OnCreate(lpCreateStruct);
    if (result == -1)
        return -1;
    m_advancedDlg->m_order = m_wallpaperOrder;
    m_advancedDlg->m_cycleEnabled = m_wallpaperEnabled;
    m_advancedDlg->m_displayStyle = m_displayStyle;
    m_advancedAccepted = 0;
    return result;
}
