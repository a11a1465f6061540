#include "scene/sprite_prop.h"

#include "scene/doc_res_manager.h"
#include "scene/readers.h"

namespace {

void WriteImageKey(DS_IOF_Virtual** stream, const DS_ImageFileLink& link) {
  if (g_DocResManager) g_DocResManager->RegisterImageForSave(link);
  (*stream)->WriteString(link.GetName());
  (*stream)->WriteInt64(link.GetStamp());
}

}  // namespace

DS_BaseSpriteProp::DS_BaseSpriteProp() {
  count = 1;
  size = 0;
  transparency.SetScaling(-2.55f, 255.0f);
  blendMode = 0;
  colour = 0x00FFFFFF;
  verticalFlip = 0;
  horizontalFlip = 0;
  refillOnFrameChange = 0;
}

DS_BaseSpriteProp::DS_BaseSpriteProp(const DS_BaseSpriteProp& o)
    : DS_ViewObjCtrl(o),
      count(o.count),
      size(o.size),
      transparency(o.transparency),
      blendMode(o.blendMode),
      colour(o.colour),
      phaseRate(o.phaseRate),
      phaseMin(o.phaseMin),
      phaseMax(o.phaseMax),
      sizeFactorMin(o.sizeFactorMin),
      sizeFactorMax(o.sizeFactorMax),
      image(o.image),
      secondImage(o.secondImage),
      reservedCount(o.reservedCount),
      reservedValue(o.reservedValue),
      frameCount(o.frameCount),
      frameRate(o.frameRate),
      animated(o.animated),
      moduleImageSet(o.moduleImageSet),
      verticalFlip(o.verticalFlip),
      horizontalFlip(o.horizontalFlip),
      refillOnFrameChange(o.refillOnFrameChange),
      legacyDurations(o.legacyDurations),
      legacyFrames(o.legacyFrames),
      legacySecondImage(o.legacySecondImage) {}

UINT DS_BaseSpriteProp::NextFrame(UINT i) { return (i + 1) % (frameCount == 0 ? 1 : frameCount); }

void DS_BaseSpriteProp::SaveBase(DS_IOF_Virtual** stream) const {
  WriteSectionHeader(stream, u"DS_BaseSpriteProp", kVersion);
  SaveFields(stream);
}

void DS_BaseSpriteProp::SaveFields(DS_IOF_Virtual** stream) const {
  DS_ViewObjCtrl::SaveBase(stream);
  DS_IOF_Virtual* s = *stream;
  s->WriteUInt(count.GetValue());
  s->WriteUInt(size.GetValue());
  s->WriteUInt(transparency.GetValue());
  s->WriteInt(blendMode.GetValue());
  s->WriteDword(colour.GetValue());
  for (float f : {phaseRate, phaseMin, phaseMax, sizeFactorMin, sizeFactorMax}) s->WriteFloat(f);
  WriteImageKey(stream, image);
  WriteImageKey(stream, secondImage);
  s->WriteUInt(reservedCount);
  s->WriteFloat(reservedValue);
  s->WriteUInt(frameCount);
  s->WriteFloat(frameRate);
  s->WriteBool(animated);
  s->WriteInt(moduleImageSet);
  s->WriteInt(verticalFlip.GetValue());
  s->WriteInt(horizontalFlip.GetValue());
  s->WriteInt(refillOnFrameChange.GetValue());
}

void DS_BaseSpriteProp::ReadBase(DS_IOF_Virtual** stream) { ReadFields(stream, ReadSectionHeader(stream)); }

void DS_BaseSpriteProp::ReadFields(DS_IOF_Virtual** stream, DWORD version) {
  const bool oldest = version < 2;
  DS_ViewObjCtrl::ReadBase(stream);
  DS_IOF_Virtual* s = *stream;
  s->ReadUInt(&count.Raw());
  if (version < 3) s->ReadUInt(&speed.Raw());  // the item clock's speed lived here
  s->ReadUInt(&size.Raw());
  UINT t = 0;
  s->ReadUInt(&t);
  transparency.Change(t);  // the alpha byte follows
  s->ReadInt(&blendMode.Raw());
  s->ReadDword(&colour.Raw());
  for (float* f : {&phaseRate, &phaseMin, &phaseMax, &sizeFactorMin, &sizeFactorMax}) s->ReadFloat(f);
  if (oldest) {
    ReadDocResourceRecordList(stream, &legacyFrames);
    ReadDocResourceRecord(stream, &legacySecondImage);
  } else {
    ReadFileLink(stream, &image);
    ReadFileLink(stream, &secondImage);
  }
  s->ReadUInt(&reservedCount);
  s->ReadFloat(&reservedValue);
  s->ReadUInt(&frameCount);
  s->ReadFloat(&frameRate);
  s->ReadBool(&animated);
  if (oldest) {
    ReadFloatVector(stream, &legacyDurations);
    return;
  }
  if (version < 4) return;
  s->ReadInt(&moduleImageSet);
  if (version < 5) return;
  s->ReadInt(&verticalFlip.Raw());
  s->ReadInt(&horizontalFlip.Raw());
  if (version < 6) return;
  s->ReadInt(&refillOnFrameChange.Raw());
}

void DS_BaseSpriteProp::ResolveLegacyImages() {
  if (!image.GetName().empty() || !g_DocResManager) return;
  // Only oldest-version items carry frames; an item without any keeps an empty link (drawn untextured).
  if (!legacyFrames.empty()) g_DocResManager->MakeImageLinkFromRecords(legacyDurations, legacyFrames, &image);
  if (legacySecondImage.resourceId != 0) g_DocResManager->MakeImageLinkFromRecord(legacySecondImage, &secondImage);
  legacyFrames.clear();
  legacyDurations.clear();
}

void ReadDocResourceRecordList(DS_IOF_Virtual** stream, std::list<DocResourceRecord>* list) {
  DWORD n = 0;
  (*stream)->ReadDword(&n);
  for (DWORD i = 0; i < n; ++i) {
    DocResourceRecord r;
    ReadDocResourceRecord(stream, &r);
    list->push_back(std::move(r));
  }
}

void ReadDocResourceRecord(DS_IOF_Virtual** stream, DocResourceRecord* record) {
  DocResourceRecord fresh;
  (*stream)->ReadResourceRecord(&fresh);
  *record = std::move(fresh);
}
