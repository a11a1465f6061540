#include "lights/slide_show.h"

#include "lights/light_2d.h"
#include "lights/light_states.h"
#include "platform/x86_convert.h"
#include "render/quad_builders.h"
#include "scene/readers.h"
#include "scene/render_device.h"
#include "scene/scene_document.h"
#include "scene/screen_quad.h"
#include "scene/stream.h"

DS_SlideShow_Light::DS_SlideShow_Light() {}

DS_SlideShow_Light::~DS_SlideShow_Light() {
  fadeQuad_.reset();
  audioFiles.clear();
  slides.clear();
  current.Release();
}

void DS_SlideShow_Light::StartSlide() {
  // A slide's light and items are set up when it first starts, its picture decoded then (and again at
  // every later start, once its last show let go of it): the scene's start waits for none of them.
  current->CreateObjects();
  current->RemakePictures();
  const BackBufferSize size = GetRenderDevice().GetBackBufferSize();
  if (size.width != 0) current->Resize(static_cast<int>(size.width), static_cast<int>(size.height));
  if (current->picture) current->picture->StartCameraShake();
  current->OnResetDevice();
}

void DS_SlideShow_Light::FrameMove(double t) {
  if (slides.empty()) return;
  if (!current) {
    current = slides[0];
    schedule_.Begin(t, current->Times());
    StartSlide();
    fadeQuad_.reset(new SlideFadeQuad);
    ScreenQuad full;
    BuildRhwColorQuad(*fadeQuad_, 0x00000000, ScreenQuad::FullBackBuffer(ScreenQuad::Init(full)));
    fadeAlpha_ = 0.0f;
    fadeByte_ = 0;
  } else if (slides.size() >= 2) {
    float alpha = 0.0f;
    const int started = schedule_.Advance(t, current->Times(), static_cast<UINT>(slides.size()), &alpha);
    if (started >= 0) {
      // The slide that ended lets go of its pictures once the next has started, so that a picture both
      // show is taken over rather than decoded again.
      const CountedPtr<DS_SlideContainer> ended = current;
      current = slides[static_cast<size_t>(started)];
      StartSlide();
      if (ended.Get() != current.Get()) ended->ReleasePictures();
    }
    fadeAlpha_ = alpha;
    // The buffer is written only when its alpha byte changes: a lock of a buffer the device still draws
    // from waits for it, and most frames show no fade at all.
    const int byte = TruncToByte(alpha * 255.0f);
    if (byte != fadeByte_) {
      SetRhwQuadCornerAlpha(*fadeQuad_, alpha, alpha, alpha, alpha);
      fadeByte_ = byte;
    }
  }
  current->FrameMove(t);
}

bool DS_SlideShow_Light::StartsSlideAt(double t) const {
  if (slides.empty()) return false;
  if (!current) return true;
  return slides.size() >= 2 && schedule_.Ends(t, current->Times());
}

void DS_SlideShow_Light::Render() {
  if (!current) return;
  current->Render();
  current->PostRender();
  if (!fadeQuad_ || !current->picture) return;
  if (fadeByte_ != 0) {
    current->picture->DrawColorQuadRHW(fadeQuad_.get());
  } else {
    // A wholly transparent quad changes no pixel: only the state its draw leaves is set.
    GetRenderDevice().ApplyStates(kBlendOn);
  }
}

bool DS_SlideShow_Light::DrawIconLayer(TexQuad* iconQuad) {
  if (!current || !current->picture) return false;
  current->picture->DrawTexturedQuadRHW(iconQuad);
  return true;
}

void DS_SlideShow_Light::OnLostDevice() {
  for (const CountedPtr<DS_SlideContainer>& slide : slides) slide->OnLostDevice();
}

void DS_SlideShow_Light::OnResetDevice() {
  if (current) current->OnResetDevice();
}

void DS_SlideShow_Light::SetPicturePosition(int mode) {
  for (const CountedPtr<DS_SlideContainer>& slide : slides) slide->SetPicturePosition(mode);
  if (current) current->SetPicturePosition(mode);
}

DS_SlideShow_Light* DS_SlideShow_Light::CreateFromStream(DS_IOF_Virtual** s) {
  ReadSectionHeader(s);
  std::unique_ptr<DS_SlideShow_Light> show(new DS_SlideShow_Light);
  show->ReadSlides(s);
  show->ReadAudioFiles(s);
  return show.release();
}

void DS_SlideShow_Light::ReadSlides(DS_IOF_Virtual** s) {
  DWORD count = 0;
  (*s)->ReadDword(&count);
  for (DWORD i = 0; i < count; ++i) slides.push_back(CountedPtr<DS_SlideContainer>(DS_SlideContainer::CreateFromStream(s)));
}

void DS_SlideShow_Light::ReadAudioFiles(DS_IOF_Virtual** s) {
  DWORD count = 0;
  (*s)->ReadDword(&count);
  for (DWORD i = 0; i < count; ++i) audioFiles.push_back(CountedPtr<DS_AudioFile>(DS_AudioFile::CreateFromStream(s)));
}

void DS_SlideShow_Light::SaveBase(DS_IOF_Virtual** s) {
  WriteSectionHeader(s, u"DS_SlideShow_Light", 1);
  (*s)->WriteDword(static_cast<DWORD>(slides.size()));
  for (const CountedPtr<DS_SlideContainer>& slide : slides) slide->Save(s);
  (*s)->WriteDword(static_cast<DWORD>(audioFiles.size()));
  for (const CountedPtr<DS_AudioFile>& track : audioFiles) track->Save(s);
}

namespace {
void DestroySlideShow(DS_SlideShow_Light* root) { delete root; }
}  // namespace

void RegisterSlideShowReaders() {
  RegisterSlideReaders();
  // A reader installed before (by a test or a tool) is kept.
  if (!CurrentSceneRootReader().read) SetSceneRootReader({&DS_SlideShow_Light::CreateFromStream, &DestroySlideShow});
}
