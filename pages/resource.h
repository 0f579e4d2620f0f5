// Resource identifiers shared by the pages' templates and the program.
#pragma once

#define IDC_DRAGMOVE    106   // file name list box: cursor while dragging
#define IDC_NODROP      107   // file name list box: cursor where no drop is possible
#define IDI_IMAGEWHEEL  128   // the program icon: sheet, notification area, About box

#define IDD_SIGNON      135   // category pages
#define IDD_SHUTDOWN    136
#define IDD_SIGNOFF     137
#define IDD_ADVANCED    138   // advanced options of a logo page
#define IDD_GENERAL     141   // the General page
#define IDD_WALLPAPER   144
#define IDD_WALLPAPER_ADVANCED 145   // advanced options of the Wallpaper page
#define IDD_INFORMATION 146   // shown by the preview while it loads a picture

#define IDC_TILE        1035  // wallpaper advanced options: display style
#define IDC_STRETCH     1036
#define IDC_CENTER      1037
#define IDC_BOOTDRIVE   1038  // General page: boot drive combo box
#define IDC_FILES       1041  // category page controls
#define IDC_REMOVE      1042
#define IDC_CLEAR       1043
#define IDC_ADD         1044
#define IDC_PERIOD      1047
#define IDC_UNIT        1048
#define IDC_PREVIEW     1049
#define IDC_ADVANCED    1050
#define IDC_FORWARD     1052  // advanced options: cycle order and the switch
#define IDC_BACKWARD    1053
#define IDC_RANDOM      1054
#define IDC_DISABLE     1055
#define IDC_BESTFIT     1057

#ifndef IDC_STATIC
#define IDC_STATIC      (-1)
#endif
