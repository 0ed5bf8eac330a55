// The writer's page-device features: each setter records its value and
// marks the feature; the block writes the marked ones in a fixed order as
// one setpagedevice inside "stopped", so a printer that lacks a feature
// goes on with the job.
#include <cstdio>

#include "pdl/PSLIB.h"

namespace {

const char* PsTrueFalse(bool on) { return on ? "true" : "false"; }

std::string PsPair(int a, int b) {
  char text[32];
  std::snprintf(text, sizeof text, "%d %d", a, b);
  return text;
}

}  // namespace

void PSLIB::Mark(Feature feature) {
  changed_ |= 1u << feature;
  featuresPending_ = 1;
}

template <typename T, typename V>
int16_t PSLIB::Record(T& field, V value, Feature feature) {
  field = value;
  Mark(feature);
  return kOk;
}

int16_t PSLIB::SetDeferredMediaSelection(int32_t on) {
  return Record(deferredMediaSelection_, on, kDeferredMediaSelection);
}

int16_t PSLIB::SetResolution(int16_t x, int16_t y) {
  xResolution_ = x;
  yResolution_ = y;
  Mark(kResolution);
  return kOk;
}

int16_t PSLIB::SetPreRenderingEnhance(int16_t level) {
  return Record(preRenderingEnhance_, level, kPreRenderingEnhance);
}

int16_t PSLIB::SetPageSize(int16_t width, int16_t height) {
  const int16_t small = width < height ? width : height;
  const int16_t large = width < height ? height : width;
  // Landscape codes take the long side across, unless the drawing is turned
  // on a portrait page instead.
  const bool across = keepPortrait_ == 0 && (orientation_ == 1 || orientation_ == 3);
  const int16_t w = across ? large : small;
  const int16_t h = across ? small : large;
  if (w == pageWidth_ && h == pageHeight_) return kOk;
  pageWidth_ = w;
  pageHeight_ = h;
  Mark(kPageSize);
  return kOk;
}

int16_t PSLIB::SetOrientation(uint8_t code) {
  if (code == orientation_) return kOk;
  orientation_ = code;
  // The stored pair turns with the orientation; without one there is
  // nothing to write yet.
  if (pageWidth_ != 0 || pageHeight_ != 0) {
    const int16_t width = pageWidth_;
    const int16_t height = pageHeight_;
    pageWidth_ = 0;
    pageHeight_ = 0;
    SetPageSize(width, height);
    Mark(kPageSize);
  }
  return kOk;
}

int16_t PSLIB::SetMediaType(const RWCString& name) { return Record(mediaType_, name, kMediaType); }

int16_t PSLIB::SetManualFeed(int32_t on) { return Record(manualFeed_, on, kManualFeed); }

int16_t PSLIB::SetMediaPosition(int16_t position) {
  mediaPosition_ = position;
  if (position != 254 && position != 255) Mark(kMediaPosition);
  return kOk;
}

int16_t PSLIB::SetOutputBin(int16_t bin, int16_t kind) {
  outputBin_ = bin;
  outputBinKind_ = kind;
  Mark(kOutputBin);
  return kOk;
}

int16_t PSLIB::SetCopyCount(int16_t count) {
  if (count <= 0) return kOk;
  copyCount_ = count;
  Mark(kNumCopies);
  return kOk;
}

int16_t PSLIB::SetCollate(int32_t on) { return Record(collate_, on, kCollate); }

int16_t PSLIB::SetDuplex(int16_t duplex) { return Record(duplex_, duplex, kDuplex); }

int16_t PSLIB::SetPostRenderingEnhance(int16_t level) {
  return Record(postRenderingEnhance_, level, kPostRenderingEnhance);
}

int16_t PSLIB::SetSparetone(int16_t on) { return Record(sparetone_, on, kSparetone); }

int16_t PSLIB::SetExtendedPrintArea(int32_t on) { return Record(extendedPrintArea_, on, kExtendedPrintArea); }

int16_t PSLIB::SetKeepPortrait(int32_t on) {
  keepPortrait_ = on;
  return kOk;
}

int16_t PSLIB::SetTumbleFlag() {
  tumbleFlag_ = 1;
  return kOk;
}

int16_t PSLIB::SetHalftone(int32_t custom) {
  halftoneArmed_ = 1;
  customScreen_ = custom;
  return kOk;
}

int16_t PSLIB::SetScreenFrequency(uint16_t tenths) {
  screenFrequency_ = tenths;
  return kOk;
}

int16_t PSLIB::SetScreenAngle(uint16_t tenths) {
  screenAngle_ = tenths;
  return kOk;
}

// Which edge the sheet turns on. A landscape page under another maker's
// raster processor (its dictionary in userdict) takes the other tumble.
std::string PSLIB::DuplexText() const {
  const bool landscape = orientation_ == 1 || orientation_ == 3;
  if (duplex_ == 1) {
    if (landscape)
      return "userdict /FieryXJdict known {/Duplex true /Tumble false}{/Duplex true /Tumble true} ifelse";
    return std::string("/Duplex true /Tumble ") + PsTrueFalse(tumbleFlag_ == 0);
  }
  if (duplex_ == 2) {
    if (landscape && tumbleFlag_ == 0)
      return "userdict /FieryXJdict known {/Duplex true /Tumble true}{/Duplex true /Tumble false} ifelse";
    return "/Duplex true /Tumble false";
  }
  return "/Duplex false";
}

int16_t PSLIB::WritePageDeviceBlock() {
  featuresPending_ = 0;
  std::string text = "[{\r\n<<";
  for (int feature = 0; feature < kFeatureCount; ++feature) {
    if ((changed_ & (1u << feature)) == 0) continue;
    changed_ &= ~(1u << feature);
    switch (feature) {
      case kDeferredMediaSelection:
        text += std::string("/DeferredMediaSelection ") + PsTrueFalse(deferredMediaSelection_ != 0);
        break;
      case kResolution:
        text += "/HWResolution [" + PsPair(xResolution_, yResolution_) + "]";
        break;
      case kPreRenderingEnhance:
        text += std::string("/PreRenderingEnhance ") + PsTrueFalse(preRenderingEnhance_ > 1);
        break;
      case kPageSize:
        text += "/PageSize [" + PsPair(pageWidth_, pageHeight_) + "] /ImagingBBox null";
        break;
      case kMediaType:
        text += "/MediaType ";
        if (mediaType_.Length() == 0) {
          text += "null";
        } else {
          // The name is a PostScript string: its delimiters and
          // backslashes are escaped, control bytes blanked.
          text += '(';
          for (size_t i = 0; i < mediaType_.Length(); ++i) {
            const char c = mediaType_.Data()[i];
            if (c == '(' || c == ')' || c == '\\') text += '\\';
            text += static_cast<unsigned char>(c) < 32 ? ' ' : c;
          }
          text += ')';
        }
        break;
      case kManualFeed:
        text += std::string("/ManualFeed ") + PsTrueFalse(manualFeed_ == 1);
        break;
      case kMediaPosition:
        text += "/MediaPosition " + std::to_string(mediaPosition_);
        break;
      case kOutputBin:
        continue;  // recorded only
      case kNumCopies:
        text += "/NumCopies " + std::to_string(copyCount_);
        break;
      case kCollate:
        text += std::string("/Collate ") + PsTrueFalse(collate_ == 1);
        break;
      case kDuplex:
        text += DuplexText();
        break;
      case kPostRenderingEnhance:
        text += std::string("/PostRenderingEnhance ") + PsTrueFalse(postRenderingEnhance_ != 0);
        break;
      case kSparetone:
        text += std::string("/Sparetone ") + PsTrueFalse(sparetone_ == 1);
        break;
      case kExtendedPrintArea:
        text += std::string("/ExtendedPrintArea ") + PsTrueFalse(extendedPrintArea_ == 1);
        break;
      default:
        continue;
    }
    text += "\r\n";
  }
  text += ">> setpagedevice\r\n} stopped cleartomark\r\n";
  return WriteText(text);
}

int16_t PSLIB::WriteHalftoneBlock() {
  if (halftoneArmed_ == 0 || customScreen_ == 0) return kOk;
  halftoneArmed_ = 0;
  char screen[64];
  std::snprintf(screen, sizeof screen, "%u.%u %u.%u ", screenFrequency_ / 10u, screenFrequency_ % 10u,
                screenAngle_ / 10u, screenAngle_ % 10u);
  const std::string text = std::string(
                               "[{\r\n"
                               "<</PostRenderingEnhance false\r\n"
                               "/Install\r\n"
                               "{\r\n"
                               "/DefaultColorRendering600 /ColorRendering findresource setcolorrendering\r\n"
                               "/DefaultHalftone600 /Halftone findresource sethalftone\r\n"
                               "{} settransfer false setstrokeadjust\r\n"
                               "}\r\n"
                               ">> setpagedevice\r\n"
                               "} stopped cleartomark\r\n") +
                           screen + "currentscreen exch pop exch pop setscreen\r\n";
  return WriteText(text);
}
