// A guard for the global state a test changes: it saves a global when it is made and puts the saved
// value back when it goes, also when the test fails midway. A fixture holds one per global it changes

#pragma once

#include <utility>

namespace lumi_test {

template <class T>
class SavedGlobal {
 public:
  explicit SavedGlobal(T& global) : global_(global), saved_(global) {}
  // Saves the global and sets it to value for the guard's life.
  SavedGlobal(T& global, T value) : SavedGlobal(global) { global_ = std::move(value); }
  ~SavedGlobal() { global_ = saved_; }
  SavedGlobal(const SavedGlobal&) = delete;
  SavedGlobal& operator=(const SavedGlobal&) = delete;

 private:
  T& global_;
  T saved_;
};

}  // namespace lumi_test
