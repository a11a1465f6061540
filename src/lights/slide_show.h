// The scene root: the slides and the scene's sound tracks. One slide is shown at a time; slides change
// by a timed fade through black, drawn as a full-screen quad over everything the slide drew. Frame,
// render, device and picture-position events go to the slides.
#pragma once

#include <memory>
#include <vector>

#include "lights/audio_file.h"
#include "lights/slide.h"
#include "lights/slide_schedule.h"
#include "platform/counted_ptr.h"
#include "render/mesh.h"
#include "render/vertex_formats.h"
#include "scene/iof_item.h"

class DS_IOF_Virtual;
class TexQuad;

// Four pre-transformed black vertices over the whole back buffer; only their alpha changes.
typedef DS_SimpleMesh<DX_V::RHWC> SlideFadeQuad;

class DS_SlideShow_Light : public DS_IOF_Item {
 public:
  // Empty until the first frame.
  CountedPtr<DS_SlideContainer> current;
  std::vector<CountedPtr<DS_SlideContainer>> slides;
  std::vector<CountedPtr<DS_AudioFile>> audioFiles;

  DS_SlideShow_Light();
  ~DS_SlideShow_Light() override;
  DS_SlideShow_Light(const DS_SlideShow_Light&) = delete;
  DS_SlideShow_Light& operator=(const DS_SlideShow_Light&) = delete;

  void Save(DS_IOF_Virtual** stream) override { SaveBase(stream); }
  // The current slide, its post pass, then the fade quad (not drawn while wholly transparent).
  virtual void Render();
  // Every slide's picture lets go of its device objects (a slide not started yet holds none).
  virtual void OnLostDevice();
  // Only the current slide's picture is reset; the others are reset when they start.
  virtual void OnResetDevice();
  // Every frame before rendering, t in application seconds: slide timing and the fade, then the
  // current slide's frame. Without slides nothing happens.
  virtual void FrameMove(double t);

  // Whether FrameMove(t) would start a slide: the first frame, or the end of the current slide's cycle.
  bool StartsSlideAt(double t) const;

  // The icon layer over the current slide's picture; false when there is no current slide to draw it.
  bool DrawIconLayer(TexQuad* iconQuad);
  // Every slide's picture takes the mode; the current slide's last, so that the placement shared by all
  // pictures is the one of the picture shown.
  void SetPicturePosition(int mode);

  // Reads the whole section (its header is not used); the caller owns the result.
  static DS_SlideShow_Light* CreateFromStream(DS_IOF_Virtual** stream);
  void ReadSlides(DS_IOF_Virtual** stream);
  void ReadAudioFiles(DS_IOF_Virtual** stream);
  // "DS_SlideShow_Light", version 1, the slides, the sound tracks.
  void SaveBase(DS_IOF_Virtual** stream);

  const SlideSchedule& Schedule() const { return schedule_; }
  // The fade quad's opacity of the last frame (0 before the first).
  float FadeAlpha() const { return fadeAlpha_; }
  SlideFadeQuad* FadeQuad() const { return fadeQuad_.get(); }

 private:
  void StartSlide();

  SlideSchedule schedule_;
  float fadeAlpha_ = 0.0f;
  int fadeByte_ = 0;  // the alpha byte the fade quad's vertices hold
  std::unique_ptr<SlideFadeQuad> fadeQuad_;
};

// Registers the slide reader and, unless a scene root reader is installed already, the slide show as
// the document's scene root; called from the document's reader registration.
void RegisterSlideShowReaders();
