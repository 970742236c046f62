#pragma once
// The component lock: IOWLock plus typed property access. A property setter
// does not assign its field itself; it hands the lock the field, the new
// value and an optional update method:
//
//   void TALAudioFormat::SetSampleRate(double v) {
//     FLock->SetterMin(FSampleRate, v, 1.0, TLPPropUpdateFunc([this] { UpdateFormat(); }));
//   }
//   double TALAudioFormat::SampleRate() const { return FLock->Getter(FSampleRate); }
//
// A setter clamps first (bounded forms, no lock yet), then takes the write
// lock and keeps it to the end: an equal value returns false and nothing
// else happens; otherwise it stores the value, runs the update method, then
// the lock's change notification (the owner's PropertyChanged; never for
// TSLSynchronizeType), and returns true. Both callbacks run under the lock.
//
// Floats: a NaN input is refused (false, no change); a stored NaN replaced
// by a number is a change. In the bounds a NaN counts as below a minimum
// and as not above a maximum. Getter copies the field under the read lock.
//
// TLPLock forwards to one TOWLock; CreateCopy shares the TOWLock of another
// lock (for a paired lock: its first lock's) with a notification of its own.
// TLPPairedLock takes its first lock, then its second, and always returns a
// section, which releases second, then first.
#include <cmath>
#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>

#include "framework/OWLock.h"
#include "platform/method.h"

namespace tavrel {

// An update method: no arguments, no result; assigned when it holds a callable.
using TLPPropUpdateFunc = Method<void()>;

enum class TSLClockSource : uint8_t { csInternal, csExternal };
enum class TSLSynchronizeType : uint8_t { stNone, stSingleBuffer, stQueue };

using TGPColor = uint32_t;  // ARGB, compared unsigned
using TColor = int32_t;
using TDateTime = double;

// The value types the setters accept.
template <class T>
concept LPSetterValue =
    std::same_as<T, int32_t> || std::same_as<T, int16_t> || std::same_as<T, int64_t> ||
    std::same_as<T, uint32_t> || std::same_as<T, uint16_t> || std::same_as<T, uint8_t> ||
    std::same_as<T, float> || std::same_as<T, double> || std::same_as<T, bool> ||
    std::same_as<T, std::string> || std::same_as<T, char16_t> || std::same_as<T, TSLClockSource> ||
    std::same_as<T, TSLSynchronizeType>;

// The value types of the bounded forms.
template <class T>
concept LPBoundedValue = std::same_as<T, int32_t> || std::same_as<T, int64_t> || std::same_as<T, uint32_t> ||
                         std::same_as<T, uint16_t> || std::same_as<T, uint8_t> || std::same_as<T, float> ||
                         std::same_as<T, double>;

template <class T>
concept LPGetterValue = std::same_as<T, int32_t> || std::same_as<T, int64_t> || std::same_as<T, uint32_t> ||
                        std::same_as<T, uint8_t> || std::same_as<T, uint16_t> || std::same_as<T, long double> ||
                        std::same_as<T, float> || std::same_as<T, bool> || std::same_as<T, std::string> ||
                        std::same_as<T, char16_t> || std::same_as<T, double>;

inline const Guid IID_ILPLock = StringToGUID("{41898A42-8C0F-4C05-AEE4-C2DE0BAB1869}");

class ILPLock : public IOWLock {
 public:
  // Calls the change notification when there is one; takes no lock.
  virtual void ChangeNotify() = 0;

  // The value parameter's type follows the field, so Setter(FRate, 44100)
  // on a double field is a double setter.
  template <LPSetterValue T>
  bool Setter(T& PropValue, std::type_identity_t<T> AValue, const TLPPropUpdateFunc& AUpdatedFunc = {}) {
    return Store(PropValue, std::move(AValue), AUpdatedFunc, !std::is_same_v<T, TSLSynchronizeType>);
  }
  // The ARGB colour form; Unused has no effect.
  bool Setter(TGPColor& PropValue, TGPColor AValue, const TLPPropUpdateFunc& AUpdatedFunc, bool Unused) {
    (void)Unused;
    return Store(PropValue, AValue, AUpdatedFunc, true);
  }

  template <LPBoundedValue T>
  bool SetterMin(T& PropValue, std::type_identity_t<T> AValue, std::type_identity_t<T> AMinValue,
                 const TLPPropUpdateFunc& AUpdatedFunc = {}) {
    return Store(PropValue, ClampMin(AValue, AMinValue), AUpdatedFunc, true);
  }
  // The minimum itself is excluded: a value not above it becomes the substitute.
  template <LPBoundedValue T>
  bool SetterMinExlude(T& PropValue, std::type_identity_t<T> AValue, std::type_identity_t<T> AMinValue,
                       std::type_identity_t<T> AMinSubstituteValue, const TLPPropUpdateFunc& AUpdatedFunc = {}) {
    if (!(AValue > AMinValue)) AValue = AMinSubstituteValue;
    return Store(PropValue, AValue, AUpdatedFunc, true);
  }
  template <LPBoundedValue T>
  bool SetterMax(T& PropValue, std::type_identity_t<T> AValue, std::type_identity_t<T> AMaxValue,
                 const TLPPropUpdateFunc& AUpdatedFunc = {}) {
    return Store(PropValue, ClampMax(AValue, AMaxValue), AUpdatedFunc, true);
  }
  // Minimum first, then maximum: with min above max the result is max.
  template <LPBoundedValue T>
  bool SetterMinMax(T& PropValue, std::type_identity_t<T> AValue, std::type_identity_t<T> AMinValue,
                    std::type_identity_t<T> AMaxValue, const TLPPropUpdateFunc& AUpdatedFunc = {}) {
    return Store(PropValue, ClampMax(ClampMin(AValue, AMinValue), AMaxValue), AUpdatedFunc, true);
  }

  // A copy of the field taken under the read lock.
  template <LPGetterValue T>
  T Getter(const T& APropValue) {
    Ref<IOWLockSection> section = ReadLock();
    return APropValue;
  }

 private:
  // A NaN is "below" any minimum, so it takes the minimum.
  template <class T>
  static T ClampMin(T v, T min) {
    return v >= min ? v : min;
  }
  template <class T>
  static T ClampMax(T v, T max) {
    return v > max ? max : v;
  }

  template <class T>
  bool Store(T& field, T value, const TLPPropUpdateFunc& updated, bool notify) {
    if constexpr (std::is_floating_point_v<T>)
      if (std::isnan(value)) return false;
    Ref<IOWLockSection> section = WriteLock();  // null when let through during a stop
    if constexpr (std::is_floating_point_v<T>) {
      if (!std::isnan(field) && field == value) return false;
    } else {
      if (field == value) return false;
    }
    field = std::move(value);
    if (updated) updated();
    if (notify) ChangeNotify();
    return true;
  }
};

// Holds the change notification; the lock operations are the subclasses'.
class TLPBasicLock : public ILPLock {
 public:
  explicit TLPBasicLock(TLPPropUpdateFunc ANotify) : FNotify(std::move(ANotify)) {}
  void ChangeNotify() override {
    if (FNotify) FNotify();
  }

 protected:
  TLPPropUpdateFunc FNotify;
};

class TLPLock : public TLPBasicLock {
 public:
  // Over a new TOWLock of its own.
  explicit TLPLock(TLPPropUpdateFunc ANotify = {});
  // Over the TOWLock behind ALock (EOWException when ALock is null).
  static Ref<TLPLock> CreateCopy(const Ref<ILPLock>& ALock, TLPPropUpdateFunc ANotify = {});

  Ref<IOWLockSection> ReadLock() override { return FLock->ReadLock(); }
  Ref<IOWLockSection> WriteLock() override { return FLock->WriteLock(); }
  Ref<IOWLockSection> StopLock() override { return FLock->StopLock(); }
  Ref<IOWLockSection> UnlockAll() override { return FLock->UnlockAll(); }
  Ref<IOWLockSection> UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) override {
    return FLock->UnlockAllLockInOrder(AFirstLock);
  }
  TOWLock* Instance() override { return FLock->Instance(); }

 private:
  TLPLock(Ref<IOWLock> lock, TLPPropUpdateFunc ANotify) : TLPBasicLock(std::move(ANotify)), FLock(std::move(lock)) {}
  Ref<IOWLock> FLock;
};

// Releases the second section, then the first; either may be null.
class TLPPairedLockSection : public IOWLockSection {
 public:
  TLPPairedLockSection(Ref<IOWLockSection> AFirstSection, Ref<IOWLockSection> ASecondSection)
      : FFirstSection(std::move(AFirstSection)), FSecondSection(std::move(ASecondSection)) {}
  ~TLPPairedLockSection() override {
    FSecondSection.reset();
    FFirstSection.reset();
  }

 private:
  Ref<IOWLockSection> FFirstSection;
  Ref<IOWLockSection> FSecondSection;
};

class TLPPairedLock : public TLPBasicLock {
 public:
  TLPPairedLock(Ref<ILPLock> AFirstLock, Ref<ILPLock> ASecondLock, TLPPropUpdateFunc ANotify = {});

  Ref<IOWLockSection> ReadLock() override;
  Ref<IOWLockSection> WriteLock() override;
  Ref<IOWLockSection> StopLock() override;
  // Taken back second lock first when released.
  Ref<IOWLockSection> UnlockAll() override;
  // Taken back first lock first, each after AFirstLock.
  Ref<IOWLockSection> UnlockAllLockInOrder(const Ref<IOWLock>& AFirstLock) override;
  TOWLock* Instance() override { return FFirstLock->Instance(); }

 private:
  Ref<IOWLock> FFirstLock;
  Ref<IOWLock> FSecondLock;
};

}  // namespace tavrel
