#include "dxut/app_clock.h"

LONGLONG AppClock::Ticks() { return stopped_ ? stopAt_ : source_->Now(); }

void AppClock::Reset() {
  frequency_ = 0;
  if (!source_ || !source_->Frequency(&frequency_) || frequency_ <= 0) {
    frequency_ = 0;
    return;
  }
  base_ = source_->Now();
  stopAt_ = base_;
  stopped_ = false;
}

void AppClock::Stop() {
  if (frequency_ == 0 || stopped_) return;
  stopAt_ = source_->Now();
  stopped_ = true;
}

void AppClock::Start() {
  if (frequency_ == 0 || !stopped_) return;
  base_ += source_->Now() - stopAt_;
  stopped_ = false;
}

double AppClock::GetTime() {
  if (frequency_ == 0) return -1.0;
  return static_cast<double>(Ticks() - base_) / static_cast<double>(frequency_);
}
