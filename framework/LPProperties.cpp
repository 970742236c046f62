#include "framework/LPProperties.h"

#include <cmath>

#include "framework/OWObject.h"

namespace tavrel {

bool IsStringValue(TValueType ValueType) {
  return ValueType == vaString || ValueType == vaLString || ValueType == vaWString || ValueType == vaUTF8String;
}

namespace {

const PropInfo& SourceProp(const TPersistent& source, const std::string& name) {
  const PropInfo* p = FindProp(source, name);
  if (!p) throw EPropertyError("Unknown property: '" + name + "' in " + source.ClassName());
  return *p;
}

}  // namespace

PublishedValues ReadPublishedProperties(TPersistent& ADest, TPersistent& ASource, bool ASkipName) {
  PublishedValues out;
  for (const PropInfo* p : AllProps(ADest, true)) {
    if (ASkipName && p->name == "Name") continue;
    if (p->storedConstFalse) continue;
    try {
      if (p->kind == PropKind::Class) {
        auto* dest = dynamic_cast<TPersistent*>(ValueToObject(p->get(ADest)));
        auto* src = dynamic_cast<TPersistent*>(ValueToObject(SourceProp(ASource, p->name).get(ASource)));
        // Only owned sub-objects: references to components and pins stay.
        if (dest && src && !dynamic_cast<TComponent*>(dest) && !dynamic_cast<TOWObject*>(dest))
          out.entries.push_back({p, {}, dest, src});
      } else if (p->writable()) {
        out.entries.push_back({p, SourceProp(ASource, p->name).get(ASource)});
      }
    } catch (const EPropertyError& e) {
      out.missing = e;
      break;
    }
  }
  return out;
}

void ApplyPublishedValues(TPersistent& ADest, const PublishedValues& values) {
  for (auto& e : values.entries)
    if (!e.destObject) SetPropValue(ADest, *e.prop, e.value);
}

void ApplyPublishedObjects(const PublishedValues& values) {
  for (auto& e : values.entries)
    if (e.destObject) e.destObject->Assign(e.sourceObject);
  if (values.missing) throw *values.missing;
}

void CopyPublishedProperties(TPersistent* ADest, TPersistent* ASource, bool ASkipName) {
  if (!ADest || !ASource) throw EConvertError("Cannot copy published properties of nil");
  PublishedValues values = ReadPublishedProperties(*ADest, *ASource, ASkipName);
  ApplyPublishedValues(*ADest, values);
  ApplyPublishedObjects(values);
}

void AssignPublished(TPersistent& ADest, ILPLock& ADestLock, TPersistent& ASource, ILPLock& ASourceLock,
                     bool ASkipName) {
  PublishedValues values;
  {
    Ref<IOWLockSection> reading = ASourceLock.ReadLock();
    values = ReadPublishedProperties(ADest, ASource, ASkipName);
  }
  {
    Ref<IOWLockSection> writing = ADestLock.WriteLock();
    ApplyPublishedValues(ADest, values);
  }
  ApplyPublishedObjects(values);
}

// ---------------------------------------------------------------------------
// _Floats

bool IsFloatsProperty(const PropInfo& prop) {
  return prop.kind == PropKind::Float && prop.typeName != "TDateTime" && prop.typeName != "TDate" &&
         prop.typeName != "TTime";
}

namespace {

// Zero as the form writer sees it: converted to a double, NaN included.
bool IsZeroFloat(const TPersistent& obj, const PropInfo& prop) {
  double d = double(ValueToFloat(prop.get(obj)));
  return std::isnan(d) || d == 0;
}

}  // namespace

bool HasZeroFloats(const TPersistent& obj) {
  for (const PropInfo* p : AllProps(obj))
    if (IsFloatsProperty(*p) && IsZeroFloat(obj, *p)) return true;
  return false;
}

void WriteFloats(TWriter& Writer, const TPersistent& obj) {
  bool opened = false;
  for (const PropInfo* p : AllProps(obj, true)) {
    if (!IsFloatsProperty(*p)) continue;
    long double v = ValueToFloat(p->get(obj));
    if (!(std::isnan(double(v)) || double(v) == 0)) continue;
    if (!opened) Writer.WriteListBegin();
    opened = true;
    Writer.WriteListBegin();
    Writer.WriteIdent(p->name);
    Writer.WriteFloat(v);
    Writer.WriteListEnd();
  }
  if (opened) Writer.WriteListEnd();
}

void ReadFloats(TReader& Reader, TPersistent& obj) {
  Reader.ReadListBegin();
  while (Reader.NextValue() == vaList) {
    Reader.ReadListBegin();
    std::string name = Reader.ReadIdent();
    double value = double(Reader.ReadFloat());
    if (const PropInfo* p = FindProp(obj, name)) {
      try {
        SetPropValue(obj, *p, Value((long double)value));
      } catch (const std::exception&) {
        // A property that refuses the value keeps its own; the rest is read.
      }
    }
    Reader.ReadListEnd();
  }
  Reader.ReadListEnd();
}

void DefineFloatsProperty(TFiler& Filer, TPersistent& obj) {
  Filer.DefineProperty(
      "_Floats", [&obj](TReader& r) { ReadFloats(r, obj); }, [&obj](TWriter& w) { WriteFloats(w, obj); },
      HasZeroFloats(obj));
}

}  // namespace tavrel
