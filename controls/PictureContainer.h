#pragma once
// Pictures for the markup captions: THTMLPicture keeps the encoded bytes of
// one picture and decodes them (BMP, GIF, JPEG, icons, PNG), draws at natural
// size or stretched, and steps through the frames of an animated GIF;
// THTMLPictureCache finds pictures loaded by URL; TPictureContainer holds
// named pictures, found without regard to the case of ASCII letters.
// A container reads and writes its pictures with the form data:
//
//   object PictureContainer1: TPictureContainer
//     Items = <
//       item
//         Picture.Frame = 2                  // read before the data, and kept
//         Picture.Data = {474946383961...}   // the encoded bytes as loaded
//         Name = 'spinner'
//       end>
//   end
//
//   THTMLPicture pic;
//   pic.LoadFromStream(gifBytes);          // frame 1 decoded
//   pic.FrameCount();                      // 3 for a three-frame animation
//   pic.SetFrame(2);                       // decodes frame 2, raises OnFrameChange
//   while (...) pic.Step();                // one tick = 10 hundredths of a second
//   pic.Draw(canvas, Rect(0, 0, 40, 30));
//
//   THTMLPictureCache cache;
//   THTMLPicture* p = cache.AddPicture();
//   p->SetAsynch(false);
//   p->LoadFromURL("FILE:///usr/share/pixmaps/x.gif");  // cache.FindPicture(url) == p
//
// Every load (bytes, file, resource, Assign) starts the animation afresh:
// frames counted again, tick counters reset, at frame 1, or at the source's
// frame for Assign and the stored Frame for form data. A frame number
// written for a GIF is kept within 1..FrameCount. Files load only when they
// are regular files of at most kMaxPictureFileSize bytes, so a caption that
// names a device, a FIFO or a huge file leaves an empty picture.
// Nothing here downloads: a web address leaves the picture empty.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "controls/GifFrames.h"
#include "platform/classes.h"
#include "platform/ui/graphics.h"
#include "platform/ui/resources.h"

namespace tavrel {

inline constexpr size_t kMaxPictureFileSize = size_t{16} << 20;

// The bytes of a regular file of at most `limit` bytes; nothing for a
// missing file, a directory, a device, a FIFO or a larger file.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t limit);

class THTMLPicture;
using TDownloadProgressEvent = Method<void(TObject* sender, uint32_t size, uint32_t total)>;
using TDownloadCancelEvent = Method<void(TObject* sender, bool& cancel)>;
using TDownloadErrorEvent = Method<void(TObject* sender, const std::string& err)>;

// A graphic, and persistent for the form data of the item that holds it.
class THTMLPicture : public TGraphic, public TPersistent {
  TAVREL_CLASS_INFO
 public:
  THTMLPicture();
  ~THTMLPicture() override;

  bool Empty() const override { return is_empty_; }
  // Pixels at 96 per inch; 0 without a decoded picture.
  int Width() const override;
  int Height() const override;
  // The GIF's logical screen, or Width/Height for anything else.
  int MaxWidth() const;
  int MaxHeight() const;
  void Draw(TCanvas& canvas, const TRect& rect) const override;

  // Copies the bytes, decodes, raises OnChange. Undecodable data raises
  // Exception ("Could not load image. Invalid format") and leaves the
  // bytes stored with nothing decoded.
  void LoadFromStream(std::span<const uint8_t> data);
  // As LoadFromStream, but every failure leaves the picture empty.
  void LoadFromFile(const std::string& path);
  // A named RCDATA resource of `instance` (HInstance() for the program's
  // own); nothing when it has none of that name.
  void LoadFromResourceName(const TResourceModule& instance, const std::string& name);
  // A numbered RCDATA resource; raises EResNotFound when it is missing.
  void LoadFromResourceID(const TResourceModule& instance, int id);
  // "RES://name" (an RCDATA resource of the program), "FILE://path"; any
  // other URL is recorded and loads nothing.
  void LoadFromURL(const std::string& url);
  // Form data "Data": the bytes as stored, loaded without OnChange; the
  // Frame read before them is kept (within the frame count of a GIF).
  // Undecodable bytes raise as LoadFromStream does.
  void ReadData(std::span<const uint8_t> data);
  void DefineProperties(TFiler& filer) override;
  void SaveToStream(std::vector<uint8_t>& out) const;
  const std::vector<uint8_t>& Data() const { return data_; }

  // Resets the animation, then takes a picture's bytes, frame number, ID
  // and Stretch.
  void Assign(const THTMLPicture& source);
  // The same from a picture; null clears the picture; any other source
  // only resets it.
  void Assign(TPersistent* source) override;

  bool Stretch() const { return stretch_; }
  void SetStretch(bool v) { stretch_ = v; }
  bool Asynch() const { return asynch_; }
  void SetAsynch(bool v) { asynch_ = v; }
  bool Busy() const { return busy_; }
  const std::string& ID() const { return id_; }
  void SetID(const std::string& v) { id_ = v; }
  const std::string& URL() const { return url_; }

  bool IsGIF() const;
  // Frame headers of a GIF (0 when its images carry no control extension);
  // -1 for anything else.
  int FrameCount() const;
  int Frame() const { return frame_; }
  void SetFrame(int v);
  void FrameNext();
  void FramePrev();
  // Delay of frame n in hundredths of a second; -1 when there is no such frame.
  int FrameDelay(int n) const;
  // One animation tick of 10 hundredths of a second; true when the frame changed.
  bool Step();
  uint16_t FrameXPos() const { return frame_x_; }
  uint16_t FrameYPos() const { return frame_y_; }

  TNotifyEvent OnFrameChange;
  // Kept for form data and callers; nothing here raises them.
  TDownloadProgressEvent OnDownLoadProgress;
  TDownloadCancelEvent OnDownLoadCancel;
  TNotifyEvent OnDownLoadComplete;
  TDownloadErrorEvent OnDownLoadError;

 private:
  void Reset();
  void ResetAnimation();
  void TakeBytes(std::span<const uint8_t> data);
  void Decode();

  std::vector<uint8_t> data_;
  bool is_empty_ = true;
  bool stretch_ = false;
  std::optional<TDecodedImage> image_;
  std::string url_, id_;
  bool asynch_ = true;
  bool busy_ = false;
  int frame_ = 1;
  mutable int frame_count_ = -1;
  mutable std::vector<TGifFrame> frames_;
  uint16_t frame_x_ = 0, frame_y_ = 0, anim_max_x_ = 0, anim_max_y_ = 0;
  int next_count_ = -1, timer_count_ = -1;
};

// Pictures loaded by URL, owned, found by their exact ID.
class THTMLPictureCache {
 public:
  THTMLPicture* AddPicture();
  THTMLPicture* FindPicture(const std::string& id) const;
  void ClearPictures();
  int Count() const { return static_cast<int>(pictures_.size()); }
  THTMLPicture* Items(int i) const { return pictures_.at(static_cast<size_t>(i)).get(); }
  // One tick for every picture; true when any changed frame.
  bool Animate();

 private:
  std::vector<std::unique_ptr<THTMLPicture>> pictures_;
};

class TPictureItem : public TCollectionItem {
  TAVREL_CLASS_INFO
 public:
  explicit TPictureItem(TCollection* collection) : TCollectionItem(collection) {}
  THTMLPicture& Picture() { return picture_; }
  // "Picture" in form data.
  const THTMLPicture* PictureObject() const { return &picture_; }
  void SetPicture(const THTMLPicture& v) { picture_.Assign(v); }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int Tag() const { return tag_; }
  void SetTag(int v) { tag_ = v; }
  // Name, Tag and picture of another item; raises EConvertError for anything else.
  void Assign(TPersistent* source) override;

 private:
  THTMLPicture picture_;
  std::string name_;
  int tag_ = 0;
};

class TPictureCollection : public TCollection {
  TAVREL_CLASS_INFO
 public:
  explicit TPictureCollection(TPersistent* owner) : TCollection(ItemClassOf<TPictureItem>(), owner) {}
  TPictureItem* Add() { return static_cast<TPictureItem*>(TCollection::Add()); }
  TPictureItem* Insert(int i) { return static_cast<TPictureItem*>(TCollection::Insert(i)); }
  TPictureItem* Items(int i) const { return static_cast<TPictureItem*>(TCollection::Items(i)); }
  bool Animate();
};

class TPictureContainer : public TComponent {
  TAVREL_CLASS_INFO
 public:
  explicit TPictureContainer(TComponent* owner);
  TPictureCollection& Items() { return items_; }
  // "Items" in form data, which fills the collection there is.
  const TPictureCollection* ItemsObject() const { return &items_; }
  // The first item whose name matches with ASCII letters folded; null when none.
  virtual THTMLPicture* FindPicture(const std::string& name);
  std::string Version() const;
  void SetVersion(const std::string&) {}

 private:
  TPictureCollection items_;
};

}  // namespace tavrel
