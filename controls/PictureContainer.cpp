#include "controls/PictureContainer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "controls/versiontext.h"
#include "platform/classinfo.h"
#include "platform/exceptions.h"
#include "platform/filer.h"
#include "platform/ui/imagebytes.h"

namespace tavrel {
namespace {

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// Closes a descriptor on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t limit) {
  // Non-blocking, so that opening a FIFO with no writer returns at once.
  FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > limit)
    return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) return std::nullopt;
    if (n == 0) break;  // shrank while we read
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

// ---- THTMLPicture ------------------------------------------------------------------

const ClassInfo& THTMLPicture::Class() {
  using P = THTMLPicture;
  static const ClassInfo ci = ClassBuilder<P>("THTMLPicture", TPersistent::Class())
                                  .prop("Stretch", &P::Stretch, &P::SetStretch)
                                  .defaultValue(false)
                                  .prop("Frame", &P::Frame, &P::SetFrame)
                                  .defaultValue(int64_t{1})
                                  .event("OnFrameChange", &P::OnFrameChange)
                                  .event("OnDownLoadError", &P::OnDownLoadError)
                                  .event("OnDownLoadComplete", &P::OnDownLoadComplete)
                                  .event("OnDownLoadCancel", &P::OnDownLoadCancel)
                                  .event("OnDownLoadProgress", &P::OnDownLoadProgress)
                                  .build();
  return ci;
}

THTMLPicture::THTMLPicture() = default;
THTMLPicture::~THTMLPicture() = default;

int THTMLPicture::Width() const { return image_ ? image_->Width() : 0; }
int THTMLPicture::Height() const { return image_ ? image_->Height() : 0; }

int THTMLPicture::MaxWidth() const {
  if (!image_) return 0;
  return anim_max_x_ ? anim_max_x_ : Width();
}
int THTMLPicture::MaxHeight() const {
  if (!image_) return 0;
  return anim_max_y_ ? anim_max_y_ : Height();
}

void THTMLPicture::Draw(TCanvas& canvas, const TRect& rect) const {
  if (is_empty_ || !image_) return;
  image_->Render(canvas, rect, stretch_);
}

void THTMLPicture::ResetAnimation() {
  frame_count_ = -1;
  frames_.clear();
  next_count_ = -1;
  timer_count_ = -1;
  frame_ = 1;
}

void THTMLPicture::TakeBytes(std::span<const uint8_t> data) {
  ResetAnimation();
  image_.reset();
  data_.assign(data.begin(), data.end());
  is_empty_ = false;
}

void THTMLPicture::LoadFromStream(std::span<const uint8_t> data) {
  TakeBytes(data);
  Decode();
  Changed();
}

void THTMLPicture::ReadData(std::span<const uint8_t> data) {
  // Form data holds Frame before Data: the frame belongs with these bytes.
  const int frame = frame_;
  TakeBytes(data);
  const int count = FrameCount();
  frame_ = count >= 1 ? std::clamp(frame, 1, count) : frame;
  Decode();
}

void THTMLPicture::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Data", [this](TReader& r) { ReadData(r.ReadBinary()); }, [this](TWriter& w) { w.WriteBinary(data_); },
      !Empty());
}

void THTMLPicture::SaveToStream(std::vector<uint8_t>& out) const { out.insert(out.end(), data_.begin(), data_.end()); }

void THTMLPicture::LoadFromFile(const std::string& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadRegularFile(path, kMaxPictureFileSize);
  try {
    if (!bytes) throw Exception("Could not load image");
    LoadFromStream(*bytes);
  } catch (const Exception&) {
    is_empty_ = true;
    image_.reset();
  }
}

void THTMLPicture::LoadFromResourceName(const TResourceModule& instance, const std::string& name) {
  if (const TResource* res = instance.Find(RT_RCDATA, name)) LoadFromStream(res->data);
}

void THTMLPicture::LoadFromResourceID(const TResourceModule& instance, int id) {
  const TResource* res = instance.Find(RT_RCDATA, id);
  if (!res) throw EResNotFound("Resource " + std::to_string(id) + " not found");
  LoadFromStream(res->data);
}

void THTMLPicture::LoadFromURL(const std::string& url) {
  const std::string upper = AsciiUpper(url);
  if (StartsWith(upper, "RES://")) {
    id_ = url;
    if (url.size() > 6) LoadFromResourceName(HInstance(), url.substr(6));
  } else if (StartsWith(upper, "FILE://")) {
    id_ = url;
    if (url.size() > 7) LoadFromFile(url.substr(7));
  } else if (!asynch_) {
    url_ = url;
    id_ = url;
  } else if (!busy_) {
    // The download thread of old did nothing; the picture only stays busy.
    url_ = url;
    busy_ = true;
  }
}

void THTMLPicture::Reset() {
  is_empty_ = true;
  image_.reset();
  ResetAnimation();
  frame_x_ = frame_y_ = anim_max_x_ = anim_max_y_ = 0;
}

void THTMLPicture::Assign(TPersistent* source) {
  if (auto* picture = dynamic_cast<THTMLPicture*>(source)) return Assign(*picture);
  Reset();
  if (!source) data_.clear();
}

void THTMLPicture::Assign(const THTMLPicture& source) {
  Reset();
  stretch_ = source.stretch_;
  id_ = source.id_;
  data_ = source.data_;
  frame_ = source.frame_;
  // An empty picture copies as empty: there are no bytes to decode.
  if (data_.empty()) return;
  is_empty_ = false;
  Decode();
  Changed();
}

bool THTMLPicture::IsGIF() const { return IsGifData(data_); }

int THTMLPicture::FrameCount() const {
  if (frame_count_ != -1) return frame_count_;
  if (!IsGIF()) return -1;
  frames_ = ScanGifFrames(data_);
  frame_count_ = static_cast<int>(frames_.size());
  return frame_count_;
}

int THTMLPicture::FrameDelay(int n) const {
  if (FrameCount() < n || n < 1) return -1;
  return frames_[static_cast<size_t>(n - 1)].delay;
}

void THTMLPicture::SetFrame(int v) {
  const int count = FrameCount();
  if (count >= 1) v = std::clamp(v, 1, count);
  frame_ = v;
  if (is_empty_) return;
  Decode();
  if (OnFrameChange) OnFrameChange(this);
}

void THTMLPicture::FrameNext() { frame_ = frame_ < frame_count_ ? frame_ + 1 : 1; }
void THTMLPicture::FramePrev() { frame_ = frame_ > 1 ? frame_ - 1 : frame_count_; }

bool THTMLPicture::Step() {
  if (frame_count_ < 2 || is_empty_) return false;
  bool changed = false;
  if (int64_t{timer_count_} * 10 >= next_count_) {
    FrameNext();
    try {
      Decode();
    } catch (const Exception&) {
      // A frame that does not decode shows nothing; the animation goes on.
    }
    next_count_ += std::max(FrameDelay(frame_), 0);
    changed = true;
  }
  ++timer_count_;
  return changed;
}

void THTMLPicture::Decode() {
  frame_x_ = frame_y_ = anim_max_x_ = anim_max_y_ = 0;
  image_.reset();
  std::vector<uint8_t> cut;
  std::span<const uint8_t> bytes = data_;
  if (IsGIF() && FrameCount() > 0 && frame_ >= 1 && frame_ <= frame_count_) {
    anim_max_x_ = Le16(&data_[6]);
    anim_max_y_ = Le16(&data_[8]);
    const TGifFrame& f = frames_[static_cast<size_t>(frame_ - 1)];
    frame_x_ = f.left;
    frame_y_ = f.top;
    cut = CutGifFrame(data_, frames_, frame_);
    bytes = cut;
  }
  try {
    image_ = TDecodedImage::Load(bytes.data(), bytes.size());
  } catch (const EInvalidGraphic&) {
    throw Exception("Could not load image. Invalid format");
  }
}

// ---- cache, collection, container ------------------------------------------------

THTMLPicture* THTMLPictureCache::AddPicture() {
  pictures_.push_back(std::make_unique<THTMLPicture>());
  return pictures_.back().get();
}

THTMLPicture* THTMLPictureCache::FindPicture(const std::string& id) const {
  for (const auto& p : pictures_)
    if (p->ID() == id) return p.get();
  return nullptr;
}

void THTMLPictureCache::ClearPictures() { pictures_.clear(); }

bool THTMLPictureCache::Animate() {
  bool changed = false;
  for (const auto& p : pictures_) changed |= p->Step();
  return changed;
}

const ClassInfo& TPictureItem::Class() {
  static const ClassInfo ci = ClassBuilder<TPictureItem>("TPictureItem", TCollectionItem::Class())
                                  .prop("Picture", &TPictureItem::PictureObject)
                                  .prop("Name", &TPictureItem::Name, &TPictureItem::SetName)
                                  .prop("Tag", &TPictureItem::Tag, &TPictureItem::SetTag)
                                  .defaultValue(int64_t{0})
                                  .build();
  return ci;
}

void TPictureItem::Assign(TPersistent* source) {
  auto* item = dynamic_cast<TPictureItem*>(source);
  if (!item) throw EConvertError("Invalid class typecast");
  name_ = item->name_;
  tag_ = item->tag_;
  picture_.Assign(item->picture_);
}

const ClassInfo& TPictureCollection::Class() {
  static const ClassInfo ci = ClassBuilder<TPictureCollection>("TPictureCollection", TCollection::Class()).build();
  return ci;
}

bool TPictureCollection::Animate() {
  bool changed = false;
  for (int i = 0; i < Count(); ++i) changed |= Items(i)->Picture().Step();
  return changed;
}

const ClassInfo& TPictureContainer::Class() {
  static const ClassInfo ci = ClassBuilder<TPictureContainer>("TPictureContainer", TComponent::Class())
                                  .prop("Items", &TPictureContainer::ItemsObject)
                                  .prop("Version", &TPictureContainer::Version, &TPictureContainer::SetVersion)
                                  .build();
  return ci;
}

TPictureContainer::TPictureContainer(TComponent* owner) : TComponent(owner), items_(this) {}

THTMLPicture* TPictureContainer::FindPicture(const std::string& name) {
  const std::string key = AsciiUpper(name);
  for (int i = 0; i < items_.Count(); ++i)
    if (AsciiUpper(items_.Items(i)->Name()) == key) return &items_.Items(i)->Picture();
  return nullptr;
}

std::string TPictureContainer::Version() const { return VersionText(0x01000000); }

}  // namespace tavrel
