// Keys under which the document resource manager keeps its data.
#pragma once

#include <cstring>

#include "platform/types.h"

// The key of one resource: an image file (its path and last-write time in seconds since 1970), a
// resource of a resource module (the module's file name and the resource id) or a document record
// without a resource id (its name and a running number).
// Ordered by name (UTF-16 units compared as unsigned numbers, a proper prefix first), then by the stamp
// as a signed number; two keys are the same only when both fields are.
struct DocFileKey {
  ds_string name;
  INT64 stamp = 0;

  DocFileKey() = default;
  DocFileKey(const ds_string& n, INT64 s) : name(n), stamp(s) {}

  bool operator<(const DocFileKey& o) const {
    int c = name.compare(o.name);  // char16_t units compare as unsigned
    if (c != 0) return c < 0;
    return stamp < o.stamp;
  }
  bool operator==(const DocFileKey& o) const { return stamp == o.stamp && name == o.name; }
  bool operator!=(const DocFileKey& o) const { return !(*this == o); }
};

// The key of one mask picture. Ordered by the 16 GUID bytes in memory order alone; the name and the flag
// travel with the key and take no part in lookups.
struct DocGuidKey {
  GUID guid = {};
  ds_string name;
  bool flag = false;

  DocGuidKey() = default;
  explicit DocGuidKey(const GUID& g, const ds_string& n = ds_string(), bool f = false) : guid(g), name(n), flag(f) {}

  bool operator<(const DocGuidKey& o) const { return std::memcmp(&guid, &o.guid, sizeof(GUID)) < 0; }
  bool operator==(const DocGuidKey& o) const { return std::memcmp(&guid, &o.guid, sizeof(GUID)) == 0; }
  bool operator!=(const DocGuidKey& o) const { return !(*this == o); }
};
