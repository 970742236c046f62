#pragma once
// Reading and writing a root component (a form) and the components it
// owns through the binary form data of filer.h.
//
//   auto form = TComponent::CreateUnowned<TFMMain>();   // publishes its methods
//   ReadRootComponent(*form, ObjectTextToBinary(text)); // formtext.h
//   std::vector<uint8_t> bytes = WriteRootComponent(*form);
//
// Layout: the signature "TVF0", then the root as a component: class name
// and component name (short strings), its properties up to a 0 byte, the
// components stored inside it (each the same way) up to a 0 byte.
//
// Reading:
//  1. The whole stream is checked for well-formed values first; a
//     malformed, truncated or hostile stream raises EReadError before
//     anything changes.
//  2. The root gets csLoading|csReading and its stored name (made unique
//     among its owner's components as Name_1, Name_2...).
//  3. Each stored component is created by class name (ClassRegistry) with
//     the root as owner, named, given the component it is stored under
//     (SetParentComponent; the root for those stored at the top level),
//     and has its properties read. A property name may be a dotted path
//     through object properties; its last part is offered to the object's
//     DefineProperties first, then looked up among its published
//     properties. Collections are read item by item, event names through
//     the root's method table, and references to components by name once
//     every component exists.
//  4. Loaded is called on the root and every component that joined the
//     load, in order (TComponent::EndLoading).
// Any failure in 2-3 raises EReadError naming the component and property,
// destroys every component the read added to the root, restores the
// root's name and clears the loading flags; Loaded is not called. Values
// already assigned to the root's own properties keep their new values.
//
// Writing stores the published properties that are stored and differ from
// their default (floats equal to 0 or NaN and empty strings are never
// written), owned sub-objects as dotted paths, collections, references to
// components by name, events by handler name, then what DefineProperties
// declares; then the components of GetChildren.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/filer.h"

namespace tavrel {

void ReadRootComponent(TComponent& root, std::span<const uint8_t> data);
std::vector<uint8_t> WriteRootComponent(TComponent& root);

// True while some thread reads form data.
bool IsReadingForm();

// The four bytes every form stream starts with.
inline constexpr char kFormSignature[4] = {'T', 'V', 'F', '0'};

}  // namespace tavrel
