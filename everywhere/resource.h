// Identifiers of Korvel everywhere's resources and commands.
#pragma once

#define IDI_TYPING_ON 3001   // the program's own icon: Korvel types Cyrillic
#define IDI_TYPING_OFF 3002  // grey: keys type as usual
#define IDR_TRAY_MENU 4001

#define IDM_TYPE_CYRILLIC 4101
#define IDM_OPEN_KORVEL 4102
#define IDM_START_WITH_WINDOWS 4103
#define IDM_EXIT 4104

// Texts, in each of the program's languages.
#define IDS_TIP_ON 5001
#define IDS_TIP_OFF 5002
#define IDS_TIP_BEYOND_REACH 5003
#define IDS_NO_KORVEL_EXE 5004
