// The category pages of the configuration sheet: Signon, Shutdown and Signoff
// (CCategoryPage on templates 135, 136, 137) and Wallpaper (CWallpaperPage on
// template 144).
//
// A page edits a copy of its category: the sheet owner hands it the list, the
// current file and the values before the sheet is shown (SetFileList and the
// public value members) and reads them back after OK. The controls are loaded
// once, when the page window is created (OnInitDialog); every time the page
// stops being active, and on OK, the saving exchange takes the list, the
// selected entry (the current file), the unit and the period back into the
// members. A page never displayed in a showing keeps what it was given.
//
// Add runs the open-file dialog through one record shared by all pages for
// the whole run, so each Add starts where the last one ended, on any page.
// A last entry "[Original] (not cycled)" stays last: Add with nothing selected
// inserts before it, Clear keeps it, and it cannot be removed.
//
// Windows shows a start-up or shut-down screen only from a 320 x 400 bitmap
// with 256 colours (see Screen.h). On the logo pages, Add asks before adding
// a picture that is not such a screen whether to make one from it (into the
// folder Screens beside the program) and adds the screen made instead; a
// right-click on an entry (or the context-menu key, Shift+F10) offers the
// same for an entry already in the list, replacing it in place.
//
// Every page takes files dropped from the shell: before the entry under the
// drop point, or at the end (a last "[Original] (not cycled)" stays last). A
// dropped folder gives the pictures directly inside it, sorted by name. On the
// logo pages one question covers all the dropped pictures that are not
// screens.
//
// A list box of Windows 9x holds at most 32,767 entries. A longer list shows
// its first MAX_SHOWN_ENTRIES entries; the rest are kept as they are, after
// the shown ones, and go back with the list unchanged (Clear drops them too).
#pragma once
#include <cstdint>
#include "Framework.h"
#include <shellapi.h>
#include "CharString.h"
#include "ValVector.h"
#include "FilenameListbox.h"
#include "ImagePreview.h"

class CWallpaperOptionsDlg;
enum class TScreenKind : std::int32_t;

class CCategoryPage : public CPropertyPage {
public:
    // nIDTemplate: IDD_SIGNON, IDD_SHUTDOWN, IDD_SIGNOFF (or IDD_WALLPAPER
    // for the derived page).
    explicit CCategoryPage(UINT nIDTemplate);
    ~CCategoryPage() override;

    // The most entries the list box is given.
    static const unsigned int MAX_SHOWN_ENTRIES = 32767;

    // Takes a copy of the list (unless it is this page's own) and of the
    // current file; the selection becomes the first entry equal to `current`,
    // else 0.
    void SetFileList(const TValVector<TCharString>& list, const TCharString& current);
    // The page's own list and current file.
    TValVector<TCharString>& GetFileList() { return m_files; }
    TCharString& GetCurrentFile() { return m_currentFile; }

    // Enables Remove and Clear from the state of the list.
    virtual void UpdateButtons();
    // Enable or disable one button; a button losing the focus hands it to Add.
    virtual void EnableRemove(bool enable);
    virtual void EnableClear(bool enable);
    // Shows the selected entry in the preview (with the wait cursor).
    virtual void UpdatePreview();
    // The period edit is disabled while the unit is Boot.
    virtual void UpdatePeriodEdit();
    // The logo pages' "Advanced Options" dialog (template 138), built anew
    // on each run; OK takes its order and enable flag.
    virtual void RunAdvancedOptions();
    // Opens `path` in the bitmap editor registered for ".bmp" files.
    virtual void EditImage(const TCharString& path);
    // Whether the unit combo offers Hours, Minutes and Seconds.
    virtual bool HasTimeUnits() const;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Only TRUE: the controls are loaded once, when the window is created.
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void OnAdd();
    void OnRemove();
    void OnClear();
    // The context-menu key (Shift+F10) on the list opens its menu.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // lParam: the screen position of a right-click, or -1 for the keyboard
    // (the selected entry).
    void OnListContextMenu(LPARAM lParam);
    void OnDropFiles(HDROP drop);

    CButton m_addButton;
    CButton m_removeButton;
    CButton m_clearButton;
    CButton m_advancedButton;
    CImagePreview m_preview;
    CFilenameListbox m_list;
    CEdit m_periodEdit;
    CComboBox m_unitCombo;
    TValVector<TCharString> m_files;
    TCharString m_currentFile;

public:
    LONG m_selection;              // index of the selected entry; -1: none
    LONG m_period;                 // period count of the cycle frequency
    LONG m_unit;                   // FrequencyUnit code
    LONG m_order;                  // CycleOrder code (logo pages)
    std::int16_t m_cycleEnabled;   // cycling enabled (logo pages)

private:
    void LoadList();
    void SaveList();
    // The text of list box entry `index` (empty when there is none).
    TCharString EntryText(int index) const;
    bool IsOriginalEntry(int index) const;

    // The kind of screen the page's category shows; false on the Wallpaper page.
    bool GetScreenKind(TScreenKind& kind) const;
    // The list entry for a file Add chose: the file itself, or the screen
    // made from it when the user wants one.
    TCharString EntryForAddedFile(const char* path);
    // Makes a screen from `path` into the folder Screens; on failure tells
    // the user why and returns false.
    bool MakeScreenFrom(const char* path, TCharString& made);
    // Inserts `entries` before `index` (-1: at the end, before a last
    // "[Original] (not cycled)") and selects the first; returns how many the
    // list box took.
    int InsertEntries(int index, const TValVector<TCharString>& entries);

    // Entries of a list longer than the list box can hold, kept in order
    // after the shown ones; and the selection when it lies among them (-1:
    // it does not).
    TValVector<TCharString> m_unshownEntries;
    LONG m_unshownSelection;
    // Whether the list box still holds the list as LoadList gave it (its
    // change count then, and whether the list has been replaced since): the
    // saving exchange then takes nothing back from it but the selection.
    unsigned long m_loadedChanges;
    bool m_boxHoldsFiles;
};

class CWallpaperPage : public CCategoryPage {
public:
    CWallpaperPage();   // template 144
    ~CWallpaperPage() override;

    // Runs the page's own wallpaper options dialog; OK takes effect at the
    // next saving exchange (leaving the page, or OK of the sheet).
    void RunAdvancedOptions() override;
    bool HasTimeUnits() const override;

    LONG m_wallpaperOrder;             // CycleOrder code
    std::int16_t m_wallpaperEnabled;   // wallpaper cycling enabled
    LONG m_displayStyle;               // WallpaperStyle code
    CWallpaperOptionsDlg* m_advancedDlg;   // owned
    std::int16_t m_advancedAccepted;   // the dialog ended with OK since the page last took its values

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Resets the options dialog from the page's three values.
    int OnCreate(LPCREATESTRUCT lpCreateStruct) override;
};
