// Resource and control ids of peltacfg.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_PELTACFG_DIALOG 102
#define IDD_STATUS_DIALOG 103
#define IDR_MAINFRAME 128
#define IDS_APP_TITLE 132

#define IDC_RUN_BUTTON 1000      // "実行" in the main dialog
#define IDC_REGISTER_BUTTON 1000 // "登録" in the status window
#define IDC_STATUS_MESSAGE 1001
#define IDC_SERIAL_NUMBER 1002
#define IDC_STATUS_SERIAL 1003
#define IDC_ITEM_LIST 1005
