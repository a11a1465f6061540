#include "render/grid_indices.h"

#include <gtest/gtest.h>

#include <vector>

TEST(GridIndicesTest, FirstAndLastCellAndEveryIndexInsideTheGrid) {
  std::vector<WORD> idx(kGridIndexCount + 1, 0xBEEF);
  FillGridIndices(idx.data());
  EXPECT_EQ(std::vector<WORD>(idx.begin(), idx.begin() + 6), (std::vector<WORD>{0, 1, 9, 9, 1, 10}));
  EXPECT_EQ(std::vector<WORD>(idx.begin() + 378, idx.begin() + 384),
            (std::vector<WORD>{70, 71, 79, 79, 71, 80}));
  EXPECT_EQ(std::vector<WORD>(idx.begin() + 48, idx.begin() + 54), (std::vector<WORD>{9, 10, 18, 18, 10, 19}))
      << "the second row starts at vertex 9: rows are outer";
  for (int i = 0; i < kGridIndexCount; ++i) EXPECT_LE(idx[i], 80) << i;
  EXPECT_EQ(idx[kGridIndexCount], 0xBEEF) << "writes exactly 384 indices";
}
