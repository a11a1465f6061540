// Sections in older stored versions, for the fuzzer's seeds: the save methods write only the current
// version, while the readers still branch on the older ones. A scene description wraps an object in
//
//   light OlderVersion <section class> <version> { light <Class> { ... } }
//   item OlderVersion <section class> <version> { item <Class> { ... } }
//   scene OlderVersion DS_DocResManager <version> { scene DS_SlideShow_Light { ... } }
//
// and the object is saved as usual, except that the section of <section class> (its own or a base's
// section that ends the object's save) is written in <version>, with the fields that version stored.
// The sections and versions that can be written are listed in older_sections.cpp.
#pragma once

// Lets scene descriptions name "OlderVersion".
void RegisterOlderSectionBuilder();
