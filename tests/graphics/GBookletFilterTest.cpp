// The booklet filter's page order: which pages share a side of a folded
// sheet, for either binding edge and either sheet order. The booklet as it
// prints (padding, the inner n-up pass, the rendered sides) is judged by
// the PCL interpreter in the host's tests.
#include "graphics/GBookletFilter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Order = std::vector<uint32_t>;

TEST(GBookletFilterTest, PagesAreOrderedForTheFoldedSheets) {
  struct Case {
    const char* name;
    bool innermostFirst;
    uint32_t pages;
    int16_t binding;
    Order sides;
  } cases[] = {
      {"eight, left edge, outermost first", false, 8, 1, {8, 1, 2, 7, 6, 3, 4, 5}},
      {"eight, left edge, innermost first", true, 8, 1, {6, 3, 4, 5, 8, 1, 2, 7}},
      {"four, right edge, outermost first", false, 4, 2, {1, 4, 3, 2}},
      {"eight, right edge, innermost first", true, 8, 2, {3, 6, 5, 4, 1, 8, 7, 2}},
      {"twelve, left edge, outermost first", false, 12, 1, {12, 1, 2, 11, 10, 3, 4, 9, 8, 5, 6, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.innermostFirst ? GBookletFilter::InnermostFirst(c.pages, c.binding)
                               : GBookletFilter::OutermostFirst(c.pages, c.binding),
              c.sides);
  }
}

TEST(GBookletFilterTest, WithoutABookletJobItStaysOutAndAsksNoScale) {
  GBookletFilter filter;
  EXPECT_EQ(filter.GetEffectFlags(), 0);
  int32_t code = 0;
  EXPECT_EQ(filter.GetScale(nullptr, nullptr, 1, &code), GRealPair(0.0f, 0.0f));
  EXPECT_EQ(code, 0);
}

}  // namespace
