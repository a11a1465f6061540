// The underwater light: the whole slide, picture and scene items alike, seen through moving water. The
// slide is always drawn off-screen; the post pass draws the finished image to the back buffer through an
// embedded underwater wobble, whose settings are the light's only ones.
#pragma once

#include "lights/light_2d.h"
#include "fx/underwater_fx.h"

class FakeUndervater : public DS_2D_Light {
 public:
  static const DWORD kVersion = 2;

  // "FakeUndervater", version 2, the wobble's own section, the base section.
  void Save(DS_IOF_Virtual** stream) override;
  static FakeUndervater* CreateAndRead(DS_IOF_Virtual** stream, DWORD version);
  // Version 1 holds only the wobble's clock speed, in units of half the present ones.
  static void ReadFields(DS_IOF_Virtual** stream, DWORD version, FakeUndervater* light);

  // The base's set-up, then the wobble's effect from the document (no mask).
  void OnCreateDevice() override;
  void OnLostDevice() override { DS_2D_Light::OnLostDevice(); }
  void RenderBackground() override { DS_2D_Light::RenderBackground(); }
  // The camera shake, then the wobble's clock.
  void FrameMove(double seconds) override;
  // Ends the off-screen pass and draws its image through the wobble, then the bars. Without an effect
  // the image is drawn unchanged over the picture quad, so the slide never goes black.
  void PostRender() override;
  bool NeedsOffscreen() override { return true; }

  DS_UnderwaterFX underwater;

 private:
  // The source texture over the picture quad with the fixed-function stages, as the picture is drawn.
  void DrawSourcePlain();
};

void RegisterUnderwaterLightReader();
