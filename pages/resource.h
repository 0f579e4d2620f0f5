// Resource identifiers shared by the pages' templates and the program.
#pragma once

#define IDI_IMAGEWHEEL  128   // the program icon: sheet, notification area, About box
#define IDD_GENERAL     141   // the General page
#define IDC_BOOTDRIVE   1038  // General page: boot drive combo box

#ifndef IDC_STATIC
#define IDC_STATIC      (-1)
#endif
