#pragma once
// A form on the offscreen backend with a fake clock, and a user at its
// keyboard: the fixture of the control tests.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "platform/ui/forms.h"
#include "platform/ui/offscreen.h"
#include "platform/utf8.h"

namespace tavrel::test {

// Types a key sequence into a form as the backend delivers it: a plain
// character arrives as its key (letters and digits) and its character;
// {Name} presses a key, with the prefixes S+ (Shift), C+ (Ctrl) and A+
// (Alt): "ab{Left}{S+Home}{C+V}". Names: Left Right Up Down Home End PgUp
// PgDn Del Ins BS Tab Enter Esc F4 Space, or one letter. BS, Enter, Esc and
// Space also send their characters, as the keyboard does.
inline void Type(TForm& form, std::string_view keys) {
  for (size_t pos = 0; pos < keys.size();) {
    if (keys[pos] != '{') {
      const char32_t c = NextUTF8(keys, pos);
      const bool alnum = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
      const uint16_t vk = alnum ? static_cast<uint16_t>(c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c) : 0;
      if (vk) form.InjectKey(WM_KEYDOWN, vk, 0);
      form.InjectChar(c, 0);
      if (vk) form.InjectKey(WM_KEYUP, vk, 0);
      continue;
    }
    const size_t end = keys.find('}', pos);
    std::string_view name = keys.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    TShiftState s = 0;
    for (;;) {
      if (name.substr(0, 2) == "S+") s |= ssShift;
      else if (name.substr(0, 2) == "C+") s |= ssCtrl;
      else if (name.substr(0, 2) == "A+") s |= ssAlt;
      else break;
      name.remove_prefix(2);
    }
    struct Key {
      std::string_view name;
      uint16_t vk;
      char32_t ch;
    };
    static constexpr Key kKeys[] = {
        {"Left", VK_LEFT, 0},   {"Right", VK_RIGHT, 0}, {"Up", VK_UP, 0},         {"Down", VK_DOWN, 0},
        {"Home", VK_HOME, 0},   {"End", VK_END, 0},     {"PgUp", VK_PRIOR, 0},    {"PgDn", VK_NEXT, 0},
        {"Del", VK_DELETE, 0},  {"Ins", VK_INSERT, 0},  {"BS", VK_BACK, 8},       {"Tab", VK_TAB, 0},
        {"Enter", VK_RETURN, 13}, {"Esc", VK_ESCAPE, 27}, {"F4", VK_F4, 0},       {"Space", VK_SPACE, U' '},
    };
    uint16_t vk = 0;
    char32_t ch = 0;
    for (const Key& k : kKeys)
      if (k.name == name) vk = k.vk, ch = k.ch;
    if (!vk && name.size() == 1) vk = static_cast<uint16_t>(name[0] >= 'a' && name[0] <= 'z' ? name[0] - 32 : name[0]);
    ASSERT_NE(vk, 0) << "unknown key {" << name << "}";
    form.InjectKey(s & ssAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, s);
    if (ch) form.InjectChar(ch, s);
    form.InjectKey(s & ssAlt ? WM_SYSKEYUP : WM_KEYUP, vk, s);
  }
}

// A press and release of the left button at a form point.
inline void Click(TForm& form, int x, int y) {
  form.InjectMouse(WM_MOUSEMOVE, x, y, 0);
  form.InjectMouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  form.InjectMouse(WM_LBUTTONUP, x, y, 0);
}

inline void DoubleClick(TForm& form, int x, int y) {
  Click(form, x, y);
  form.InjectMouse(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON);
  form.InjectMouse(WM_LBUTTONUP, x, y, 0);
}

// The RGB of a form pixel as a colour (0x00BBGGRR).
inline TColor FormPixel(TForm& form, int x, int y) {
  return PixelToColor(SurfacePixel(form.Surface(), x, y));
}

class FormFixture : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageClock(clock);
    app = TComponent::CreateUnowned<TApplication>(backend);
    form = app->CreateForm<TForm>();
    form->SetBounds(0, 0, 320, 240);
  }
  void TearDown() override {
    app.reset();
    SetMessageClock(nullptr);
  }
  template <class T>
  T* Make(TWinControl* parent, TRect bounds) {
    T* c = TComponent::Create<T>(form);
    c->SetParent(parent);
    c->SetBoundsRect(bounds);
    return c;
  }
  void Show() {
    form->Show();
    app->ProcessMessages();
  }
  // Paints what is invalid.
  void Pump() { app->ProcessMessages(); }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000);
  std::shared_ptr<OffscreenBackend> backend = std::make_shared<OffscreenBackend>();
  ComponentPtr<TApplication> app;
  TForm* form = nullptr;
};

}  // namespace tavrel::test
