// What every particle item shares: how many sprites, how big, how transparent and in which colour, which
// picture they show, and the per-particle operations through which the sprite geometry starts, moves and
// animates them.
#pragma once

#include <list>
#include <vector>

#include "platform/types.h"
#include "scene/file_link.h"
#include "scene/item_bases.h"
#include "scene/media_param.h"
#include "scene/scaled_params.h"
#include "scene/stream.h"

struct Particle;

class DS_BaseSpriteProp : public DS_ViewObjCtrl {
 public:
  static const DWORD kVersion = 6;

  MediaParamT<UINT> count;
  // Base sprite size in picture pixels; each particle item sets it.
  MediaParamT<UINT> size;
  // Percent; the result is the alpha byte 255 - 2.55 * value.
  UINTSclaleTo<unsigned char> transparency;
  // 0: alpha blending; 1: added to what lies below.
  MediaParamT<int> blendMode;
  MediaColor colour;
  float phaseRate = 0.0f;
  float phaseMin = 0.0f;
  float phaseMax = 1.0f;
  float sizeFactorMin = 1.0f;
  float sizeFactorMax = 1.0f;
  DS_ImageFileLink image;
  // Drawn over the sprites in a second pass when set.
  DS_ImageFileLink secondImage;
  // Stored and read; unused by the player.
  UINT reservedCount = 1;
  float reservedValue = 0.0f;
  // Frames side by side in a sprite sheet, stepped at frameRate per item second when animated.
  UINT frameCount = 1;
  float frameRate = 0.0f;
  bool animated = false;
  // 1: the image link names a module image set with its own frame durations.
  int moduleImageSet = 0;
  MediaParamT<int> verticalFlip;
  MediaParamT<int> horizontalFlip;
  // Not 0: sprite vertices are rebuilt only when the image set switches frames.
  MediaParamT<int> refillOnFrameChange;
  // Image data of the oldest section version, until the render object is made.
  std::vector<float> legacyDurations;
  std::list<DocResourceRecord> legacyFrames;
  DocResourceRecord legacySecondImage;

  DS_BaseSpriteProp();
  DS_BaseSpriteProp(const DS_BaseSpriteProp& o);
  DS_BaseSpriteProp& operator=(const DS_BaseSpriteProp&) = delete;
  ~DS_BaseSpriteProp() override {}

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }

  // A new particle; each particle item places and starts it.
  virtual void InitParticle(Particle* p) {}
  // One frame of movement of one particle, after the item clock advanced.
  virtual void UpdateParticle(Particle* p) {}
  // The sprite-sheet frame after i; a frame count of 0 counts as 1.
  virtual UINT NextFrame(UINT i);

  // "DS_BaseSpriteProp", version 6: the view section first, then the fields. Each image link is
  // registered with the document's resource manager before its key is written.
  void SaveBase(DS_IOF_Virtual** stream) const;
  void SaveFields(DS_IOF_Virtual** stream) const;
  // Header, then the fields of that version (above 6 read as 6). Only the transparency is announced.
  void ReadBase(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream, DWORD version);

  // Turns oldest-version image data into image links through the document's resource manager, when the
  // image link has no name yet; then drops the legacy frames and durations.
  void ResolveLegacyImages();
};

// DWORD count, then that many records appended.
void ReadDocResourceRecordList(DS_IOF_Virtual** stream, std::list<DocResourceRecord>* list);
// A fresh record read from the stream into *record (nothing of its old bytes is kept).
void ReadDocResourceRecord(DS_IOF_Virtual** stream, DocResourceRecord* record);
