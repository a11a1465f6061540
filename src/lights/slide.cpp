#include "lights/slide.h"

#include <algorithm>

#include "lights/light_2d.h"
#include "scene/doc_res_manager.h"
#include "scene/item_bases.h"
#include "scene/readers.h"
#include "scene/stream.h"

DS_SlideContainer::DS_SlideContainer() { SetDefaults(); }

DS_SlideContainer::~DS_SlideContainer() {}

void DS_SlideContainer::SetDefaults() {
  fadeIn = 1u;
  fadeOut = 1u;
  show = 10u;
  unused = 0;
}

SlideTimes DS_SlideContainer::Times() const {
  SlideTimes t;
  t.fadeIn = fadeIn.GetValue();
  t.fadeOut = fadeOut.GetValue();
  t.show = show.GetValue();
  return t;
}

void DS_SlideContainer::SaveBase(DS_IOF_Virtual** s) {
  WriteSectionHeader(s, u"DS_SlideContainer", 1);
  (*s)->WriteUInt(fadeIn.GetValue());
  (*s)->WriteUInt(fadeOut.GetValue());
  (*s)->WriteUInt(show.GetValue());
  (*s)->WriteInt(unused.GetValue());
  (*s)->WriteString(name.GetValue());
  if (picture) {
    picture->Save(s);
  } else {
    DS_2D_Light plain;  // a slide always stores a light
    plain.Save(s);
  }
  DWORD count = static_cast<DWORD>(items.size());
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o && o->item) ++count;
  (*s)->WriteDword(count);
  for (const auto& item : items) item->Save(s);
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o && o->item) o->item->Save(s);
}

DS_SlideContainer* DS_SlideContainer::CreateFromStream(DS_IOF_Virtual** s) {
  return CreateFromRegistry(GetSlideContainerReaderRegistry(), s);
}

DS_SlideContainer* DS_SlideContainer::CreateAndRead(DS_IOF_Virtual** s, DWORD /*version*/) {
  std::unique_ptr<DS_SlideContainer> slide(new DS_SlideContainer);
  slide->ReadFields(s);
  return slide.release();
}

void DS_SlideContainer::ReadFields(DS_IOF_Virtual** s) {
  (*s)->ReadUInt(&fadeIn.Raw());
  (*s)->ReadUInt(&fadeOut.Raw());
  (*s)->ReadUInt(&show.Raw());
  (*s)->ReadInt(&unused.Raw());
  (*s)->ReadString(&name.Raw());
  picture = CountedPtr<DS_2D_Light>(DS_2D_Light::CreateFromStream(s));
  ReadItems(s);
}

void DS_SlideContainer::ReadItems(DS_IOF_Virtual** s) {
  DWORD count = 0;
  (*s)->ReadDword(&count);
  for (DWORD i = 0; i < count; ++i)
    items.emplace_back(DS_ABObj_Constructor::CreateFromStream(s));
}

void DS_SlideContainer::CreateObjects() {
  if (objectsCreated_) return;
  objectsCreated_ = true;
  if (picture) {
    picture->OnCreateDevice();
    picture->Resize(1, 1);
  }
  for (const auto& item : items)
    if (DS_ABObj* o = item->CreateRenderObject()) renderObjects.push_back(CountedPtr<DS_ABObj>(o));
  items.clear();
  if (pendingPicturePosition_ >= 0) {
    const int mode = pendingPicturePosition_;
    pendingPicturePosition_ = -1;
    SetPicturePosition(mode);
  }
}

void DS_SlideContainer::FrameMove(double t) {
  if (picture) picture->FrameMove(t);
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o) o->Update(t);
}

int DS_SlideContainer::CountOffscreenPasses() const {
  int n = 0;
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o && o->NeedsSourceTexture() != 0) ++n;
  if (picture && picture->NeedsOffscreen()) ++n;
  return n;
}

void DS_SlideContainer::Render() {
  if (!picture) return;
  const int n = CountOffscreenPasses();
  picture->compositionReaders = n - (picture->NeedsOffscreen() ? 1 : 0);
  picture->nothingOverPicture = std::none_of(renderObjects.begin(), renderObjects.end(),
                                             [](const CountedPtr<DS_ABObj>& o) { return static_cast<bool>(o); });
  if (n > 0) picture->BeginOffscreen();
  picture->RenderBackground();
  DS_2D_Light::ApplyEffectChain(picture.Get(), renderObjects, n);
}

void DS_SlideContainer::PostRender() {
  if (picture) picture->PostRender();
}

void DS_SlideContainer::ReleasePictures() {
  if (!objectsCreated_) return;
  if (picture) picture->ReleasePictures();
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o) o->ReleasePictures();
  if (g_DocResManager) g_DocResManager->UnbindEffectTextures();
}

void DS_SlideContainer::RemakePictures() {
  if (picture) picture->RemakePictures();
  for (const CountedPtr<DS_ABObj>& o : renderObjects)
    if (o) o->RemakePictures();
}

void DS_SlideContainer::Resize(int width, int height) {
  if (picture) picture->Resize(width, height);
}

void DS_SlideContainer::SetPicturePosition(int mode) {
  if (!objectsCreated_) {
    pendingPicturePosition_ = mode;
    return;
  }
  if (picture) picture->SetPicturePosition(mode);
}

void DS_SlideContainer::OnResetDevice() {
  if (picture) picture->OnResetDevice();
}

CountedPtr<DS_2D_Light> DS_SlideContainer::GetPicture() const { return picture; }

void DS_SlideContainer::OnLostDevice() {
  if (objectsCreated_ && picture) picture->OnLostDevice();
}

void RegisterSlideReaders() {
  RegisterClassReader<DS_SlideContainer, DS_SlideContainer>(GetSlideContainerReaderRegistry(), u"DS_SlideContainer");
}
