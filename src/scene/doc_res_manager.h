// The document resource manager: one per document, owner of every picture, mesh and effect the document
// carries or names and of the device objects made from them. Scene objects hold file links or GUID keys
// and ask the manager by key each time; the manager makes the object on the first request and returns
// the same one afterwards.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/com_ref.h"
#include "dxut/device_objects.h"
#include "platform/types.h"
#include "scene/doc_keys.h"
#include "scene/iof_item.h"
#include "scene/render_device.h"
#include "scene/stream.h"

class DS_FileLink3;
class DS_ImageFileLink;
class DS_MeshFile;
class DS_HLSLEffectFile;

typedef std::vector<DocResourceRecord> DocRecordVector;

// The manager's maps. Every lookup is find-or-insert: a missing key gets an empty value.
struct DocResourceMaps {
  std::map<DocFileKey, DocRecordVector> savedData;        // non-image data as the document stores it
  std::map<DocFileKey, DocRecordVector> savedImages;      // image data as stored; emptied after reading
  std::map<DocFileKey, std::vector<float>> savedFrameTimes;
  std::map<DocGuidKey, DocNamedBlob> savedGuidPictures;   // DDS bytes; emptied after reading
  std::map<DocFileKey, TextureSet> textureSets;
  std::map<DocFileKey, MeshData> meshes;
  std::map<DocFileKey, ID3DXEffect*> effects;             // one reference held on each
  std::map<DocFileKey, DocRecordVector> resourceData;     // all raw data known to the document
  // A picture the document carries is here once decoded: ask the manager's GuidTexture for it.
  std::map<DocGuidKey, ComRef<IDirect3DTexture9>> guidTextures;

  // Replaces the texture held under key (a reference added to texture, the old one released).
  void SetGuidTexture(const DocGuidKey& key, IDirect3DTexture9* texture);
};

// A registered device-objects owner: its effects follow the device's loss and reset through the registry.
class DS_DocResManager : public DS_IOF_Item, private DeviceObjects {
 public:
  static const DWORD kVersion = 3;

  DS_DocResManager();
  ~DS_DocResManager() override;
  DS_DocResManager(const DS_DocResManager&) = delete;
  DS_DocResManager& operator=(const DS_DocResManager&) = delete;

  // Reads the class name and version, then the body; the caller owns the result.
  static DS_DocResManager* CreateFromStream(DS_IOF_Virtual** stream);
  // The section body for a version (0 and versions above 3 read like 3); builds the device objects.
  bool Read(DS_IOF_Virtual** stream, DWORD version);
  // Writes the whole section (version 3), each GUID picture first refreshed from its texture.
  void Save(DS_IOF_Virtual** stream) override;
  void SaveBase(DS_IOF_Virtual** stream);

  DocResourceMaps& Maps() { return *maps_; }
  const DocResourceMaps& Maps() const { return *maps_; }

  // The set of a link; a document picture not decoded yet is decoded now.
  TextureSet& GetTextureSet(const DS_ImageFileLink& link);
  // The size of a document picture that is not decoded yet (no texture), leaving it so: true. False when
  // the picture is decoded already or the document does not carry it (GetTextureSet tells then).
  bool PeekPictureSize(const DS_ImageFileLink& link, TextureInfo* out) const;
  // A document picture whose size its data tells lets go of its decoded frames: its raw data stays, and
  // the next GetTextureSet decodes it again. A module picture GetTextureSet loaded lets go of its frame
  // too, and the device's cache of it: the next GetTextureSet loads it from the module again. True when
  // the link names such a picture (decoded or not): a holder of its frames then lets go of them too, so
  // that they are freed. False for anything else (pictures without a size of their own, module image
  // sets), which stays made.
  bool ReleasePicture(const DS_ImageFileLink& link);
  TextureSet& GetImageSetFromModule(const DS_ImageFileLink& link);
  MeshData& GetMesh(const DS_MeshFile& link, int stride);
  ID3DXEffect* GetEffect(ID3DXEffect** out, const DS_HLSLEffectFile& link);

  void MakeImageLinkFromRecord(const DocResourceRecord& record, DS_ImageFileLink* out);
  // An empty record list changes nothing (out keeps its key).
  void MakeImageLinkFromRecords(const std::vector<float>& durations, const std::list<DocResourceRecord>& records,
                                DS_ImageFileLink* out);

  // The cell of guidTextures for key; a picture the document carries under it is decoded at this first
  // request (unless a texture was put there before). The cell stays where it is while the manager lives.
  IDirect3DTexture9** GuidTexture(const DocGuidKey& key);
  // Whether there is a picture under key, decoded or still waiting for its first request.
  bool HasGuidPicture(const DocGuidKey& key) const;

  bool RegisterImageForSave(const DS_FileLink3& link);
  // False, keeping the stored bytes, when the texture cannot be encoded; true otherwise. A picture the
  // document carries that was never decoded is decoded for it.
  bool UpdateGuidPictureBytes(const DocGuidKey& key);

  // An effect keeps a reference on every texture last set on it or bound on the device when it last began,
  // which would keep a picture let go of alive: every effect lets go of its textures (each draw sets
  // those it reads again).
  void UnbindEffectTextures();

  // Each effect gets one lost call per device loss and one reset call after it, however often these are
  // called (the registry calls them at the device's loss and reset).
  void OnLostDevice();
  void OnResetDevice();

 private:
  void InvalidateDeviceObjects() override { OnLostDevice(); }
  void CreateDeviceObjects() override { OnResetDevice(); }
  void LoadImageFromModule(TextureSet* set, const DocFileKey& key);
  // Decodes the frames of a document picture read but not decoded yet, as reading would have.
  void DecodePending(const DocFileKey& key);

  std::unique_ptr<DocResourceMaps> maps_;
  // Document pictures whose size is known from their headers and whose frames are decoded at their first
  // request: reading the document stays quick, and a slide's picture is decoded when the slide starts.
  std::map<DocFileKey, DocRecordVector> pendingImages_;
  // The document pictures that went pending when read: those ReleasePicture may make pending again.
  std::set<DocFileKey> releasablePictures_;
  // The single module pictures GetTextureSet loaded: those ReleasePicture may let go of too.
  std::set<DocFileKey> modulePictures_;
  std::set<DocFileKey> brokenImageSets_;  // module image sets that did not decode; not parsed again
  // The document's GUID pictures (DDS bytes) not decoded yet: reading leaves them to their first request,
  // which comes when the slide that shows them first starts.
  std::map<DocGuidKey, DocNamedBlob> pendingGuidPictures_;
  bool deviceLost_ = false;
};

// The manager of the loaded document; set by the document loader, null before.
extern DS_DocResManager* g_DocResManager;

// A picture an object holds in slot for the link goes when the current manager lets go of the link's
// picture (ReleasePicture): true then, slot emptied. False, slot kept, when slot is empty or the picture
// stays made.
bool ReleaseHeldPicture(ComRef<IDirect3DTexture9>& slot, const DS_ImageFileLink& link);
// The same for a copy of the link's set an object holds: its frames go, its size and durations stay.
bool ReleaseHeldFrames(TextureSet& set, const DS_ImageFileLink& link);

// The stream forms of the manager's maps, shared with the sections that store records and floats.
void ReadRecordVector(DS_IOF_Virtual** stream, DocRecordVector* out);
void WriteRecordVector(DS_IOF_Virtual** stream, const DocRecordVector& v);
void ReadFloatVector(DS_IOF_Virtual** stream, std::vector<float>* out);
void WriteFloatVector(DS_IOF_Virtual** stream, const std::vector<float>& v);
// uint32 count, then records straight from the buffer; the count is checked against the bytes left.
void ReadRecordVectorFromBuffer(DocRecordVector* out, ResourceBuffer* buffer);
