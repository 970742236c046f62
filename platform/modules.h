#pragma once
// Module start-up and shut-down from one explicit ordered list: no static
// constructor has side effects. A program (or a test binary, through
// ModulesEnvironment) starts the steps in order and finishes them in
// reverse. Each folder exposes the steps of its own modules; the caller
// concatenates the lists of the folders it uses, lowest layer first.
//
//   const ModuleStep steps[] = {{"pins", InitPins, DonePins}, ...};
//   ModuleRun run(steps);   // starts now, finishes in reverse when destroyed
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tavrel {

struct ModuleStep {
  std::string name;
  std::function<void()> start;   // may be empty
  std::function<void()> finish;  // may be empty
};

// Starts every step in order; if a start throws, the steps already started
// are finished in reverse and the exception is passed on.
class ModuleRun {
 public:
  explicit ModuleRun(std::vector<ModuleStep> steps);
  ~ModuleRun();  // finishes the started steps in reverse
  ModuleRun(const ModuleRun&) = delete;
  ModuleRun& operator=(const ModuleRun&) = delete;

 private:
  std::vector<ModuleStep> steps_;
  size_t started_ = 0;
};

}  // namespace tavrel
