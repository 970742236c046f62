#pragma once
// Operations: everything that travels over a pin link. A sender makes one,
// hands it to a pin's Notify and drops its reference when Notify returns;
// every receiver of that delivery sees the same object.
//
//   Ref<IOWNotifyOperation> op = MakeRef<TOWSuppliedRealOperation>(0.5);
//   pin->Notify(op.get());
//   // in a receiver: the kind is a class test, descendants included
//   if (auto* v = dynamic_cast<TOWSuppliedRealOperation*>(Operation->Instance())) use(v->Value);
//
// Each operation takes a process-wide OperationID (1, 2, ... wrapping at
// 2^32) from an atomic counter. Value fields are fixed once built; only the
// pump request is written back by its receivers (the sender reads Pump
// after Notify returns to learn whether it kept the pump role).
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/guid.h"
#include "platform/recycle.h"
#include "platform/refcount.h"

namespace tavrel {

class TOWNotifyOperation;
class TObject;

// A set over a small enumeration, by bits.
template <class E>
class TOWSet {
 public:
  constexpr TOWSet() = default;
  constexpr TOWSet(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TOWSet& operator+=(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  friend constexpr bool operator==(TOWSet, TOWSet) = default;

 private:
  static constexpr uint32_t Bit(E e) { return 1u << unsigned(e); }
  uint32_t bits_ = 0;
};

enum TOWNotifyStateItem : uint8_t { nsNewLink, nsLastIteration };
enum TOWNotifyResultItem : uint8_t { nrDataChanged };
using TOWNotifyState = TOWSet<TOWNotifyStateItem>;
using TOWNotifyResult = TOWSet<TOWNotifyResultItem>;

inline constexpr Guid IID_IOWNotifyOperation{0xAC2714E1, 0x1E70, 0x4C60, {0xAB, 0xBB, 0xEA, 0x27, 0x73, 0x7C, 0xEE, 0x74}};

class IOWNotifyOperation : public virtual RefCounted {
 public:
  virtual TOWNotifyOperation* Instance() = 0;
};

// A plain operation is also the link announcement (sent with nsNewLink).
class TOWNotifyOperation : public IOWNotifyOperation, public TRecycled {
 public:
  TOWNotifyOperation();
  TOWNotifyOperation* Instance() final { return this; }
  uint32_t OperationID() const { return FOperationID; }

 private:
  uint32_t FOperationID;
};

// Test hook: the next operation gets ID next.
void SetNextOperationIDForTesting(uint32_t next);

class TOWClockOperation : public TOWNotifyOperation {};
class TOWSuppliedOperation : public TOWClockOperation {};

class TOWSuppliedSingleOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedSingleOperation(float AValue) : Value(AValue) {}
  const float Value;
};

class TOWSuppliedBoolOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedBoolOperation(bool AValue) : Value(AValue) {}
  const bool Value;
};

class TOWSuppliedStringOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedStringOperation(std::string AValue) : Value(std::move(AValue)) {}
  const std::string Value;
};

class TOWSuppliedRealOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedRealOperation(double AValue) : Value(AValue) {}
  const double Value;
};

class TOWSuppliedRealValueRangeOperation : public TOWSuppliedRealOperation {
 public:
  TOWSuppliedRealValueRangeOperation(double AValue, double AMin, double AMax)
      : TOWSuppliedRealOperation(AValue), Min(AMin), Max(AMax) {}
  const double Min;
  const double Max;
};

class TOWSuppliedRealRangeOperation : public TOWSuppliedOperation {
 public:
  TOWSuppliedRealRangeOperation(double AMin, double AMax) : Min(AMin), Max(AMax) {}
  const double Min;
  const double Max;
};

class TOWStartOperation : public TOWNotifyOperation {};

class TOWStartRateOperation : public TOWStartOperation {
 public:
  explicit TOWStartRateOperation(float ARate) : Rate(ARate) {}
  const float Rate;
};

class TOWStopOperation : public TOWNotifyOperation {};
class TOWEndStopOperation : public TOWStopOperation {};
class TOWFileEndNoStopOperation : public TOWNotifyOperation {};

enum class TOWPumpType : uint8_t { ptNone, ptSlave, ptMaster, ptHardware };

// Distinct argument types, so that CreateEx's arguments cannot be swapped.
struct TOWPumpPriority {
  int32_t Value;
};
struct TOWDesiredRate {
  float Value;
};

// An in/out request: receivers that can drive the graph write themselves in.
class TOWPumpRequestOperation : public TOWNotifyOperation {
 public:
  TOWPumpRequestOperation() = default;
  static Ref<TOWPumpRequestOperation> CreateEx(TObject* APump, TOWPumpType APumpType, TOWPumpPriority APumpPriority,
                                               TOWDesiredRate ADesiredRate);
  TObject* Pump = nullptr;
  TOWPumpType PumpType = TOWPumpType::ptNone;
  int32_t PumpPriority = 0;
  float DesiredRate = 0;
};

class TOWMasterPumpOperation : public TOWNotifyOperation {
 public:
  explicit TOWMasterPumpOperation(TObject* APump) : Pump(APump) {}
  TObject* const Pump;
};

}  // namespace tavrel
