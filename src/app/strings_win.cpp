#include "app/strings.h"

bool ModuleStringTable::FindBlock(WORD block, WORD language, const BYTE*& data, size_t& size) const {
  HRSRC res = FindResourceExW(module_, RT_STRING, MAKEINTRESOURCEW(block), language);
  if (!res) return false;
  HGLOBAL loaded = LoadResource(module_, res);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  data = static_cast<const BYTE*>(bytes);
  size = SizeofResource(module_, res);
  return true;
}

ds_string LoadResString(UINT id) { return LoadResString(ModuleStringTable(), id); }

HMENU LoadMenuResource(HMODULE module, UINT id) {
  HRSRC res = FindResourceExW(module, RT_MENU, MAKEINTRESOURCEW(id), g_ResourceLanguage);
  if (!res) res = FindResourceExW(module, RT_MENU, MAKEINTRESOURCEW(id), kFallbackLanguage);
  HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes ? LoadMenuIndirectW(bytes) : nullptr;
}
