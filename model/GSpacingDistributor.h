// GSpacingDistributor: spreads a whole number of extra spacing units over a
// run of characters as evenly as whole units allow, stepping an error term
// the way a line is drawn on a grid. One channel gives every character its
// share, a second one gives break characters theirs.
#pragma once

#include <cstdint>

// One channel of the distributor. Each step hands out base units, or
// base + 1 when the error term falls to zero or below.
struct GSpacingStep {
  int16_t base;       // units every step gives at least
  int16_t error;      // running error term
  int16_t decrement;  // subtracted from the error at every step
  int16_t remaining;  // steps left
  int16_t increment;  // added back to the error when it falls to zero or below
};

class GSpacingDistributor {
 public:
  // Both channels empty {0, 1, 0, 0, 0}; constant and break-sum flags set.
  GSpacingDistributor();
  // With a non-zero constant flag the character channel becomes
  // {its base, 1, 0, 1, 1}: its base for every character, without end.
  GSpacingDistributor(const GSpacingStep& characterChannel, const GSpacingStep& breakChannel,
                      int32_t constant, int32_t breakSum);
  virtual ~GSpacingDistributor();

  // 1 when either channel has steps left and a non-zero base or decrement.
  int IsActive() const;

  // The extra units for a character that is not a break character.
  virtual int16_t NextCharacterExtra();
  // The extra units for a break character: the break channel's step, plus the
  // character channel's when the break-sum flag is 1.
  virtual int16_t NextBreakExtra();
  // One step of a channel; 0 without change once no steps are left.
  virtual int16_t Step(GSpacingStep& channel);

 private:
  GSpacingStep break_;
  GSpacingStep character_;
  int32_t constant_;
  int32_t breakSum_;
};
