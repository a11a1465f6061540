// The effect items without a time-driven formula of their own: the pattern brush, which tiles a picture
// (possibly animated) over the slide, rotated, mirrored and shifted; the same stored under its own class
// name; and the background copy, a shifted copy of the picture or of the scene composed so far.
#pragma once

#include "fx/fx_constructor.h"
#include "scene/texture_types.h"

class DS_PatternBrush : public DS_FX_Constructor {
 public:
  static const int kEffectId = 78;

  // No pattern, no flips, angle 0, pattern scale 100 (1.0), offsets 0; the clock at real time; effect 78.
  DS_PatternBrush();
  // The base copy and every own field; the pattern frames shared with references added.
  DS_PatternBrush(const DS_PatternBrush& o);

  DS_FX_Constructor* Clone() const override { return new DS_PatternBrush(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The base's, then LoadPattern.
  void LoadEffect(IDirect3DTexture9** mask) override;
  // The clock, then at most one step of an animated pattern.
  void Update(double t) override;
  // Nothing without a pattern (in MainFX mode the scene behind is kept).
  void Render(DS_ABRender* renderer) override;

  // The pattern's frames from the document: a module image set when the link names a ".dll", its image
  // otherwise; the frame index back to 0.
  void LoadPattern();
  // The pattern's frames, unless they are a module image set.
  bool ReleaseTextures() override;
  void LoadTextures() override { LoadPattern(); }

  // The values Render sets for a picture of w x h pixels.
  struct Values {
    float scale[2];
    float offset[2];
    float coordTransf[4];
  };
  Values ComputeValues(UINT w, UINT h) const;

  // "DS_PatternBrush", version 1, then SaveFields.
  void SaveBase(DS_IOF_Virtual** stream);
  void SaveFields(DS_IOF_Virtual** stream);
  void ReadFields(DS_IOF_Virtual** stream);
  static DS_PatternBrush* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  DS_ImageFileLink patternLink;
  MediaParamT<int> verticalFlip;
  MediaParamT<int> horizontalFlip;
  MediaParamT<UINT> angle;  // degrees
  UINTSclaleTo<float> patternScale;
  UINTSclaleTo<float> offsetX;
  UINTSclaleTo<float> offsetY;
  TextureSet pattern;
  UINT frameIndex = 0;
  double lastFrameSwitch = 0.0;  // clock seconds
};

// The pattern brush stored under its own name, wrapping a whole "DS_PatternBrush" section. Its clone is a
// DS_PatternBrush.
class DS_PatternBrushC : public DS_PatternBrush {
 public:
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // "DS_PatternBrushC", version 1, then the whole "DS_PatternBrush" section.
  void SaveBase(DS_IOF_Virtual** stream);
  // The nested header (not compared), then the pattern brush's fields.
  void ReadFields(DS_IOF_Virtual** stream);
  static DS_PatternBrushC* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
};

class DS_BackgroundCopy : public DS_FX_Constructor {
 public:
  static const int kEffectId = 75;

  // Rectangle all 0, no shifts; the clock stands; effect 75.
  DS_BackgroundCopy();
  DS_BackgroundCopy(const DS_BackgroundCopy& o);

  DS_FX_Constructor* Clone() const override { return new DS_BackgroundCopy(*this); }
  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  void Render(DS_ABRender* renderer) override;

  // "offset" for a picture of w x h pixels: the centre point over the picture size (0 along a side of
  // size 0), plus 1 along each shifted axis.
  void Offset(UINT w, UINT h, float out[2]) const;

  void SaveBase(DS_IOF_Virtual** stream);
  static DS_BackgroundCopy* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);

  MediaRectangle rectangle;  // only the centre point drives the effect
  MediaParamT<int> yShift;
  MediaParamT<int> xShift;
};
