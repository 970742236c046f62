// A form holding a picture container and a check box whose caption shows
// one of its pictures: read from form text, written back, and painted
// against the same form built in code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/PictureContainer.h"
#include "controls/htmlbtns.h"
#include "controls/tests/controls_test_support.h"
#include "platform/forms.h"
#include "platform/formtext.h"
#include "platform/tests/image_files.h"

namespace tavrel {
namespace {

// Two frames on a 6 x 5 screen: red 4 x 3 at (0, 0), then lime 2 x 2 at (1, 2).
std::vector<uint8_t> TwoFrameGif() {
  const test::GifImage red{.w = 4, .h = 3, .pixels = std::vector<uint8_t>(12, 0), .transparent = 3, .delay = 10};
  const test::GifImage lime{
      .left = 1, .top = 2, .w = 2, .h = 2, .pixels = std::vector<uint8_t>(4, 1), .transparent = 3, .delay = 10};
  return test::MakeGif(6, 5, {clRed, clLime, clBlue, clWhite}, {red, lime});
}

std::vector<uint8_t> Bmp(int w, int h, TColor c) { return test::SolidBitmap(w, h, c).SaveToBytes(); }

const char* const kCaption = R"(Filtre <IMG SRC="dots"> <IMG SRC="IDX:0">)";

// The form as the writer writes it: every value it stores, in its order.
std::string FormText(const std::string& logoData, const std::string& dotsData) {
  return R"(object fmPictures: TForm
  Left = 0
  Top = 0
  Width = 440
  Height = 360
  Color = clBtnFace
  ParentColor = False
  Font.Charset = 1
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ParentFont = False
  Visible = False
  TabOrder = -1
  KeyPreview = False
  object Pictures: TPictureContainer
    Items = <
      item
        Picture.Stretch = True
        Picture.Data = {)" +
         logoData + R"(}
        Name = 'Logo'
      end
      item
        Picture.Frame = 2
        Picture.Data = {)" +
         dotsData + R"(}
        Name = 'Dots'
        Tag = 3
      end>
    Version = '1.0.0.0'
  end
  object Images: TImageList
  end
  object cbFilter: THTMLCheckBox
    Left = 10
    Top = 10
    Width = 150
    Height = 40
    Caption = 'Filtre <IMG SRC="dots"> <IMG SRC="IDX:0">'
    Color = clWindow
    ParentColor = False
    Font.Charset = 1
    Font.Color = clWindowText
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = True
    TabOrder = 0
    Images = Images
    PictureContainer = Pictures
    ReturnIsTab = False
    Version = '1.5.4.0'
  end
end
)";
}

class PictureFormTest : public test::ControlsTest {
 protected:
  // The image list's pictures are not form data: the program adds them.
  static void FillImages(TImageList* images) { test::AddSolidImage(images, 8, clBlue); }

  void BuildInCode(TForm* f) {
    f->SetBounds(0, 0, 440, 360);
    auto* pictures = TComponent::Create<TPictureContainer>(f);
    TPictureItem* logo = pictures->Items().Add();
    logo->SetName("Logo");
    logo->Picture().LoadFromStream(Bmp(6, 4, clRed));
    logo->Picture().SetStretch(true);
    TPictureItem* dots = pictures->Items().Add();
    dots->SetName("Dots");
    dots->SetTag(3);
    dots->Picture().LoadFromStream(TwoFrameGif());
    dots->Picture().SetFrame(2);
    auto* images = TComponent::Create<TImageList>(f);
    FillImages(images);
    auto* box = TComponent::Create<THTMLCheckBox>(f);
    box->SetParent(f);
    box->SetBounds(10, 10, 150, 40);
    box->SetCaption(kCaption);
    box->SetPictureContainer(pictures);
    box->SetImages(images);
  }

  // Pixels of colour `c` in the check box at (10, 10, 150 x 40) of `f`.
  static int Count(TForm* f, TColor c) {
    int n = 0;
    for (int y = 10; y < 50; ++y)
      for (int x = 10; x < 160; ++x) n += f->Canvas().Pixel(x, y) == c;
    return n;
  }
};

TEST_F(PictureFormTest, FormTextReadsWritesBackAndPaintsAsCode) {
  const std::vector<uint8_t> logo = Bmp(6, 4, clRed), dots = TwoFrameGif();
  const std::vector<uint8_t> stored = ObjectTextToBinary(FormText(test::HexText(logo), test::HexText(dots)));
  ReadRootComponent(*form, stored);

  auto* pictures = dynamic_cast<TPictureContainer*>(form->FindComponent("Pictures"));
  auto* images = dynamic_cast<TImageList*>(form->FindComponent("Images"));
  auto* box = dynamic_cast<THTMLCheckBox*>(form->FindComponent("cbFilter"));
  ASSERT_TRUE(pictures && images && box);
  ASSERT_EQ(pictures->Items().Count(), 2);
  const THTMLPicture& readLogo = pictures->Items().Items(0)->Picture();
  const THTMLPicture& readDots = pictures->Items().Items(1)->Picture();
  EXPECT_EQ(readLogo.Data(), logo) << "the bytes as stored";
  EXPECT_TRUE(readLogo.Stretch());
  EXPECT_EQ(readLogo.Width(), 6);
  EXPECT_EQ(readDots.Data(), dots);
  EXPECT_FALSE(readDots.Stretch());
  EXPECT_EQ(readDots.Frame(), 2) << "the frame stored before the data stays";
  EXPECT_EQ(readDots.FrameXPos(), 1);
  EXPECT_EQ(pictures->Items().Items(1)->Tag(), 3);
  EXPECT_EQ(pictures->FindPicture("DOTS"), &readDots);
  EXPECT_EQ(box->PictureContainer(), pictures);
  EXPECT_EQ(box->Images(), images);

  // Written out, the form is the text it was read from, byte for byte.
  const std::vector<uint8_t> written = WriteRootComponent(*form);
  EXPECT_EQ(written.size(), stored.size());
  EXPECT_TRUE(written == stored);

  FillImages(images);
  Paint();
  TForm* code = app->CreateForm<TForm>();
  BuildInCode(code);
  code->Show();
  app->ProcessMessages();
  EXPECT_EQ(CountDifferentPixels(form->Surface(), code->Surface()), 0);
  // Both pictures are really there: frame 2 of the GIF and the image list's square.
  EXPECT_EQ(Count(form, clLime), 4);
  EXPECT_EQ(Count(form, clRed), 0) << "frame 1 is not shown";
  EXPECT_EQ(Count(form, clBlue), 64);
}

TEST_F(PictureFormTest, PictureDataOfNoImageIsAReadErrorThatLeavesNothing) {
  const std::string text = FormText(test::HexText(Bmp(6, 4, clRed)), "0011223344556677");
  try {
    ReadRootComponent(*form, ObjectTextToBinary(text));
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("Picture.Data"), std::string::npos) << e.what();
  }
  EXPECT_EQ(form->FindComponent("Pictures"), nullptr);
  EXPECT_EQ(form->FindComponent("cbFilter"), nullptr);
}

}  // namespace
}  // namespace tavrel
