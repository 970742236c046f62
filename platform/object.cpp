#include "platform/object.h"

#include "platform/classinfo.h"
#include "platform/exceptions.h"

namespace tavrel {

const ClassInfo& TObject::Class() {
  static const ClassInfo info("TObject", nullptr);
  return info;
}

const std::string& TObject::ClassName() const { return ClassType().name; }

bool TObject::InheritsFrom(const ClassInfo& ancestor) const {
  return ClassType().inheritsFrom(ancestor);
}

const ClassInfo& TPersistent::Class() {
  static const ClassInfo info = ClassBuilder<TPersistent>("TPersistent", TObject::Class()).build();
  return info;
}

void TPersistent::Assign(TPersistent* source) {
  if (source) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError("Cannot assign nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) {
  throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest->ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

TPersistent* TPersistent::GetOwner() { return nullptr; }

}  // namespace tavrel
