#pragma once
// Service configuration: the "Restart Computer Options" dialog of the
// Recovery page and the default reboot message.
#define IDS_DEFAULT_REBOOT_MESSAGE 192
#define IDD_RESTART_OPTIONS 214
#define IDC_REBOOT_MESSAGE 308
#define IDC_RESTART_MINUTES 311
#define IDC_SEND_MESSAGE 321
