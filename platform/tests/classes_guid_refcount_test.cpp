#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/exceptions.h"
#include "platform/guid.h"
#include "platform/refcount.h"

namespace tavrel {
namespace {

TEST(Guid, ParsesAndFormatsInUpperCase) {
  struct Case {
    const char* text;
    const char* formatted;
  } cases[] = {
      {"{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}", "{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}"},
      {"{41898a42-8c0f-4c05-aee4-c2de0bab1869}", "{41898A42-8C0F-4C05-AEE4-C2DE0BAB1869}"},
      {"{00000000-0000-0000-0000-000000000000}", "{00000000-0000-0000-0000-000000000000}"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatGUIDText(StringToGUID(c.text)), c.formatted);
  }
  Guid g = StringToGUID("{2BFF1BE1-1698-4CFA-A427-9E0801C5B357}");
  EXPECT_EQ(g.D1, 0x2BFF1BE1u);
  EXPECT_EQ(g.D2, 0x1698u);
  EXPECT_EQ(g.D3, 0x4CFAu);
  EXPECT_EQ(g.D4[0], 0xA4);
  EXPECT_EQ(g.D4[7], 0x57);
  EXPECT_FALSE(g.isNil());
  EXPECT_TRUE(Guid{}.isNil());
}

TEST(Guid, MalformedTextRaisesConversionError) {
  const char* bad[] = {"",
                       "66C8D1BF-FA12-48E8-B0C9-60A652FA80D9",
                       "{66C8D1BF-FA12-48E8-B0C9-60A652FA80D}",
                       "{66C8D1BF-FA12-48E8-B0C9-60A652FA80D9}x",
                       "{66C8D1BF+FA12-48E8-B0C9-60A652FA80D9}",
                       "{66C8D1BG-FA12-48E8-B0C9-60A652FA80D9}",
                       "{66C8D1BF-FA12-48E8-B0C960A652FA80D9-}"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_THROW(StringToGUID(text), EConvertError);
  }
}

struct IShape : virtual RefCounted {
  virtual int Corners() const = 0;
};
struct INamed : virtual RefCounted {
  virtual const char* Name() const = 0;
};
struct Square : IShape, INamed {
  explicit Square(int* alive) : alive_(alive) { ++*alive_; }
  ~Square() override { --*alive_; }
  int Corners() const override { return 4; }
  const char* Name() const override { return "square"; }
  int* alive_;
};

TEST(Ref, OneCountAcrossInterfacesAndLastReferenceFrees) {
  int alive = 0;
  {
    Ref<Square> sq = MakeRef<Square>(&alive);
    Ref<IShape> shape = sq;
    Ref<INamed> named = RefCast<INamed>(shape);
    ASSERT_TRUE(named);
    EXPECT_STREQ(named->Name(), "square");
    EXPECT_EQ(sq->RefCount(), 3);
    Ref<IShape> moved = std::move(shape);
    EXPECT_FALSE(shape);
    EXPECT_EQ(sq->RefCount(), 3);
    sq = nullptr;
    named.reset();
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(moved->Corners(), 4);
  }
  EXPECT_EQ(alive, 0);
}

TEST(Ref, CountsAcrossThreads) {
  int alive = 0;
  Ref<IShape> shared = MakeRef<Square>(&alive);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([shared] {
      for (int i = 0; i < 10000; ++i) {
        Ref<IShape> copy = shared;
        Ref<INamed> other = RefCast<INamed>(copy);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared->RefCount(), 1);
  shared = nullptr;
  EXPECT_EQ(alive, 0);
}

}  // namespace
}  // namespace tavrel
