// resource.h : identifiers shared by res/Quintor.rc and the dialogs that load its resources

// Window-menu command of the About box: its low four bits stay clear, as the system requires.
#define IDM_ABOUTBOX 0x0010
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_QUINTOR_DIALOG 102
#define IDR_MAINFRAME 128
#define IDI_MARK 134
#define IDC_CARD 1000
#define IDC_GO 1002
#define IDC_STOP 1003
#define IDC_TUNING 1008
#define IDC_SLIDER 1012
// The six string labels, lowest string first: code adds the string's index to IDC_STRING1.
#define IDC_STRING1 1013
#define IDC_STRING2 1014
#define IDC_STRING3 1015
#define IDC_STRING4 1016
#define IDC_STRING5 1017
#define IDC_STRING6 1018
#define IDC_CAPTION_CARD 1019
#define IDC_CAPTION_TUNING 1020
