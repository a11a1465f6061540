#include "lights/camera.h"

#include <cmath>

#include "platform/noise.h"
#include "render/projection.h"
#include "scene/readers.h"
#include "scene/stream.h"

namespace {
const char16_t kCameraClass[] = u"DSM_Camera";
const DWORD kCameraVersion = 1;
const double kMaxStep = 0.2;

// A random number in 0..2 from one draw, as a float.
double RandomSpan() { return static_cast<double>(CrtRand()) / kCrtRandMax * 2.0; }
}  // namespace

DSM_Camera::DSM_Camera() : fromX(0), toX(0), fromY(0), toY(0), start(0), end(0) {
  enable.Raw() = 0;
  amplitude.SetScaling(0.01f, 0.0f);
  amplitude.SetValue(120, nullptr);
  speed.SetScaling(0.02f, 0.0f);
  speed.SetValue(50, nullptr);
  shakeMode.Raw() = 0;
}

void DSM_Camera::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, kCameraClass, kCameraVersion);
  DS_IOF_Virtual* s = *stream;
  s->WriteInt(enable.GetValue());
  s->WriteUInt(amplitude.GetValue());
  s->WriteUInt(speed.GetValue());
}

DSM_Camera* DSM_Camera::CreateFromStream(DS_IOF_Virtual** stream) {
  ReadSectionHeader(stream);
  DSM_Camera* camera = new DSM_Camera;
  try {
    ReadFields(stream, camera);
  } catch (...) {
    delete camera;
    throw;
  }
  return camera;
}

bool DSM_Camera::ReadFields(DS_IOF_Virtual** stream, DSM_Camera* camera) {
  DS_IOF_Virtual* s = *stream;
  s->ReadInt(&camera->enable.Raw());
  UINT v = 0;
  s->ReadUInt(&v);
  camera->amplitude.Change(v);
  v = 0;
  s->ReadUInt(&v);
  camera->speed.Change(v);
  return true;
}

void DSM_Camera::Assign(const DSM_Camera& source) {
  enable = source.enable.GetValue();
  amplitude.SetScaling(source.amplitude.GetScale(), source.amplitude.GetOffset());
  amplitude.SetValue(source.amplitude.GetValue(), nullptr);
  speed.SetScaling(source.speed.GetScale(), source.speed.GetOffset());
  speed.SetValue(source.speed.GetValue(), nullptr);
  clock_ = source.clock_;
  lastTime_ = source.lastTime_;
  shakeMode.Raw() = source.shakeMode.GetValue();
  fromX = source.fromX;
  toX = source.toX;
  fromY = source.fromY;
  toY = source.toY;
  start = source.start;
  end = source.end;
}

bool DSM_Camera::StartShake() {
  const bool was = IsShaking();
  shakeMode.Raw() = 1;
  fromX = toX = fromY = toY = 0.0f;
  start = end = 0.0;
  return was;
}

void DSM_Camera::PickNextShake(double p) {
  start = p;
  fromX = toX;
  fromY = toY;
  if (CrtRand() % 2 == 0) {
    end = start + 0.5;  // rest where the last move ended
    return;
  }
  toX = static_cast<float>(RandomSpan()) - 1.0f;
  toY = static_cast<float>(RandomSpan()) - 1.0f;
  end = static_cast<double>(static_cast<float>(RandomSpan() + 5.0)) + start;
}

CameraZoom DSM_Camera::Update(double t, LetterboxProjection& projection) {
  // The clock runs whether or not the camera shakes; time going backwards gives no step.
  if (lastTime_ > t) lastTime_ = t;
  double step = t - lastTime_;
  if (step > kMaxStep) step = kMaxStep;
  clock_ += step * static_cast<double>(speed.GetResult());
  lastTime_ = t;

  CameraZoom z = {1.0f, 0.0f, 0.0f};
  if (enable.GetValue() != 0 && IsShaking()) {
    const double p = clock_;
    if (p >= end) PickNextShake(p);
    z.zoom = amplitude.GetResult();
    const double f = (1.0 - std::cos(3.1415927 * (p - start) / (end - start))) * 0.5;
    z.x = static_cast<float>(fromX + f * (toX - fromX));
    z.y = static_cast<float>(fromY + f * (toY - fromY));
  }
  projection.SetZoom(z.zoom, z.x, z.y);
  return z;
}

CameraZoom DSM_Camera::Update(double t) { return Update(t, g_LetterboxProjection); }
