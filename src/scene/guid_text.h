// GUIDs in their registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (38 characters, upper case),
// as documents store them, and fresh GUIDs for new keys.
#pragma once

#include "platform/types.h"
#include "scene/stream.h"

// The portable formatter and parser of the text form. The parser takes either letter case and wants the
// braces; it leaves *out unchanged and returns false for any other text.
ds_string FormatGuidText(const GUID& g);
bool ParseGuidText(const ds_string& text, GUID* out);

// The system's text form: StringFromGUID2 / CLSIDFromString on Windows, the portable pair natively.
ds_string GuidToText(const GUID& g);
bool GuidFromText(const ds_string& text, GUID* out);  // unchanged on failure

// A fresh GUID: CoCreateGuid on Windows, random bits natively. Tests and the scene compiler may install a
// generator (null: the system's); SetGuidGenerator returns the one it replaces.
GUID NewGuid();
typedef GUID (*GuidGenerator)();
GuidGenerator SetGuidGenerator(GuidGenerator generator);

// A GUID stored as its text in one string. Reading leaves the GUID unchanged when the text does not parse,
// so a key preset with a fresh GUID stays unique.
void WriteGuid(DS_IOF_Virtual** stream, const GUID& g);
void ReadGuid(DS_IOF_Virtual** stream, GUID* g);
