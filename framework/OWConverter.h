#pragma once
// Format converters: a component without owner, with one input and one
// output pin, placed in a link whose two pins share no data type. It lives
// exactly as long as IOWFormatConverter references to it exist (the source
// pin that placed it holds one, a delivery in progress another).
//
//   class TAToB : public TOWFormatConverter {
//    public:
//     static Ref<IOWFormatConverter> CreateConverter() {
//       Ref<TAToB> c = MakeRef<TAToB>();
//       auto out = std::make_unique<TMyOut>(c.get(), c->Lock());   // output pin first
//       auto in = std::make_unique<TMyIn>(c.get(), c->Lock());
//       c->CreatePins(std::move(in), std::move(out));
//       return c;
//     }
//   };
//   RegisterTypeConverter(IID_A, IID_B, &TAToB::CreateConverter);
//
// Both pins share the converter's lock as their owner lock. On the last
// release both pins are disconnected and freed.
//
// A converter class registered in the class registry is also found by
// name (CreateConverterByName); its ClassInfo makes converters only
// without owner, so form data cannot make one a component of a form.
#include <memory>
#include <string_view>

#include "framework/OWPins.h"
#include "platform/exceptions.h"

namespace tavrel {

inline constexpr Guid IID_IOWFormatConverter{0xF8E1AE7F, 0xABD3, 0x4BC0, {0x98, 0x4D, 0x2C, 0xC3, 0x4D, 0x2D, 0x83, 0xCB}};

class IOWFormatConverter : public virtual RefCounted {
 public:
  virtual TOWFormatConverter* Instance() = 0;
};

class TOWFormatConverter : public TComponent, public IOWFormatConverter {
  TAVREL_CLASS_INFO
 public:
  TOWFormatConverter();
  // The base converter has no pins.
  static Ref<IOWFormatConverter> CreateConverter();

  TOWFormatConverter* Instance() override { return this; }
  const Ref<IOWLock>& Lock() const { return FLock; }
  TOWSinkPin* InputPin() const { return FInputPin.get(); }
  TOWSourcePin* OutputPin() const { return FOutputPin.get(); }

  // Makes the input pin a function source of the output pin.
  void CreatePins(std::unique_ptr<TOWSinkPin> AInputPin, std::unique_ptr<TOWSourcePin> AOutputPin);
  // An operation from downstream, passed on through the input pin.
  TOWNotifyResult ForwardUpstream(IOWStream* Sender, const TDataTypeID& DataTypeID, IOWNotifyOperation* Operation,
                                  TOWNotifyState State);

 protected:
  ~TOWFormatConverter() override;

 private:
  Ref<IOWLock> FLock;
  std::unique_ptr<TOWSinkPin> FInputPin;
  std::unique_ptr<TOWSourcePin> FOutputPin;
};

// A converter of the format converter class registered under AClassName
// in the class registry; null when no such class is registered.
Ref<IOWFormatConverter> CreateConverterByName(std::string_view AClassName);

// The creator of a converter class's ClassInfo: a new C (no reference
// taken yet); EOWException when asked for one with an owner.
template <class C>
TObject* NewFormatConverter(TComponent* AOwner) {
  if (AOwner) throw EOWException("A format converter is never part of a form");
  return new C();
}

}  // namespace tavrel
