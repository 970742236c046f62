#include "platform/ui/toplevel.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/ui/forms.h"
#include "platform/ui/offscreen.h"

namespace tavrel {
namespace {

// A stand-in window manager: top-level windows in order, parents, threads.
struct Windows {
  std::vector<HWND> tops;
  std::map<HWND, HWND> parent;
  std::map<HWND, uint32_t> thread;
  TSLWindowQuery Query() const {
    return {[this] { return tops; },
            [this](HWND w) { auto it = parent.find(w); return it == parent.end() ? HWND(0) : it->second; },
            [this](HWND w) { auto it = thread.find(w); return it == thread.end() ? 0u : it->second; }};
  }
};

TEST(FindTopLevelWindow, FirstTopLevelOfTheThreadDirectlyOrThroughParents) {
  // 10: another thread's window; 20: owned by a window (21) of thread 1;
  // 30: a window of thread 1 itself. 99 is the new owner form, thread 1.
  Windows w{{10, 20, 30}, {{20, 21}, {21, 0}}, {{10, 2}, {20, 2}, {21, 1}, {30, 1}, {99, 1}}};
  EXPECT_EQ(FindTopLevelWindow(99, w.Query()), HWND(20));
  w.tops = {10, 30};
  EXPECT_EQ(FindTopLevelWindow(99, w.Query()), HWND(30));
  w.tops = {10};
  EXPECT_EQ(FindTopLevelWindow(99, w.Query()), HWND(0));
  // A parent loop ends the walk rather than the program.
  w.tops = {40};
  w.parent = {{40, 41}, {41, 40}};
  w.thread[40] = w.thread[41] = 3;
  EXPECT_EQ(FindTopLevelWindow(99, w.Query()), HWND(0));
}

// A dialog may point the application's handle elsewhere; the guard puts the
// recorded one back when its last reference goes, and without an
// application it touches nothing.
TEST(TLPSetApplicationHandle, PutsTheRecordedHandleBack) {
  { Ref<TLPSetApplicationHandle> none = MakeRef<TLPSetApplicationHandle>(); }
  auto app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
  const HWND own = app->Handle();
  ASSERT_NE(own, HWND(0));
  {
    Ref<TLPSetApplicationHandle> keep = MakeRef<TLPSetApplicationHandle>(HWND(1234));
    EXPECT_EQ(app->Handle(), own);  // made, not changed
    Ref<TLPSetApplicationHandle> second = keep;
    app->SetHandle(HWND(77));
    keep = nullptr;
    EXPECT_EQ(app->Handle(), HWND(77));  // one reference still held
  }
  EXPECT_EQ(app->Handle(), own);
}

}  // namespace
}  // namespace tavrel
