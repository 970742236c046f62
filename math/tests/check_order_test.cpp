// Every routine bound by the statistics, window, media-buffer, audio and
// image families is swept for its check order: a null pointer wins, then a
// bad size, then the routine's own check, and a failing call writes nothing.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "math/audio_routines.h"
#include "math/image_routines.h"
#include "math/media_buffer_routines.h"
#include "math/statistics_routines.h"
#include "math/tests/check_order.h"

namespace tavrel::kernels {
namespace {

std::vector<testing::CheckRow> AllRows() {
  std::vector<testing::CheckRow> rows;
  for (auto family : {WindowsCheckRows, RandomCheckRows, StatisticsCheckRows,
                      ScaledArithmeticCheckRows, IirCheckRows, AudioKernelsCheckRows,
                      ImagePixelsCheckRows}) {
    for (auto& row : family()) rows.push_back(std::move(row));
  }
  return rows;
}

TEST(CheckOrder, EveryRoutineOfTheFamiliesIsSwept) {
  // Routines whose published order interleaves the checks differently have
  // their own precedence tables (tone, triangle) or level tests (look-up).
  const std::set<std::string> ownOrder = {"ippsTone_Direct_16s", "ippsTriangle_Direct_16s",
                                          "ippiLUT_Linear_8u_C4R"};
  const std::vector<testing::CheckRow> rows = AllRows();
  std::set<std::string> swept;
  for (const auto& row : rows) swept.insert(row.name.substr(0, row.name.find('(')));
  int entries = 0;
  for (auto family : {StatisticsRoutines, MediaBufferRoutines, AudioRoutines, ImageRoutines}) {
    for (const RoutineEntry& entry : family()) {
      ++entries;
      const std::string name(entry.name);
      if (ownOrder.count(name)) continue;
      EXPECT_TRUE(swept.count(name)) << name << " has no row";
    }
  }
  EXPECT_EQ(entries, 56 + 53 + 23 + 7);
  testing::ExpectCheckOrder(rows);
}

}  // namespace
}  // namespace tavrel::kernels
