// Identifiers of Korvel's resources and of the main dialog's controls.
#pragma once

#define IDD_MAIN 101
#define IDI_KORVEL 3001

#define IDC_EXPORT 2000             // "OK": whole text to the clipboard and the label
#define IDC_CANCEL 2                // "Cancel" (IDCANCEL, also the close box)
#define IDC_HOME_SITE 1001          // "Home site"
#define IDC_RUSSIAN_MODE 1002       // hidden: live transcription on, Russian title
#define IDC_UKRAINIAN_MODE 1005     // hidden: live transcription on, Ukrainian title
#define IDC_KEYBOARD_MODE 2001      // hidden: the keyboard's own characters
#define IDC_CYRILLIC_TO_LATIN 2002  // hidden: "Ru do Cz", whole text
#define IDC_LATIN_TO_CYRILLIC 2003  // hidden: "Cz do Ru", whole text
#define IDC_TOP_POS 3000            // "Top pos" check box
#define IDC_RESULT_LABEL 1011       // echo of the exported text
#define IDC_EDITOR 10009            // the rich edit control, created at start-up

#ifndef IDC_STATIC
#define IDC_STATIC (-1)  // labels nobody addresses
#endif
