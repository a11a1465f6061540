#include "dxut/device_objects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3d9_types.h"

namespace {

std::vector<std::string> g_calls;

class LoggingOwner : public DeviceObjects {
 public:
  explicit LoggingOwner(std::string name) : name_(std::move(name)) {}
  void CreateDeviceObjects() override { g_calls.push_back("create " + name_); }
  void InvalidateDeviceObjects() override { g_calls.push_back("invalidate " + name_); }

 private:
  std::string name_;
};

using Calls = std::vector<std::string>;

// The scene's own operations come outside the registry's passes: it lets go of what it holds on the
// owners' objects before they go, and sets itself up once they are back. A failed reset makes nothing.
TEST(DeviceLifetime, LossAndResetRunInOneOrder) {
  LoggingOwner older("older"), newer("newer");
  struct Case {
    bool resets;
    Calls expected;
  } cases[] = {
      {true, {"scene lost", "invalidate newer", "invalidate older", "reset", "create older", "create newer",
              "scene reset"}},
      {false, {"scene lost", "invalidate newer", "invalidate older", "reset"}},
  };
  for (const Case& c : cases) {
    g_calls.clear();
    const bool reset = LoseAndResetDevice([] { g_calls.push_back("scene lost"); },
                                          [&] {
                                            g_calls.push_back("reset");
                                            return c.resets;
                                          },
                                          [] { g_calls.push_back("scene reset"); });
    EXPECT_EQ(reset, c.resets);
    EXPECT_EQ(g_calls, c.expected) << "reset " << c.resets;
  }
}

// A reference on another owner's default-pool object is let go by the registry's pass.
TEST(DeviceLifetime, ObjectReferencesGoWithTheLoss) {
  struct Counted : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    ULONG refs = 1;
  } target;
  DeviceObjectRef<IUnknown> ref;
  ref.Share(&target);
  EXPECT_EQ(target.refs, 2u);
  LoseDeviceObjects(nullptr);
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_EQ(target.refs, 1u);
  RestoreDeviceObjects(nullptr);
  EXPECT_EQ(ref.Get(), nullptr) << "nothing of another owner's is taken again";
}

}  // namespace
