#include "framework/OWOperations.h"

#include <atomic>

namespace tavrel {
namespace {

// The only process-wide state of the operations: the ID counter.
std::atomic<uint32_t>& OperationCounter() {
  static std::atomic<uint32_t> counter{0};
  return counter;
}

}  // namespace

TOWNotifyOperation::TOWNotifyOperation()
    : FOperationID(OperationCounter().fetch_add(1, std::memory_order_relaxed) + 1) {}

void SetNextOperationIDForTesting(uint32_t next) { OperationCounter().store(next - 1); }

Ref<TOWPumpRequestOperation> TOWPumpRequestOperation::CreateEx(TObject* APump, TOWPumpType APumpType,
                                                               TOWPumpPriority APumpPriority,
                                                               TOWDesiredRate ADesiredRate) {
  Ref<TOWPumpRequestOperation> op = MakeRef<TOWPumpRequestOperation>();
  op->Pump = APump;
  op->PumpType = APumpType;
  op->PumpPriority = APumpPriority.Value;
  op->DesiredRate = ADesiredRate.Value;
  return op;
}

}  // namespace tavrel
