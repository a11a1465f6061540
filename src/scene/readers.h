// Reader registries: how a list whose element class varies (a slide's picture light, the slides of a slide
// show, the scene items of a slide) finds the class to build from the class name stored in its section.
//
// Each family has one registry from class name (ordinal, case-sensitive) to one stateless reader object
// per class. A class name is held by at most one registry. Registration is explicit: each subsystem has a
// registration function, and the application runs all of them before it reads the first document
// (registration objects in a static library would be dropped by the linker).
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/types.h"
#include "scene/stream.h"

class DS_ABObj_Constructor;
class DS_2D_Light;
class DS_SlideContainer;

// Reader interface of family B: makes a new object and reads the rest of its section (after the class
// name and version) for the given version. The caller owns the result.
template <class B>
class IOF_Virtual_ReaderII {
 public:
  virtual ~IOF_Virtual_ReaderII() {}
  virtual B* Create(DS_IOF_Virtual** stream, DWORD version) const = 0;
};

// The reader of class T in family B: T::CreateAndRead(stream, version) returns a new T* (it builds the
// object with its default constructor and reads the section body in the class's order).
template <class T, class B>
class IOF_Virtual_ReaderT_II : public IOF_Virtual_ReaderII<B> {
 public:
  B* Create(DS_IOF_Virtual** stream, DWORD version) const override { return T::CreateAndRead(stream, version); }
};

// The scene-item family.
using IOF_Virtual_Reader = IOF_Virtual_ReaderII<DS_ABObj_Constructor>;
template <class T>
using IOF_Virtual_ReaderT = IOF_Virtual_ReaderT_II<T, DS_ABObj_Constructor>;

// Claims name for the registry identified by owner; false when another registry holds it already.
bool ClaimReaderClassName(const ds_string& name, const void* owner);

template <class B>
class ReaderRegistry {
 public:
  using Reader = IOF_Virtual_ReaderII<B>;

  // Null when the name has no reader here.
  const Reader* Find(const ds_string& name) const {
    auto it = readers_.find(name);
    return it == readers_.end() ? nullptr : it->second;
  }
  // False, changing nothing, when another registry holds the name.
  bool Add(const ds_string& name, const Reader* reader) {
    if (!ClaimReaderClassName(name, this)) return false;
    readers_[name] = reader;
    return true;
  }
  size_t Size() const { return readers_.size(); }
  // Every name held, in order.
  std::vector<ds_string> Names() const {
    std::vector<ds_string> names;
    for (const auto& entry : readers_) names.push_back(entry.first);
    return names;
  }

 private:
  std::map<ds_string, const Reader*> readers_;
};

using LightReaderRegistry = ReaderRegistry<DS_2D_Light>;
using SlideContainerReaderRegistry = ReaderRegistry<DS_SlideContainer>;
using ConstructorReaderRegistry = ReaderRegistry<DS_ABObj_Constructor>;

// Built empty on first use, destroyed at exit.
LightReaderRegistry& GetLightReaderRegistry();
SlideContainerReaderRegistry& GetSlideContainerReaderRegistry();
ConstructorReaderRegistry& GetConstructorReaderRegistry();

// Registers the static reader of class T under name in registry, once per class (later calls do
// nothing). False when the name belongs to another registry.
template <class T, class B>
bool RegisterClassReader(ReaderRegistry<B>& registry, const ds_string& name) {
  static const IOF_Virtual_ReaderT_II<T, B> reader;
  static bool registered = false;
  if (registered) return true;
  if (!registry.Add(name, &reader)) return false;
  registered = true;
  return true;
}

// Create-by-name: reads the class name and the version, finds the name in registry and returns the new
// object its reader makes (owned by the caller). A name without a reader throws DocFormatError: nothing
// records the length of an unknown object, so the rest of the document cannot be read.
template <class B>
B* CreateFromRegistry(const ReaderRegistry<B>& registry, DS_IOF_Virtual** stream) {
  ds_string name;
  (*stream)->ReadString(&name);
  DWORD version = 0;
  (*stream)->ReadDword(&version);
  const IOF_Virtual_ReaderII<B>* reader = registry.Find(name);
  if (!reader) throw DocFormatError("class name without a reader");
  return reader->Create(stream, version);
}

// Reads a section header (class name and version) whose class is fixed by its place; the name is not
// compared. Returns the version.
DWORD ReadSectionHeader(DS_IOF_Virtual** stream);
// Writes a section header.
void WriteSectionHeader(DS_IOF_Virtual** stream, const ds_string& className, DWORD version);
