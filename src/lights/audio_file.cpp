#include "lights/audio_file.h"

#include <memory>

#include "scene/readers.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }

ds_string DecimalText(int v) {
  std::string s = std::to_string(v);
  return ds_string(s.begin(), s.end());
}

}  // namespace

ds_string TemporaryTrackName(const ds_string& recorded, int trackIndex) {
  ds_string base = FileNameFromPath(recorded);
  if (base.empty() && recorded.find(u'\\') == ds_string::npos) base = recorded;
  size_t cut = base.size();
  while (cut > 0 && !IsSeparator(base[cut - 1])) --cut;
  base.erase(0, cut);
  if (base.empty() || base == u"." || base == u"..") base = u"track";
  return u"lumivane-" + DecimalText(trackIndex) + u"-" + base;
}

DS_AudioFile* DS_AudioFile::CreateFromStream(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  std::unique_ptr<DS_AudioFile> track(new DS_AudioFile);
  (*stream)->ReadString(&track->name);
  (*stream)->ReadNamedBlob(&track->data);
  return track.release();
}

void DS_AudioFile::SaveBase(DS_IOF_Virtual** stream) {
  WriteSectionHeader(stream, u"DS_AudioFile", 1);
  (*stream)->WriteString(name);
  (*stream)->WriteNamedBlob(data);
}

bool DS_AudioFile::MakePlayable(int trackIndex, TrackFiles& files) {
  if (data.Empty()) return true;
  if (files.FileExists(data.name)) {
    data.ClearBytes();
    return true;
  }
  ds_string folder = files.TempFolder();
  if (folder.empty()) return false;
  if (folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
  ds_string target = folder + TemporaryTrackName(data.name, trackIndex);
  if (!files.WriteWholeFile(target, data.Data(), static_cast<size_t>(data.Size()))) return false;
  data.ClearBytes();
  data.name = target;
  return true;
}
