#include "scene/readers.h"

bool ClaimReaderClassName(const ds_string& name, const void* owner) {
  static std::map<ds_string, const void*> owners;
  auto it = owners.find(name);
  if (it != owners.end()) return it->second == owner;
  owners.emplace(name, owner);
  return true;
}

LightReaderRegistry& GetLightReaderRegistry() {
  static LightReaderRegistry registry;
  return registry;
}

SlideContainerReaderRegistry& GetSlideContainerReaderRegistry() {
  static SlideContainerReaderRegistry registry;
  return registry;
}

ConstructorReaderRegistry& GetConstructorReaderRegistry() {
  static ConstructorReaderRegistry registry;
  return registry;
}

DWORD ReadSectionHeader(DS_IOF_Virtual** stream) {
  ds_string name;
  (*stream)->ReadString(&name);
  DWORD version = 0;
  (*stream)->ReadDword(&version);
  return version;
}

void WriteSectionHeader(DS_IOF_Virtual** stream, const ds_string& className, DWORD version) {
  (*stream)->WriteString(className);
  (*stream)->WriteDword(version);
}
