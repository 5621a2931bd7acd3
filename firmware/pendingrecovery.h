// pendingrecovery.h - completes, at start-up, the main-flash writes that an
// earlier start left unfinished (see recoveryrecord.h), but only on the board
// they belong to and only while the board is as that write can leave it.
#pragma once

#include "firmware/productdata.h"

#include <string>

class ReconcileProductData;

// Texts of the recovery at start-up.
extern const char kRecoveryCompleted[];
extern const char kRecoveryConfirmFormat[];    // %s: the record's, then the board's address
extern const char kRecoveryOtherBoardFormat[]; // %s: the record's file
extern const char kRecoveryUnreadableFormat[]; // %s: the record's file
extern const char kRecoverySetAsideFormat[];   // %s: where the record is kept now

// What the records on this PC left for the rest of the start-up check.
struct PendingRecovery {
    bool written = false; // main flash was written
    // A record of this board is left unapplied (it failed or was declined):
    // nothing else may change the board's main flash at this start.
    bool pending = false;
    // A record of this board would put its product data into a sector whose
    // boot ROM head is blank: the boot ROM must be written first, then
    // `identity` put back.
    bool bootRomBlank = false;
    ProductData identity = {};
    std::string recordPath; // the record of bootRomBlank
};

// Looks for records on this PC. A record belongs to this board when its
// board type is this board's and its product data equals a valid copy on the
// board; when the board has no valid copy the user confirms after seeing
// both hardware addresses. A record of another board stays where it is and
// the user is told where. A record whose sector was changed since is set
// aside. `copies` holds the copies as read at this start.
PendingRecovery CompletePendingRecovery(int hBoard, DWORD boardType,
                                        const ReconcileProductData& copies);
