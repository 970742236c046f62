#pragma once
// A small graph for the stream tests: a source pin standing in for a
// capture, a recording sink, and a shared log of what happened in order.
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "signal/ALStreamTypes.h"

namespace tavrel::testing_streams {

// What reached a pin, in order, shared by the fixture's pins.
struct TLog {
  std::vector<std::string> lines;
  std::vector<Ref<IOWNotifyOperation>> ops;
  void Add(std::string line, IOWNotifyOperation* op = nullptr) {
    lines.push_back(std::move(line));
    ops.push_back(Ref<IOWNotifyOperation>(op));
  }
};

inline std::string KindOf(IOWNotifyOperation* op) {
  TOWNotifyOperation* o = op->Instance();
  if (dynamic_cast<TOWStartWaveOperation*>(o)) return "wave";
  if (dynamic_cast<TOWStartOperation*>(o)) return "start";
  if (dynamic_cast<TOWEndStopOperation*>(o)) return "endstop";
  if (dynamic_cast<TOWStopOperation*>(o)) return "stop";
  if (dynamic_cast<TOWSLResumeOperation*>(o)) return "resume";
  if (dynamic_cast<TOWSLPauseOperation*>(o)) return "pause";
  if (dynamic_cast<TOWSuppliedBufferOperation*>(o)) return "buffer";
  if (dynamic_cast<TOWMasterPumpOperation*>(o)) return "masterpump";
  if (dynamic_cast<TOWPumpRequestOperation*>(o)) return "pumprequest";
  return "other";
}

// An operation event that logs "<who>:<kind>".
inline TSLOperationEvent Logging(TLog& log, std::string who, std::function<void(IOWNotifyOperation*)> also = {}) {
  return TSLOperationEvent(
      [&log, who, also](TOWBasicPin*, const TDataTypeID&, IOWNotifyOperation* op, TOWNotifyState) {
        log.Add(who + ":" + KindOf(op), op);
        if (also) also(op);
        return TOWNotifyResult{};
      });
}

inline TOWPinEvent LoggingConnect(TLog& log, std::string who) {
  return TOWPinEvent([&log, who](TOWBasicPin*) { log.Add(who + ":connect"); });
}

// Owners for free-standing pins.
inline ComponentPtr<TComponent> Owner(const std::string& name) {
  auto c = TComponent::CreateUnowned<TComponent>();
  c->SetName(name);
  return c;
}

inline std::vector<std::string> Only(const TLog& log, const std::string& prefix) {
  std::vector<std::string> r;
  for (auto& l : log.lines)
    if (l.rfind(prefix, 0) == 0) r.push_back(l);
  return r;
}

}  // namespace tavrel::testing_streams
