#include "GeneralPage.h"

#include "resource.h"

CGeneralPage::CGeneralPage() : CPropertyPage(IDD_GENERAL) {}

void CGeneralPage::DoDataExchange(CDataExchange* pDX) {
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BOOTDRIVE, m_bootDriveCombo);
    int selection = m_bootDriveCombo.GetCurSel();
    if (selection == CB_ERR)
        return;
    char entry[16];   // the entries are drive names such as "C:"
    if (m_bootDriveCombo.GetLBTextLen(selection) >= static_cast<int>(sizeof entry) ||
        m_bootDriveCombo.GetLBText(selection, entry) == CB_ERR || entry[0] == '\0')
        return;
    char letter[2] = {entry[0], '\0'};
    m_bootDrive = letter;
}

BOOL CGeneralPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    HCURSOR previousCursor = SetCursor(LoadCursor(NULL, IDC_WAIT));

    // Drives are probed by making each one current, so the current directory
    // (which also names the current drive) is put back afterwards: the list
    // files are relative to it. A directory that cannot be remembered is not
    // left at all.
    char savedDirectory[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof savedDirectory, savedDirectory);
    if (length > 0 && length < sizeof savedDirectory) {
        // A drive without a medium must simply fail, not ask the user to insert one.
        UINT previousErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
        int selectIndex = -1;
        int added = 0;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            const char drive[3] = {letter, ':', '\0'};
            if (!SetCurrentDirectoryA(drive))
                continue;
            // The string equality of the one-letter name, exact: a stored "c"
            // does not match drive C. Nothing in this loop may throw, or the
            // directory would not be put back.
            if (m_bootDrive.GetLength() == 1 && m_bootDrive.GetText()[0] == letter)
                selectIndex = added;
            m_bootDriveCombo.AddString(drive);
            ++added;
        }
        m_bootDriveCombo.SetCurSel(selectIndex >= 0 ? selectIndex : 0);
        SetCurrentDirectoryA(savedDirectory);
        SetErrorMode(previousErrorMode);
    }
    SetCursor(previousCursor);
    return TRUE;
}
