// A scene root for builds that have no slide show class yet, so that fuzzing reaches the scene items and
// the resource manager: its section is a class name, a version, a count and that many scene items read
// by class name. Used only when no real scene root reader is installed.
#pragma once

#include <memory>
#include <vector>

#include "scene/item_bases.h"

struct StandInSceneRoot : DS_IOF_Item {
  std::vector<std::unique_ptr<DS_ABObj_Constructor>> items;
  void Save(DS_IOF_Virtual** stream) override;
};

// Installs the stand-in's reader when RegisterAllReaders installed none.
void UseStandInRootIfNeeded();
// Lets scene descriptions name "StandInSceneRoot" (its block: "item <Class> { ... }" statements).
void RegisterStandInRootBuilder();
