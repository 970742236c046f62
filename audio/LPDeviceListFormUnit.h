#pragma once
// The device list dialog: a small modal window that lists "None",
// "Default" and the devices of one direction, where the user picks a
// device by name. The device classes open it through their
// ShowDeviceSelctDialog; the main window chooses devices with its own lists.
//
//   auto* dlg = TComponent::Create<TLPDeviceListForm>(Application());  // "None", "Default"
//   dlg->ListBox->Items().Add("USB Mic");
//   if (dlg->Execute("usb mic"))            // "USB Mic" is preselected
//     name = dlg->GetSelection();           // what the user chose
//   dlg->Destroy();
//
// The form is read from its stored data, so the window layer's classes
// must be registered (UiModuleSteps). Execute selects entry 0, then the
// first entry equal to the name with ASCII letters folded, and shows the
// dialog modally, centred on its owner form, else on the application's main
// form, else on the screen. OK, Enter or a double click in the list close it
// with true; Cancel, Escape or closing the window with false.
#include <string>

#include "platform/ui/button.h"
#include "platform/ui/forms.h"
#include "platform/ui/listbox.h"
#include "platform/ui/panel.h"

namespace tavrel {

class TLPDeviceListForm : public TForm {
  TAVREL_CLASS_INFO
 public:
  // The list holds "None" and "Default".
  explicit TLPDeviceListForm(TComponent* AOwner);
  // The list holds "None" only when UseNone, "Default" only when UseDefault.
  TLPDeviceListForm(TComponent* AOwner, bool UseNone, bool UseDefault);

  bool Execute(const std::string& DeviceName);
  bool Execute(const std::string& ACaption, const std::string& DeviceName);
  // The selected entry; with no selection the list's index error.
  std::string GetSelection() const;
  void ListBoxDblClick(TObject* Sender);

  // The controls of the stored form.
  TPanel* Panel1 = nullptr;
  TPanel* Panel2 = nullptr;
  TButton* OKButton = nullptr;
  TButton* CancelButton = nullptr;
  TListBox* ListBox = nullptr;
};

}  // namespace tavrel
