#include "model/GSpacingDistributor.h"

namespace {

constexpr GSpacingStep kEmptyChannel = {0, 1, 0, 0, 0};

bool Contributes(const GSpacingStep& channel) {
  return channel.remaining > 0 && (channel.base != 0 || channel.decrement != 0);
}

}  // namespace

GSpacingDistributor::GSpacingDistributor()
    : break_(kEmptyChannel), character_(kEmptyChannel), constant_(1), breakSum_(1) {}

GSpacingDistributor::GSpacingDistributor(const GSpacingStep& characterChannel, const GSpacingStep& breakChannel,
                                         int32_t constant, int32_t breakSum)
    : break_(breakChannel), character_(characterChannel), constant_(constant), breakSum_(breakSum) {
  if (constant_ != 0) character_ = {characterChannel.base, 1, 0, 1, 1};
}

GSpacingDistributor::~GSpacingDistributor() = default;

int GSpacingDistributor::IsActive() const { return Contributes(character_) || Contributes(break_) ? 1 : 0; }

int16_t GSpacingDistributor::NextCharacterExtra() {
  int16_t extra = Step(character_);
  // A constant channel is given its step back, so it never runs out.
  if (constant_ != 0) character_.remaining = static_cast<int16_t>(character_.remaining + 1);
  return extra;
}

int16_t GSpacingDistributor::NextBreakExtra() {
  int extra = breakSum_ == 1 ? NextCharacterExtra() : 0;
  extra += Step(break_);
  return static_cast<int16_t>(extra);
}

// The counts are signed: a channel with no steps, or a negative count, gives
// nothing and stays as it is. The arithmetic is done in int and stored back
// as 16-bit values (wrapping), as the fields are 16-bit.
int16_t GSpacingDistributor::Step(GSpacingStep& channel) {
  if (channel.remaining <= 0) return 0;
  int extra = channel.base;
  channel.error = static_cast<int16_t>(channel.error - channel.decrement);
  if (channel.error <= 0) {
    extra = channel.base + 1;
    channel.error = static_cast<int16_t>(channel.error + channel.increment);
  }
  channel.remaining = static_cast<int16_t>(channel.remaining - 1);
  return static_cast<int16_t>(extra);
}
