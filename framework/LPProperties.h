#pragma once
// Published-property helpers of the component base classes: copying
// between objects, the `_Floats` form-data value, and the string test of
// form values.
//
//   CopyPublishedProperties(&dest, &source, /*ASkipName=*/true);
//   AssignPublished(*this, FLock, *src, src->FLock, true);   // from Assign
//
//   void TMyPersistent::DefineProperties(TFiler& Filer) {
//     TPersistent::DefineProperties(Filer);
//     DefineFloatsProperty(Filer, *this);
//   }
//
// Copying walks the destination's published properties sorted by name,
// skips Name (when asked) and never-stored ones, hands owned sub-objects
// (persistents that are neither components nor TOWObjects) to their own
// Assign, and copies every other writable property by name. A source that
// lacks one of them raises EPropertyError after the earlier ones are copied.
//
// AssignPublished reads the source under the source's read lock, then
// writes under the destination's write lock, never holding both; owned
// sub-objects are assigned afterwards, each under its own locks.
//
// The form writer drops float properties equal to 0 (or NaN). `_Floats`
// keeps them: a list of (identifier, 80-bit float) pairs for every float
// property of value 0 whose type is not TDateTime, TDate or TTime; written
// only when there is at least one. Reading skips entries naming no
// property or whose value the property refuses.
#include <optional>
#include <vector>

#include "framework/LPLock.h"
#include "platform/filer.h"

namespace tavrel {

// vaString, vaLString, vaWString or vaUTF8String.
bool IsStringValue(TValueType ValueType);

// The values a copy will write, read from the source.
struct PublishedValues {
  struct Entry {
    const PropInfo* prop = nullptr;  // the destination's property
    Value value;
    TPersistent* destObject = nullptr;  // an owned sub-object to Assign
    TPersistent* sourceObject = nullptr;
  };
  std::vector<Entry> entries;
  std::optional<EPropertyError> missing;  // the source lacked a property
};

PublishedValues ReadPublishedProperties(TPersistent& ADest, TPersistent& ASource, bool ASkipName);
// Writes the plain values (no sub-objects).
void ApplyPublishedValues(TPersistent& ADest, const PublishedValues& values);
// Assigns the sub-objects, then raises the source's missing property.
void ApplyPublishedObjects(const PublishedValues& values);

void CopyPublishedProperties(TPersistent* ADest, TPersistent* ASource, bool ASkipName);
void AssignPublished(TPersistent& ADest, ILPLock& ADestLock, TPersistent& ASource, ILPLock& ASourceLock,
                     bool ASkipName);

// Whether the property takes part in `_Floats`.
bool IsFloatsProperty(const PropInfo& prop);
bool HasZeroFloats(const TPersistent& obj);
void WriteFloats(TWriter& Writer, const TPersistent& obj);
void ReadFloats(TReader& Reader, TPersistent& obj);
void DefineFloatsProperty(TFiler& Filer, TPersistent& obj);

}  // namespace tavrel
