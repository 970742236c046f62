#include "audio/LPDeviceListFormUnit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/ALAudioDevice.h"
#include "framework/LPLock.h"
#include "platform/ui/offscreen.h"
#include "platform/wave/fake_backend.h"

namespace tavrel {
namespace {

inline constexpr UINT WM_ACT = WM_USER + 1;

// An application on the offscreen backend and three devices each way. The
// user's part runs from the modal loop, once the dialog is up.
class DeviceListDialog : public testing::Test {
 protected:
  DeviceListDialog() {
    fake->SetDevices(WaveDirection::In, {{"Mic A", "a", 0}, {"Mic B", "b", 1}, {"Line C", "c", 2}});
    fake->SetDevices(WaveDirection::Out, {{"Out A", "a", 0}, {"Out B", "b", 1}, {"Out C", "c", 2}});
    user_window = AllocateHWnd([this](UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
      if (msg != WM_ACT) return DefWindowProc(user_window, msg, wp, lp);
      auto* dialog = dynamic_cast<TLPDeviceListForm*>(app->ModalForm());
      if (!dialog) {
        ADD_FAILURE() << "no dialog is up";
        return 0;
      }
      user(*dialog);
      // A user who left the dialog open would leave the test waiting.
      if (dialog->ModalResult() == mrNone) {
        ADD_FAILURE() << "the dialog stayed open";
        dialog->SetModalResult(mrAbort);
      }
      return 0;
    });
  }
  ~DeviceListDialog() override {
    DeallocateHWnd(user_window);
    app.reset();
  }

  // What the user does once the dialog shows.
  void WhenShown(std::function<void(TLPDeviceListForm&)> act) {
    user = std::move(act);
    PostMessage(user_window, WM_ACT, 0, 0);
  }

  static void Click(TControl& c, TPoint at, bool twice = false) {
    TForm& form = *c.ParentForm();
    const TPoint p = c.ClientToForm(at);
    form.InjectMouse(WM_LBUTTONDOWN, p.X, p.Y, MK_LBUTTON);
    form.InjectMouse(WM_LBUTTONUP, p.X, p.Y, 0);
    if (!twice) return;
    form.InjectMouse(WM_LBUTTONDBLCLK, p.X, p.Y, MK_LBUTTON);
    form.InjectMouse(WM_LBUTTONUP, p.X, p.Y, 0);
  }
  static void ClickItem(TLPDeviceListForm& d, int index, bool twice = false) {
    const TRect r = d.ListBox->ItemRect(index);
    Click(*d.ListBox, {r.Left + 5, r.Top + 5}, twice);
  }
  static void ClickButton(TButton& b) { Click(b, {10, 10}); }

  std::shared_ptr<FakeWaveBackend> fake = std::make_shared<FakeWaveBackend>();
  WaveBackendScope use{fake};
  Ref<ILPLock> lock{new TLPLock()};
  ComponentPtr<TApplication> app = TComponent::CreateUnowned<TApplication>(std::make_shared<OffscreenBackend>());
  HWND user_window = 0;
  std::function<void(TLPDeviceListForm&)> user;
};

// Entry 0 first, then the first entry equal to the name with ASCII letters folded.
TEST_F(DeviceListDialog, ExecutePreselectsTheNamedEntryOrEntryZero) {
  struct Case {
    bool useNone, useDefault;
    std::string name;
    int want;
  } cases[] = {
      {true, true, "USB Mic", 4},
      {true, true, "usb MIC", 4},
      {true, true, "mic a", 2},  // "Mic A" comes before the exact "mic a"
      {true, true, "default", 1},
      {true, true, "DEFAULT", 1},
      {true, true, "None", 0},
      {true, true, "Nowhere", 0},
      {true, true, "", 0},
      {true, true, "mikrofon \xC3\xA4", 0},  // only ASCII letters fold
      {true, true, "Mikrofon \xC3\x84", 6},
      {false, true, "none", 0},               // "Default" is entry 0 now
      {false, false, "Nowhere", 0},           // and here the first device
      {false, false, "usb mic", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComponentPtr<TLPDeviceListForm> dialog(TComponent::Create<TLPDeviceListForm>(app.get(), c.useNone, c.useDefault));
    for (const char* name : {"Mic A", "mic a", "USB Mic", "Line", "Mikrofon \xC3\x84"})
      dialog->ListBox->Items().Add(name);
    int shown = -2;
    WhenShown([&](TLPDeviceListForm& d) {
      shown = d.ListBox->ItemIndex();
      d.InjectKey(WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_FALSE(dialog->Execute(c.name));
    EXPECT_EQ(shown, c.want);
  }
}

TEST_F(DeviceListDialog, CreateListsNoneAndDefaultAndCreateExWhatItIsAsked) {
  struct Case {
    bool useNone, useDefault;
    std::vector<std::string> want;
  } cases[] = {
      {true, true, {"None", "Default"}},
      {true, false, {"None"}},
      {false, true, {"Default"}},
      {false, false, {}},
  };
  for (const Case& c : cases) {
    ComponentPtr<TLPDeviceListForm> dialog(TComponent::Create<TLPDeviceListForm>(app.get(), c.useNone, c.useDefault));
    std::vector<std::string> got;
    for (int i = 0; i < dialog->ListBox->Items().Count(); ++i) got.push_back(dialog->ListBox->Items()[i]);
    EXPECT_EQ(got, c.want);
  }
  ComponentPtr<TLPDeviceListForm> plain(TComponent::Create<TLPDeviceListForm>(app.get()));
  EXPECT_EQ(plain->ListBox->Items().Count(), 2);
  EXPECT_EQ(plain->Caption(), "Devices");
  ComponentPtr<TLPDeviceListForm> empty(TComponent::Create<TLPDeviceListForm>(app.get(), false, false));
  EXPECT_THROW(empty->GetSelection(), EStringListError) << "no selection: the list's index error";
}

// OK (the button, Enter or a double click) stores the chosen name, "None"
// included, in either device class.
TEST_F(DeviceListDialog, OkStoresTheSelection) {
  struct Case {
    const char* name;
    bool capture;
    std::function<void(TLPDeviceListForm&)> act;
    std::string want;
  } cases[] = {
      {"click an item, then OK", true,
       [](TLPDeviceListForm& d) {
         ClickItem(d, 4);
         ClickButton(*d.OKButton);
       },
       "Line C"},
      {"None, then Enter", true,
       [](TLPDeviceListForm& d) {
         ClickItem(d, 0);
         d.InjectKey(WM_KEYDOWN, VK_RETURN, 0);
       },
       "None"},
      {"a double click", false, [](TLPDeviceListForm& d) { ClickItem(d, 2, true); }, "Out A"},
      {"OK on the preselection", false, [](TLPDeviceListForm& d) { ClickButton(*d.OKButton); }, "Out B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TALAudioCaptureDevice capture(nullptr, lock, nullptr);
    TALAudioOutDevice playback(nullptr, lock, nullptr);
    TALAudioDeviceBasic& device = c.capture ? static_cast<TALAudioDeviceBasic&>(capture) : playback;
    device.SetDeviceName(c.capture ? "Mic B" : "out b");
    std::vector<std::string> entries;
    WhenShown([&](TLPDeviceListForm& d) {
      for (int i = 0; i < d.ListBox->Items().Count(); ++i) entries.push_back(d.ListBox->Items()[i]);
      c.act(d);
    });
    EXPECT_TRUE(device.ShowDeviceSelctDialog());
    EXPECT_EQ(device.DeviceName(), c.want);
    const std::vector<std::string> want = c.capture
                                              ? std::vector<std::string>{"None", "Default", "Mic A", "Mic B", "Line C"}
                                              : std::vector<std::string>{"None", "Default", "Out A", "Out B", "Out C"};
    EXPECT_EQ(entries, want);
  }
  EXPECT_EQ(app->ModalForm(), nullptr);
  EXPECT_TRUE(app->Forms().empty()) << "the dialog is freed";
}

// Cancel, Escape or closing the window: false, and the name stays, even
// after another entry was chosen in the list.
TEST_F(DeviceListDialog, CancelChangesNothing) {
  struct Case {
    const char* name;
    std::function<void(TLPDeviceListForm&)> act;
  } cases[] = {
      {"the Cancel button", [](TLPDeviceListForm& d) { ClickButton(*d.CancelButton); }},
      {"Escape", [](TLPDeviceListForm& d) { d.InjectKey(WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"closing the window", [](TLPDeviceListForm& d) { d.InjectCloseRequest(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TALAudioCaptureDevice device(nullptr, lock, nullptr);
    device.SetDeviceName("gone away");
    WhenShown([&](TLPDeviceListForm& d) {
      ClickItem(d, 3);
      c.act(d);
    });
    EXPECT_FALSE(device.ShowDeviceSelctDialog());
    EXPECT_EQ(device.DeviceName(), "gone away");
  }
}

TEST_F(DeviceListDialog, LaidOutAsStoredAndCentredOnTheMainForm) {
  TForm* main = app->CreateForm<TForm>();
  main->SetBounds(100, 50, 640, 480);
  main->Show();
  ComponentPtr<TLPDeviceListForm> dialog(TComponent::Create<TLPDeviceListForm>(app.get()));
  TRect bounds, list, bottom, ok, cancel;
  std::string caption;
  WhenShown([&](TLPDeviceListForm& d) {
    bounds = d.BoundsRect();
    list = d.ListBox->FormRect();
    bottom = d.Panel1->FormRect();
    ok = d.OKButton->FormRect();
    cancel = d.CancelButton->FormRect();
    caption = d.Caption();
    EXPECT_EQ(d.ListBox->ItemHeight(), 13);
    EXPECT_EQ(d.Font().Height(), -11);
    ClickButton(*d.CancelButton);
  });
  EXPECT_FALSE(dialog->Execute("Pick the input", "Default"));
  EXPECT_EQ(caption, "Pick the input");
  EXPECT_EQ(dialog->ClientWidth(), 330);
  EXPECT_EQ(dialog->ClientHeight(), 252);
  EXPECT_NEAR(bounds.Left + bounds.Width() / 2.0, 100 + 320, 1) << "centred on the main form";
  EXPECT_NEAR(bounds.Top + bounds.Height() / 2.0, 50 + 240, 1);
  EXPECT_EQ(bottom.Height(), 41);
  EXPECT_EQ(list.Bottom, bottom.Top) << "the list fills what the bottom panel leaves";
  EXPECT_EQ(list.Width(), 330);
  EXPECT_EQ(ok.Width(), 75);
  EXPECT_EQ(ok.Height(), 25);
  EXPECT_EQ(cancel.Left - ok.Left, 88);
  EXPECT_EQ(ok.Top - bottom.Top, 1 + 8) << "inside the bottom panel's bevel";
  EXPECT_EQ(bottom.Right - 1 - ok.Left, 185 - 8) << "in the right-hand panel, 185 wide";

  dialog->SetBounds(0, 0, 50, 40);
  EXPECT_EQ(dialog->Width(), 200) << "no narrower than its minimum";
  EXPECT_EQ(dialog->Height(), 160);
}

TEST_F(DeviceListDialog, WithoutAMainFormTheDialogIsCentredOnTheScreen) {
  TALAudioOutDevice device(nullptr, lock, nullptr);
  TRect bounds;
  WhenShown([&](TLPDeviceListForm& d) {
    bounds = d.BoundsRect();
    d.InjectKey(WM_KEYDOWN, VK_ESCAPE, 0);
  });
  device.ShowDeviceSelctDialog();
  const TSize screen = app->Backend().ScreenSize();
  EXPECT_NEAR(bounds.Left + bounds.Width() / 2.0, screen.cx / 2.0, 1);
  EXPECT_NEAR(bounds.Top + bounds.Height() / 2.0, screen.cy / 2.0, 1);
}

TEST_F(DeviceListDialog, TheApplicationHandleComesBackAndNoApplicationIsAnError) {
  const HWND before = app->Handle();
  TALAudioCaptureDevice device(nullptr, lock, nullptr);
  WhenShown([&](TLPDeviceListForm& d) {
    app->SetHandle(before + 1000);  // as a dialog over a foreign window would
    d.InjectKey(WM_KEYDOWN, VK_ESCAPE, 0);
  });
  device.ShowDeviceSelctDialog();
  EXPECT_EQ(app->Handle(), before);
  app.reset();
  EXPECT_THROW(device.ShowDeviceSelctDialog(), EOWException);
  EXPECT_EQ(device.DeviceName(), "Default");
}

}  // namespace
}  // namespace tavrel
