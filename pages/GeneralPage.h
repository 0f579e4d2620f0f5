// The General page of the configuration sheet: the boot drive, whose root
// holds the start-up screen file, and the About box.
#pragma once
#include "Framework.h"
#include "CharString.h"

class CGeneralPage : public CPropertyPage {
public:
    CGeneralPage();

protected:
    // Takes the boot drive letter from the combo box's selection; never
    // writes the combo box (OnInitDialog fills and selects it).
    void DoDataExchange(CDataExchange* pDX) override;
    // Lists the drives that can be made current, as "C:" and so on, and
    // selects m_bootDrive (exact match), else the first drive.
    BOOL OnInitDialog() override;

private:
    CComboBox m_bootDriveCombo;

public:
    // One letter such as "C"; written before the sheet is shown, read after OK.
    TCharString m_bootDrive;
};
