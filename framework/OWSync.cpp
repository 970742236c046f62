#include "framework/OWSync.h"

#include "platform/classinfo.h"

namespace tavrel {

const ClassInfo& TOWEvent::Class() {
  static const ClassInfo ci = ClassBuilder<TOWEvent>("TOWEvent", TObject::Class()).build();
  return ci;
}

const ClassInfo& TOWMutex::Class() {
  static const ClassInfo ci = ClassBuilder<TOWMutex>("TOWMutex", TObject::Class()).build();
  return ci;
}

const ClassInfo& TOWSemaphore::Class() {
  static const ClassInfo ci = ClassBuilder<TOWSemaphore>("TOWSemaphore", TObject::Class()).build();
  return ci;
}

const ClassInfo& TOWCriticalSection::Class() {
  static const ClassInfo ci =
      ClassBuilder<TOWCriticalSection>("TOWCriticalSection", TObject::Class()).build();
  return ci;
}

}  // namespace tavrel
