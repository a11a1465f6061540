// The item record exchanged with the shell's list view in another process, in the 32-bit and the 64-bit
// layout of the platform's list-view item, and the packing of item positions into one message parameter.
#pragma once

#include <map>

#include "platform/types.h"

const DWORD kItemMaskTextImage = 3;  // text and image
const int kItemTextCapacity = 260;   // units, in the remote text buffer
const size_t kItemTextBytes = 520;
const size_t kItemRecordSize32 = 40;
const size_t kItemRecordSize64 = 72;      // allocated in the remote process
const size_t kItemRecordExchanged = 40;   // written and read back, in both layouts

// mask, item, sub-item 0, state 0, state mask 0, text address (4 bytes), text capacity, image, parameter,
// indent: 40 bytes.
void PackItemRecord32(int item, DWORD remoteText, BYTE (&out)[kItemRecordSize32]);
// mask, item, sub-item 0, state 0, state mask 0, 4 bytes of padding, text address (8 bytes, upper half 0),
// text capacity, image; the rest zero.
void PackItemRecord64(int item, DWORD remoteText, BYTE (&out)[kItemRecordSize64]);

// A point as the list view's set-position message takes it: x in the low 16 bits, y in the high 16 bits.
DWORD PackItemPosition(POINT p);

// The text read back from a remote buffer: up to its first null, never past the capacity, whatever the
// buffer holds.
ds_string TextFromRemoteBuffer(const BYTE* bytes, size_t byteCount);

// Where an item of the shell's list view sits, and its index there.
struct IconPlacement {
  POINT position;
  int index;
};
// By item text, ordinal comparison. Entries are added and overwritten, never removed.
typedef std::map<ds_string, IconPlacement> PlacementMap;
