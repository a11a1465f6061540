#include "scene/file_link.h"

#include <sys/stat.h>

#include <string>

#include "scene/doc_res_manager.h"
#include "scene/stream.h"

int g_FileLinkCounter = 0;

namespace {

INT64 LastWriteTime(const ds_string& path) {
#ifdef _WIN32
  struct _stat64 st;
  if (_wstat64(AsWide(path), &st) != 0) return 0;
  return static_cast<INT64>(st.st_mtime);
#else
  std::string utf8;
  for (size_t i = 0; i < path.size(); ++i) {
    uint32_t c = path[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < path.size() && path[i + 1] >= 0xDC00 && path[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  struct stat st;
  if (utf8.empty() || stat(utf8.c_str(), &st) != 0) return 0;
  return static_cast<INT64>(st.st_mtime);
#endif
}

}  // namespace

DS_FileLink3::DS_FileLink3(const ds_string& path) : key_(path, LastWriteTime(path)) {}

DS_FileLink3::DS_FileLink3(int resourceId, const ds_string& module) : key_(module, static_cast<INT64>(resourceId)) {}

DS_FileLink3::DS_FileLink3(const DocResourceRecord& record) {
  if (record.resourceId != 0) {
    key_.name = record.module;
    key_.stamp = static_cast<INT64>(static_cast<UINT>(record.resourceId));
  } else {
    key_.name = record.blob.name;
    key_.stamp = g_FileLinkCounter++;
  }
}

bool DS_FileLink3::Change(const DocFileKey& key) {
  if (key == key_) return false;
  key_ = key;
  NotifyChanged(nullptr);
  return true;
}

ds_string* DS_FileLink3::GetExtension(ds_string* out) const {
  const size_t dot = key_.name.rfind(u'.');
  if (dot == ds_string::npos) {
    out->clear();
    return out;
  }
  *out = key_.name.substr(dot);
  // Only ASCII letters are lowered: other units are no characters of the C locale.
  for (char16_t& c : *out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

void DS_ImageFileLink::UndoImage::OnChanged(MediaControl*) {
  if (owner_ && owner_->GetKey() != snapshot_) snapshot_ = owner_->GetKey();
}

void DS_ImageFileLink::UndoImage::Undo() {
  history_.StepOlder(snapshot_);
  Restore();
}

void DS_ImageFileLink::UndoImage::Redo() {
  history_.StepNewer(snapshot_);
  Restore();
}

void DS_ImageFileLink::UndoImage::Restore() {
  if (owner_) owner_->SetKey(snapshot_, this);
}

DS_ImageFileLink& DS_ImageFileLink::operator=(const DS_ImageFileLink& o) {
  Raw() = o.GetKey();
  undo_.OnChanged(nullptr);
  return *this;
}

void ReadFileLink(DS_IOF_Virtual** stream, DS_FileLink3* link) {
  ds_string name;
  INT64 stamp = 0;
  (*stream)->ReadString(&name);
  (*stream)->ReadInt64(&stamp);
  link->Raw().name = name;
  link->Raw().stamp = stamp;
}

void WriteFileLink(DS_IOF_Virtual** stream, const DS_FileLink3& link) {
  // The data goes with the document. Without a document (a bare section written by a tool or a test)
  // there is nothing to keep.
  if (!link.GetName().empty() && g_DocResManager) {
    DocResourceMaps& maps = g_DocResManager->Maps();
    maps.savedData[link.GetKey()] = maps.resourceData[link.GetKey()];
  }
  (*stream)->WriteString(link.GetName());
  (*stream)->WriteInt64(link.GetStamp());
}
