// Ids of the resource script: dialog templates, their controls, the icon. Shared by the script and the
// C++ files, so plain #defines only.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDI_ARDENOX 128
#define IDR_MAIN_KEYS 129

#define IDD_MAIN 102
#define IDD_WRITE 131
#define IDD_CONNECTION 132
#define IDD_FIND 133
#define IDD_TRAFFIC 134
#define IDD_COMMISSION 135
#define IDD_STOP_WRITING 136

// Shared by the connection dialog and the main window's new-settings column.
#define IDC_BAUD 1000
#define IDC_MODE 1001
#define IDC_ADDRESS 1002
#define IDC_DEFAULT 1004

// Connection dialog.
#define IDC_PORT 1006
#define IDC_ECHO 1020
#define IDC_FIND 1021
#define IDC_FIND_RESULT 1022
#define IDC_REPLY_TIME 1023
#define IDC_RS485 1024

// Main window.
#define IDC_CLOSE 8
#define IDC_CONN_BAUD 1005
#define IDC_CONN_MODE 1006
#define IDC_CONN_ADDRESS 1007
#define IDC_DEV_BAUD 1008
#define IDC_DEV_MODE 1009
#define IDC_DEV_ADDRESS 1010
#define IDC_READ 1011
#define IDC_WRITE 1012
#define IDC_CHANGE 1013
#define IDC_STATUS 1014
#define IDC_MODEL 1015
#define IDC_VERSION 1016
#define IDC_HINT 1017
#define IDC_COMMISSION 1018
#define IDC_TRAFFIC 1019
#define IDC_RESTART_NOTE 1028

// Write and its question.
#define IDC_WRITE_HEADLINE 1025
#define IDC_STOP_QUESTION 1026
#define IDC_STOP_WRITING 1027

// Find.
#define IDC_FIND_BAR 1030
#define IDC_FIND_TRYING 1031

// Traffic.
#define IDC_TRAFFIC_LIST 1040
#define IDC_TRAFFIC_COUNTS 1041
#define IDC_TRAFFIC_PAUSE 1042
#define IDC_TRAFFIC_CLEAR 1043
#define IDC_TRAFFIC_SAVE 1044

// Commission.
#define IDC_COMM_FACTORY 1050
#define IDC_COMM_FIRST 1051
#define IDC_COMM_COUNT 1052
#define IDC_COMM_BAUD 1053
#define IDC_COMM_MODE 1054
#define IDC_COMM_LOG 1055
#define IDC_COMM_PROMPT 1056
#define IDC_COMM_UNITS 1057
#define IDC_COMM_START 1058
#define IDC_COMM_STOP 1059
#define IDC_COMM_BROWSE 1060
#define IDC_COMM_LOG_NOTE 1061
#define IDC_COMM_CLOSE 1062
