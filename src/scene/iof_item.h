// Base of every persistent class of the document.
#pragma once

class DS_IOF_Virtual;

class DS_IOF_Item {
 public:
  virtual ~DS_IOF_Item() {}
  // Writes the object's section: class name, version, fields, base sections, as its reader takes them.
  virtual void Save(DS_IOF_Virtual** stream) = 0;
};
