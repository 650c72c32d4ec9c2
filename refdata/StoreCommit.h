#pragma once
// A checked write of a local record store: the operator hears of a store
// whose changes did not reach the disk.

#include "refdata/MappedRecordFile.h"

// Language text of the message: "%1" the store's file, "%2" the reason.
inline constexpr int kStoreWriteFailedText = 21400;

// Commits the store; when the write fails (or the store is not open),
// shows text 21400 with the file and the reason and returns false.
bool CommitStoreOrTell(CMappedRecordFile& store);
