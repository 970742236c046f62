#include "audio/LPDeviceListFormUnit.h"

#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/text.h"

namespace tavrel {

namespace {

// The dialog's stored form.
constexpr const char* kDeviceListForm = R"(
object LPDeviceListForm: TLPDeviceListForm
  Caption = 'Devices'
  ClientHeight = 252
  ClientWidth = 330
  Constraints.MinHeight = 160
  Constraints.MinWidth = 200
  Position = poOwnerFormCenter
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  object Panel1: TPanel
    Align = alBottom
    Height = 41
    object Panel2: TPanel
      Align = alRight
      Width = 185
      BevelOuter = bvNone
      object OKButton: TButton
        Left = 8
        Top = 8
        Width = 75
        Height = 25
        Caption = 'OK'
        Default = True
        ModalResult = 1
      end
      object CancelButton: TButton
        Left = 96
        Top = 8
        Width = 75
        Height = 25
        Caption = 'Cancel'
        Cancel = True
        ModalResult = 2
      end
    end
  end
  object ListBox: TListBox
    Align = alClient
    ItemHeight = 13
    OnDblClick = ListBoxDblClick
  end
end)";

template <class T>
T* Part(TComponent& form, const char* name) {
  auto* c = dynamic_cast<T*>(form.FindComponent(name));
  if (!c) throw EComponentError(std::string("the device list form has no ") + name);
  return c;
}

}  // namespace

const ClassInfo& TLPDeviceListForm::Class() {
  static const ClassInfo ci = ClassBuilder<TLPDeviceListForm>("TLPDeviceListForm", TForm::Class()).build();
  return ci;
}

TLPDeviceListForm::TLPDeviceListForm(TComponent* AOwner) : TLPDeviceListForm(AOwner, true, true) {}

TLPDeviceListForm::TLPDeviceListForm(TComponent* AOwner, bool UseNone, bool UseDefault) : TForm(AOwner) {
  PublishMethod("ListBoxDblClick", TNotifyEvent([this](TObject* s) { ListBoxDblClick(s); }, this));
  ReadRootComponent(*this, ObjectTextToBinary(kDeviceListForm));
  Panel1 = Part<TPanel>(*this, "Panel1");
  Panel2 = Part<TPanel>(*this, "Panel2");
  OKButton = Part<TButton>(*this, "OKButton");
  CancelButton = Part<TButton>(*this, "CancelButton");
  ListBox = Part<TListBox>(*this, "ListBox");
  ListBox->Items().Clear();
  if (UseNone) ListBox->Items().Add("None");
  if (UseDefault) ListBox->Items().Add("Default");
}

void TLPDeviceListForm::ListBoxDblClick(TObject*) { SetModalResult(mrOk); }

bool TLPDeviceListForm::Execute(const std::string& DeviceName) {
  const TStrings& items = ListBox->Items();
  ListBox->SetItemIndex(0);
  for (int i = 0; i < items.Count(); ++i)
    if (SameText(items[i], DeviceName)) {
      ListBox->SetItemIndex(i);
      break;
    }
  return ShowModal() == mrOk;
}

bool TLPDeviceListForm::Execute(const std::string& ACaption, const std::string& DeviceName) {
  SetCaption(ACaption);
  return Execute(DeviceName);
}

std::string TLPDeviceListForm::GetSelection() const { return ListBox->Items()[ListBox->ItemIndex()]; }

}  // namespace tavrel
