// The scene's sound tracks: a file name with, optionally, the file's bytes embedded in the document.
// Embedded bytes are written to the temporary folder at scene start, unless the named file exists.
#pragma once

#include <cstddef>

#include "platform/types.h"
#include "scene/iof_item.h"
#include "scene/stream.h"

// The file operations a track needs to become playable; the Windows build has the real ones
// (SystemTrackFiles), tests a fake.
class TrackFiles {
 public:
  virtual ~TrackFiles() {}
  // Whether path names an existing file (not a folder).
  virtual bool FileExists(const ds_string& path) = 0;
  // The temporary folder, empty when it cannot be had.
  virtual ds_string TempFolder() = 0;
  // Writes size bytes to path, replacing an existing file. True only when every byte was written; a
  // failed write leaves no partial file behind.
  virtual bool WriteWholeFile(const ds_string& path, const BYTE* data, size_t size) = 0;
};

#ifdef _WIN32
// The real file operations of the Windows build.
TrackFiles& SystemTrackFiles();
#endif

// The file name under which track trackIndex's embedded bytes go into the temporary folder: the last
// part of the recorded name (after its last '\', '/' or ':'), or the whole name when it has no
// separator, behind a prefix with the track index, so that two tracks with the same base name keep
// their own data. A last part that is empty, "." or ".." gives a generated name.
ds_string TemporaryTrackName(const ds_string& recorded, int trackIndex);

class DS_AudioFile : public DS_IOF_Item {
 public:
  // Display name; stored, not used in playback.
  ds_string name;
  // The file name (a path) and the embedded bytes, absent when the track plays from its file.
  DocNamedBlob data;

  // Reads a section written by Save (class name and version, then the fields). The caller owns the
  // result; a damaged document throws DocFormatError.
  static DS_AudioFile* CreateFromStream(DS_IOF_Virtual** stream);

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void SaveBase(DS_IOF_Virtual** stream);

  // The file the track plays from.
  const ds_string& FileName() const { return data.name; }

  // Once per track at scene start, only when bytes are embedded. When the recorded file exists, the
  // bytes are dropped and the file on disk plays. Otherwise they are written to the temporary folder
  // under TemporaryTrackName; only after a complete write are they dropped and the track plays from
  // there. Returns false when that write failed: the track keeps its bytes and its recorded name, and
  // will not play.
  bool MakePlayable(int trackIndex, TrackFiles& files);
};
