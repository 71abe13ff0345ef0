// Identifiers of Korvel everywhere's resources and commands.
#pragma once

#define IDI_TYPING_ON 3001        // the program's own icon: Korvel types Cyrillic
#define IDI_TYPING_OFF 3002       // grey: keys type as usual
#define IDI_TYPING_HINDERED 3003  // red: it cannot type in the window in front
#define IDR_TRAY_MENU 4001

#define IDM_TYPE_CYRILLIC 4101
#define IDM_OPEN_KORVEL 4102
#define IDM_START_WITH_WINDOWS 4103
#define IDM_EXIT 4104
#define IDM_NOT_IN 4105
#define IDM_REWRITE_HINT 4106  // greyed: the keys that rewrite a word or a selection
#define IDM_TRANSCRIBE_HINT 4107
#define IDM_FIX_BY_ITSELF 4108
#define IDM_DROP_HOOK_FOR_TESTS 4190  // in no menu: the tests' way to drop the hook as Windows does

// Texts, in each of the program's languages.
#define IDS_TIP_ON 5001
#define IDS_TIP_OFF 5002
#define IDS_TIP_BEYOND_REACH 5003
#define IDS_NO_KORVEL_EXE 5004
#define IDS_TIP_PASSWORD 5005
#define IDS_TIP_SET_ASIDE 5006
#define IDS_TIP_OTHER_LAYOUT 5007
#define IDS_HOTKEY_TAKEN 5008
#define IDS_NO_HOOK 5009
#define IDS_NOT_IN 5010
#define IDS_TIP_NO_TEXT 5011
