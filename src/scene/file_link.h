// File links: parameters whose value is the key under which the document resource manager keeps a
// picture, mesh or effect. Items never hold the data themselves.
#pragma once

#include "platform/types.h"
#include "scene/doc_keys.h"
#include "scene/media_param.h"
#include "scene/undo.h"

class DS_IOF_Virtual;
struct DocResourceRecord;

// Running number that gives links made from records without a resource id their stamps. Only grows.
extern int g_FileLinkCounter;

class DS_FileLink3 : public MediaParam {
 public:
  DS_FileLink3() = default;
  // A file on disk: the path and its last-write time in seconds since 1970 (0 when unreadable).
  explicit DS_FileLink3(const ds_string& path);
  // A numbered resource of a module; the id sign-extended.
  DS_FileLink3(int resourceId, const ds_string& module);
  explicit DS_FileLink3(const DocFileKey& key) : key_(key) {}
  // A module record keys by module name and id (widened without sign); a record without an id by its
  // name and the next running number.
  explicit DS_FileLink3(const DocResourceRecord& record);
  // The key only; observers are not copied.
  DS_FileLink3(const DS_FileLink3& o) : MediaParam(), key_(o.key_) {}
  DS_FileLink3& operator=(const DS_FileLink3& o) {
    key_ = o.key_;
    return *this;
  }

  const DocFileKey& GetKey() const { return key_; }
  const ds_string& GetName() const { return key_.name; }
  INT64 GetStamp() const { return key_.stamp; }
  // The key itself, for readers that store without notifying anybody.
  DocFileKey& Raw() { return key_; }
  void SetKey(const DocFileKey& key, MediaControl* sender) {
    key_ = key;
    NotifyChanged(sender);
  }
  // Stores and notifies everybody only when the key differs.
  bool Change(const DocFileKey& key);

  // The name from its last '.' on, in lower case; empty when the name has no '.'.
  ds_string* GetExtension(ds_string* out) const;

 private:
  DocFileKey key_;
};

// Names an effect.
class DS_HLSLEffectFile : public DS_FileLink3 {
 public:
  using DS_FileLink3::DS_FileLink3;
  DS_HLSLEffectFile() = default;
  explicit DS_HLSLEffectFile(const DS_FileLink3& o) : DS_FileLink3(o) {}
};

// Names an X mesh.
class DS_MeshFile : public DS_FileLink3 {
 public:
  using DS_FileLink3::DS_FileLink3;
  DS_MeshFile() = default;
  explicit DS_MeshFile(const DS_FileLink3& o) : DS_FileLink3(o) {}
};

// Names an image or an animated image set; carries its own undo control as its first observer.
class DS_ImageFileLink : public DS_FileLink3 {
 public:
  // Undo of an image link's key. Unlike a typed parameter's, Undo and Redo always write the key back
  // and notify, even when the restored key equals the current one.
  class UndoImage : public UndoCtrl {
   public:
    explicit UndoImage(DS_ImageFileLink* owner) : owner_(owner) {}
    void Detach() override { owner_ = nullptr; }
    void OnChanged(MediaControl* sender) override;
    void Undo() override;
    void Redo() override;
    void Store() override { history_.Push(snapshot_); }

    const DocFileKey& Snapshot() const { return snapshot_; }
    const UndoHistory<DocFileKey>& History() const { return history_; }

   private:
    void Restore();

    DS_ImageFileLink* owner_;
    DocFileKey snapshot_;
    UndoHistory<DocFileKey> history_;
  };

  DS_ImageFileLink() : undo_(this) { HookUndo(); }
  explicit DS_ImageFileLink(const DS_FileLink3& o) : DS_FileLink3(o), undo_(this) { HookUndo(); }
  DS_ImageFileLink(int resourceId, const ds_string& module) : DS_ImageFileLink(DS_FileLink3(resourceId, module)) {}
  DS_ImageFileLink(const DS_ImageFileLink& o) : DS_FileLink3(o), undo_(this) { HookUndo(); }
  // Copies the key; only the undo control takes its snapshot.
  DS_ImageFileLink& operator=(const DS_ImageFileLink& o);
  // The undo control is a member and dies before the base: unhook it first.
  ~DS_ImageFileLink() override { RemoveObserver(&undo_); }

  void Edit(void* context, MediaControl* sender) override {}

  UndoImage& UndoControl() { return undo_; }
  const UndoImage& UndoControl() const { return undo_; }

 private:
  void HookUndo() {
    AddObserver(&undo_);
    undo_.OnChanged(nullptr);
  }

  UndoImage undo_;
};

// Name (string) and stamp (int64) into the link's key; nobody is notified. A stored empty name empties
// the link's name.
void ReadFileLink(DS_IOF_Virtual** stream, DS_FileLink3* link);
// Has the document resource manager keep the link's data for saving (when the name is not empty), then
// writes name and stamp. Image links are registered by their item before they are written.
void WriteFileLink(DS_IOF_Virtual** stream, const DS_FileLink3& link);
