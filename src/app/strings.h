// Texts from the program's string table: blocks of 16 entries, each a 16-bit length and that many UTF-16
// units, block n holding ids (n - 1) * 16 to n * 16 - 1.
#pragma once

#include "platform/types.h"

// Language of the menu and string-table lookups; 1033 from the start on.
extern WORD g_ResourceLanguage;
const WORD kFallbackLanguage = 1033;
const size_t kResStringChars = 260;  // buffer size, terminator included

class StringTableSeam {
 public:
  virtual ~StringTableSeam() = default;
  // The raw bytes of one string-table block in one language; false when there is none.
  virtual bool FindBlock(WORD block, WORD language, const BYTE*& data, size_t& size) const = 0;
};

// Copies string id into buffer (at most 259 units and a terminator) and returns its length; a string
// of 260 units or more is cut to its first 259. A block in neither language, or an entry that runs past
// its block, gives the empty string.
size_t LoadResStringBuf(const StringTableSeam& table, UINT id, char16_t (&buffer)[kResStringChars]);
ds_string LoadResString(const StringTableSeam& table, UINT id);

#ifdef _WIN32
// The program's own string table.
ds_string LoadResString(UINT id);
// A menu resource of a module (null: the program's own file) in g_ResourceLanguage, else in the fallback
// language; null when it has neither.
HMENU LoadMenuResource(HMODULE module, UINT id);
#endif

// The string table of a module's resources (Windows only); a null module means the program's own file.
class ModuleStringTable : public StringTableSeam {
 public:
  explicit ModuleStringTable(HMODULE module = nullptr) : module_(module) {}
  bool FindBlock(WORD block, WORD language, const BYTE*& data, size_t& size) const override;

 private:
  HMODULE module_;
};
