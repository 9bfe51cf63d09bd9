// User notifications: programs the device starts at a time or on a system
// event (such as waking up), kept across restarts of the device.
#pragma once
#include "windef.h"

// Trigger types
#define CNT_EVENT 1
#define CNT_TIME 2
#define CNT_PERIOD 3
#define CNT_CLASSICTIME 4

// System events for CNT_EVENT
#define NOTIFICATION_EVENT_NONE 0
#define NOTIFICATION_EVENT_TIME_CHANGE 1
#define NOTIFICATION_EVENT_SYNC_END 2
#define NOTIFICATION_EVENT_ON_AC_POWER 3
#define NOTIFICATION_EVENT_OFF_AC_POWER 4
#define NOTIFICATION_EVENT_NET_CONNECT 5
#define NOTIFICATION_EVENT_NET_DISCONNECT 6
#define NOTIFICATION_EVENT_DEVICE_CHANGE 7
#define NOTIFICATION_EVENT_IR_DISCOVERED 8
#define NOTIFICATION_EVENT_RS232_DETECTED 9
#define NOTIFICATION_EVENT_RESTORE_END 10
#define NOTIFICATION_EVENT_WAKEUP 11
#define NOTIFICATION_EVENT_TZ_CHANGE 12
#define NOTIFICATION_EVENT_MACHINE_NAME_CHANGE 13

// Actions of a user notification
#define PUN_LED 1
#define PUN_VIBRATE 2
#define PUN_DIALOG 4
#define PUN_SOUND 8
#define PUN_REPEAT 16

// Status in CE_NOTIFICATION_INFO_HEADER
#define CNS_SIGNALLED 1

// On the device this record is 52 bytes; dwSize may be that or the host's
// sizeof.
typedef struct UserNotificationTrigger {
  DWORD dwSize;
  DWORD dwType;
  DWORD dwEvent;
  WCHAR* lpszApplication;
  WCHAR* lpszArguments;
  SYSTEMTIME stStartTime;
  SYSTEMTIME stEndTime;
} CE_NOTIFICATION_TRIGGER, *PCE_NOTIFICATION_TRIGGER;
#define CE_NOTIFICATION_TRIGGER_DEVICE_SIZE 52

typedef struct UserNotificationType {
  DWORD ActionFlags;
  WCHAR* pwszDialogTitle;
  WCHAR* pwszDialogText;
  WCHAR* pwszSound;
  DWORD nMaxSound;
  DWORD dwReserved;
} CE_USER_NOTIFICATION, *PCE_USER_NOTIFICATION;

// What CeGetUserNotification returns: this header, followed in the same
// buffer by the records and strings its pointers point at.
typedef struct UserNotificationInfoHeader {
  HANDLE hNotification;
  DWORD dwStatus;
  CE_NOTIFICATION_TRIGGER* pcent;
  CE_USER_NOTIFICATION* pceun;
} CE_NOTIFICATION_INFO_HEADER, *PCE_NOTIFICATION_INFO_HEADER;

// Adds a notification (hNotification 0) or replaces an existing one, which
// keeps its handle. Returns the handle, 0 on failure.
WINSHELLAPI HANDLE CeSetUserNotificationEx(HANDLE hNotification, CE_NOTIFICATION_TRIGGER* trigger,
                                           CE_USER_NOTIFICATION* notification);
WINSHELLAPI BOOL CeClearUserNotification(HANDLE hNotification);
// Fills up to cHandles handles and reports how many exist; (null, 0, &n)
// asks for the count.
WINSHELLAPI BOOL CeGetUserNotificationHandles(HANDLE* handles, DWORD cHandles, LPDWORD pcHandlesNeeded);
// Fails with ERROR_INSUFFICIENT_BUFFER, reporting the size needed, when the
// buffer is too small (a null buffer of size 0 asks for the size).
WINSHELLAPI BOOL CeGetUserNotification(HANDLE hNotification, DWORD cBufferSize, LPDWORD pcBytesNeeded,
                                       LPBYTE pBuffer);
// Registers (or with NOTIFICATION_EVENT_NONE removes) the program for a
// system event, without arguments.
WINSHELLAPI BOOL CeRunAppAtEvent(WCHAR* pwszAppName, LONG lWhichEvent);
