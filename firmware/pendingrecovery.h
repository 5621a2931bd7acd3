// pendingrecovery.h - completes, at start-up, the main-flash writes that an
// earlier start left unfinished (see recoveryrecord.h), but only on the board
// they belong to.
#pragma once

#include <windows.h>

class ReconcileProductData;

// Texts of the recovery at start-up.
extern const char kRecoveryCompleted[];
extern const char kRecoveryConfirmFormat[];    // %s: the record's hardware address
extern const char kRecoveryOtherBoardFormat[]; // %s: the record's file
extern const char kRecoveryUnreadableFormat[]; // %s: the record's file

// Looks for records on this PC. A record is applied when its board type is
// this board's and its product data equals the board's valid SPI copy; on a
// board without a valid SPI copy the user confirms after seeing the record's
// hardware address. A record of another board stays where it is and the user
// is told where. `copies` holds the copies as read at this start. True when
// main flash was written.
bool CompletePendingRecovery(int hBoard, DWORD boardType, const ReconcileProductData& copies);
