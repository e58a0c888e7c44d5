// Resource ids of QUENTIC02.
#pragma once

// String table: installer launch, product name and the reminder message.
#define IDS_INSTALLER_FILE  101
#define IDS_INSTALLER_ARGS  102
#define IDS_PRODUCT_NAME    103
#define IDS_MESSAGE_FORMAT  104
#define IDS_OK              105

// The message dialog.
#define IDD_MESSAGE         101
#define IDC_MESSAGE         1001
