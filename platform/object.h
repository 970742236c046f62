#pragma once
// The roots of the class library: TObject (class information, class name)
// and TPersistent (Assign, the form data hook, the owner used for naming).
//
//   class TAudioFormat : public TPersistent {
//     TAVREL_CLASS_INFO
//    public:
//     void Assign(TPersistent* source) override;   // copy from a like object
//     void DefineProperties(TFiler& filer) override; // extra form data values
//   };
//
// Every class that publishes properties or is created by name declares
// TAVREL_CLASS_INFO and defines its static Class() with a ClassBuilder
// (classinfo.h). The default Assign asks the source's AssignTo, which raises
// EConvertError when neither side knows how to copy.
#include <string>

namespace tavrel {

class ClassInfo;
class TFiler;

// Declares the class's static ClassInfo and the virtual that returns it.
#define TAVREL_CLASS_INFO                                      \
 public:                                                       \
  static const ::tavrel::ClassInfo& Class();                   \
  const ::tavrel::ClassInfo& ClassType() const override {      \
    return Class();                                            \
  }                                                            \
                                                               \
 private:

class TObject {
 public:
  virtual ~TObject() = default;

  static const ClassInfo& Class();
  virtual const ClassInfo& ClassType() const { return Class(); }
  const std::string& ClassName() const;
  bool InheritsFrom(const ClassInfo& ancestor) const;

 protected:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
};

class TPersistent : public TObject {
  TAVREL_CLASS_INFO
 public:
  // Copies the state of source into this object; a null source or an
  // unrelated class raises EConvertError.
  virtual void Assign(TPersistent* source);
  // Declares values kept in form data beyond the published properties.
  virtual void DefineProperties(TFiler& filer);
  // The object that owns this one for naming and writing; null by default.
  virtual TPersistent* GetOwner();

 protected:
  virtual void AssignTo(TPersistent* dest);
};

}  // namespace tavrel
