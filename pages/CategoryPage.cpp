#include "CategoryPage.h"

#include <commdlg.h>
#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include "AdvancedOptionsDlg.h"
#include "EditImage.h"
#include "Engine.h"
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
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void CCategoryPage::OnAdd() {
    OPENFILENAMEA& ofn = PrepareAddDialog(m_hWnd);
    if (!AfxGetOpenFileName(&ofn))
        return;
    // The dialog may have been up for long; the page may be gone meanwhile.
    if (m_hWnd == NULL || m_list.GetSafeHwnd() == NULL)
        return;
    const char* path = ofn.lpstrFile;

    const int count = m_list.GetCount();
    int index = m_list.GetCurSel();
    if (index == LB_ERR) {
        // Appended, but a last "[Original] (not cycled)" stays last.
        index = count > 0 && IsOriginalEntry(count - 1) ? count - 1 : -1;
    }
    const int inserted = m_list.InsertString(index, path);
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
