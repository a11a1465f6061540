#include "app/memory_registry.h"

MemoryRegistry::KeyId MemoryRegistry::Id(RegRoot root, const ds_string& path) {
  ds_string p;
  for (char16_t c : path) p += (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
  while (!p.empty() && p.back() == u'\\') p.pop_back();
  return KeyId(static_cast<int>(root), p);
}

bool MemoryRegistry::OpenKey(RegRoot root, const ds_string& path, bool create) {
  KeyId id = Id(root, path);
  if (denied_.count(id)) return false;
  if (keys_.count(id)) return true;
  if (!create) return false;
  keys_[id];
  return true;
}

bool MemoryRegistry::QueryValue(RegRoot root, const ds_string& path, const ds_string& name, size_t maxBytes,
                                RegValue& out) {
  KeyId id = Id(root, path);
  if (denied_.count(id)) return false;
  auto k = keys_.find(id);
  if (k == keys_.end()) return false;
  ++queries;
  auto v = k->second.find(name);
  if (v == k->second.end() || v->second.data.size() > maxBytes) return false;
  out = v->second;
  return true;
}

bool MemoryRegistry::SetValue(RegRoot root, const ds_string& path, const ds_string& name, const RegValue& value) {
  if (!OpenKey(root, path, true)) return false;
  keys_[Id(root, path)][name] = value;
  return true;
}

bool MemoryRegistry::DeleteValue(RegRoot root, const ds_string& path, const ds_string& name) {
  KeyId id = Id(root, path);
  if (denied_.count(id)) return false;
  auto k = keys_.find(id);
  return k != keys_.end() && k->second.erase(name) != 0;
}

bool MemoryRegistry::HasKey(RegRoot root, const ds_string& path) const { return keys_.count(Id(root, path)) != 0; }

const RegValue* MemoryRegistry::Find(RegRoot root, const ds_string& path, const ds_string& name) const {
  auto k = keys_.find(Id(root, path));
  if (k == keys_.end()) return nullptr;
  auto v = k->second.find(name);
  return v == k->second.end() ? nullptr : &v->second;
}

void MemoryRegistry::Deny(RegRoot root, const ds_string& path) { denied_.insert(Id(root, path)); }
