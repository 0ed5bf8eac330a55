// PSLIB: the PostScript writer that the PostScript generator owns. It
// buffers the job's text in 8192 bytes and hands full buffers to the
// generator's output sink; it knows the fixed parts of a DSC job (header
// comments, prolog with the procsets, setup, page frames, trailer) and keeps
// the settings that go into them, among them the page-device features that
// become one setpagedevice block in the setup and in every page setup that
// changes one.
#pragma once

#include <cstdint>
#include <string>

#include "rw/RWCString.h"

class GOutputSink;

class PSLIB {
 public:
  static constexpr uint32_t kCapacity = 8192;
  // Status results of the writer's operations.
  static constexpr int16_t kOk = 0;
  static constexpr int16_t kBadProcSet = 4;
  static constexpr int16_t kNoSink = 5;

  // The procsets the prolog carries (index 2 of the table is empty; asking
  // to write it writes procset 0 again).
  static constexpr int kStandardProcSet = 0;
  static constexpr int kWin35ProcSet = 1;
  static constexpr int kForcedStandardProcSet = 2;

  explicit PSLIB(GOutputSink* sink);
  PSLIB(const PSLIB&) = delete;
  PSLIB& operator=(const PSLIB&) = delete;

  // ---- Buffer and raw output ----
  // The text, kept in one piece when it fits the buffer (the buffer is
  // flushed first when the free space is too small); a text longer than the
  // buffer goes through in buffer-sized pieces. 0, or the failing flush's
  // status with nothing of the text written.
  int16_t WriteText(const char* text);
  int16_t WriteString(const RWCString& text);
  int16_t WriteText(const std::string& text);
  // Byte by byte, flushing when the buffer is full; stops at a failing
  // flush and returns its status.
  int16_t WriteBytes(const void* data, uint32_t count);
  // The bytes under the tagged binary protocol: 0x01, 0x03, 0x04, 0x05,
  // 0x11, 0x13, 0x14, 0x1B and 0x1C become 0x01 and the byte XOR 0x40.
  int16_t WriteTbcpBytes(const uint8_t* data, uint32_t count);
  // Tagged when binary transfer is on, else as they are.
  int16_t WritePassThrough(const uint8_t* data, uint32_t count);
  // Hands the buffered bytes to the sink: 5 without a sink (the buffer is
  // kept), else 0 (the sink keeps its own errors).
  int16_t Flush();
  // Each byte as two upper-case hexadecimal digits, a line end after every
  // 78 digits. The continued form carries its column over between calls.
  int16_t WriteHex(const uint8_t* data, uint32_t count);
  int16_t WriteHexContinued(const uint8_t* data, uint32_t count);
  // "<" digits ">" and a blank: bytes (78 digits a line) or 16-bit values,
  // most significant digit first (76 digits a line).
  int16_t WriteHexString(const uint8_t* data, uint32_t count);
  int16_t WriteHexString16(const uint16_t* values, uint32_t count);

  // ---- Job structure ----
  // The header comments, the prolog (error handler and the two procsets)
  // and the setup, preceded by a control-D when asked and by the switch to
  // the tagged binary protocol when binary transfer is on. Page numbers
  // restart here.
  int16_t WriteJobHeader(int controlD);
  // A procset's DSC resource, once a job (index 2: procset 0 again, even
  // when written); 4 for an index beyond the table.
  int16_t WriteProcSet(int index);
  // Writes the procset when needed and begins its dictionary once.
  int16_t BeginProcSet(int index);
  // Ends the procset's dictionary when it is the one begun last.
  int16_t EndProcSet(int index);
  // The procset's name: 0 for indices 0 to 2 (2 has none), else 4.
  static int16_t GetProcSetName(int index, RWCString& out);
  int16_t WritePageSetup();
  int16_t WritePageEnd();
  int16_t WriteTrailer(int controlD);
  // Drops the buffered text and clears the job's settings (see the .cpp).
  void Reset();

  // ---- Setup settings (recorded; written by the structure operations) ----
  // The document name for the title comment. Bytes below 32 (line ends,
  // control-D and the like) are replaced by blanks, so a name can neither
  // end the comment nor the job.
  void SetTitle(const RWCString& title);
  // Also arms the language-level check.
  void SetErrorHandler(int32_t on);
  void SetCmykProcessColour(int32_t on) { cmykProcessColour_ = on; }
  void SetSetupString1(const RWCString& text);
  void SetSetupString2(const RWCString& text);
  void SetBinaryTransfer(int32_t on) { binaryTransfer_ = on; }
  void SetAscii85(int32_t on) { ascii85_ = on; }
  void SetMirror(int32_t on) { mirror_ = on; }
  void SetNegative(int32_t on) { negative_ = on; }
  void SetColourStrings(const RWCString strings[6]);
  void SetJobTimeout(int16_t seconds);
  void SetWaitTimeout(int16_t seconds);

  // ---- Page-device features (PSLIBPageDevice.cpp) ----
  int16_t SetDeferredMediaSelection(int32_t on);
  int16_t SetResolution(int16_t x, int16_t y);
  int16_t SetPreRenderingEnhance(int16_t level);
  // Stores the pair in the orientation's order and marks it when it changed.
  int16_t SetPageSize(int16_t width, int16_t height);
  int16_t SetMediaType(const RWCString& name);
  int16_t SetManualFeed(int32_t on);
  // Positions 254 and 255 are stored but not marked.
  int16_t SetMediaPosition(int16_t position);
  int16_t SetOutputBin(int16_t bin, int16_t kind);
  // Counts below 1 are ignored.
  int16_t SetCopyCount(int16_t count);
  int16_t SetCollate(int32_t on);
  int16_t SetDuplex(int16_t duplex);
  int16_t SetPostRenderingEnhance(int16_t level);
  int16_t SetSparetone(int16_t on);
  int16_t SetExtendedPrintArea(int32_t on);
  // 0 portrait, 1 landscape, 2 portrait turned, 3 landscape turned; a new
  // code turns the stored page size and marks it.
  int16_t SetOrientation(uint8_t code);
  int16_t SetKeepPortrait(int32_t on);
  int16_t SetTumbleFlag();
  int16_t SetHalftone(int32_t custom);
  int16_t SetScreenFrequency(uint16_t tenths);
  int16_t SetScreenAngle(uint16_t tenths);
  // The changed features as one setpagedevice block; clears their marks.
  int16_t WritePageDeviceBlock();
  // The custom screen block, when armed with a custom screen.
  int16_t WriteHalftoneBlock();

  // ---- Drawing primitives (PSLIBDraw.cpp) ----
  // n in decimal and one blank.
  int16_t WriteInteger(int32_t n);
  // A 32-bit real with four truncated decimals ("2.5000", ".2500",
  // "-.5000", "3", "0") and one blank. The integer part is taken as a
  // 16-bit value, as the printer's operators expect.
  int16_t WriteReal(float x);
  // The real form of the font operations: a sign character (a blank for
  // positive values), the number with four truncated decimals and a blank.
  int16_t WriteGReal(float x);
  // The name followed by a line end or by one blank; nothing for an empty
  // name.
  int16_t WriteOperator(const char* name, bool lineEnd);
  // "[" the values as integers "]".
  int16_t WriteIntegerArray(const int16_t* values, uint32_t count);
  // The default matrix, the mirror, then the translation, rotation and
  // scale that put the page's origin at its top left corner in device
  // units for the orientation.
  int16_t WriteDeviceTransform();
  // Selects a font: "[ a shear slant*a -d 0 0 ] -angle name DF " with
  // a = size * xScale and d = size * yScale (a size or scale of 0 or less
  // counts as 0.01). The name is a PostScript name ("/F000000") or a
  // string ("(Arial000)") that the procset turns into a re-encoded copy.
  int16_t SelectFont(const char* name, float size, float slant, float shear, float xScale, float yScale, float angle);
  // Shows codes at the current point: a hexadecimal string (four digits a
  // code when two bytes per code), then the advances and "XYS", "XS" or
  // "YS" when there are advances and at least two codes, else "SH"; bold
  // is the pseudo-bold amount in device units.
  int16_t ShowText(const uint8_t* codes, uint32_t count, const int16_t* xAdvances, const int16_t* yAdvances,
                   int32_t bytesPerCode, int32_t bold);
  int16_t GetXResolution() const { return xResolution_; }
  int16_t GetYResolution() const { return yResolution_; }

  // ---- Image data (PSLIBDraw.cpp) ----
  // The framing operators of images and patterns.
  int16_t BeginImage(int32_t mapping, int32_t depth, int32_t srcWidth, int32_t srcHeight, int32_t dstWidth,
                     int32_t dstHeight);
  int16_t BeginPatternImage(int32_t mapping, int32_t depth, int32_t transparent, int32_t srcWidth, int32_t srcHeight,
                            int32_t dstWidth, int32_t dstHeight);
  int16_t ImageBlockHeader(int32_t startLine, int32_t blockHeight, int32_t compression);
  int16_t PatternBlockHeader(int32_t startLine, int32_t blockHeight, int32_t compression);
  int16_t EndImage();
  int16_t EndPatternImage();
  // kind 0 gray, 1 RGB, and "AK"; with a palette, the kind, the depth, the
  // palette bytes as a hexadecimal string and "AL".
  int16_t SetImageColourSpace(int32_t kind);
  int16_t SetImagePalette(int32_t kind, int32_t depth, const uint8_t* bytes, uint32_t count);
  // The byte count the next block header announces.
  void SetPendingDataLength(uint32_t length) { pendingDataLength_ = length; }
  // The decoder number of the block headers: 0 binary, 1 hexadecimal, 2
  // ASCII85.
  int32_t DataDecoder() const { return binaryTransfer_ != 0 ? 0 : ascii85_ != 0 ? 2 : 1; }
  // Opens the data that follows a block header (a line end unless binary;
  // the data's opening bracket when marker is set).
  int16_t BeginData(int32_t mode, int32_t marker);
  // The bytes under binary transfer, in ASCII85 or as hexadecimal digits.
  int16_t WriteData(const uint8_t* data, uint32_t count);
  // Ends the data: the partial ASCII85 group and "~>", or ">", or under
  // binary transfer the run-length end marker for mode 1; then a line end.
  int16_t EndData(int32_t mode, int32_t final);
  int32_t IsInImageData() const { return inImageData_; }

  // ---- State read by the generator and the tests ----
  int32_t GetPageNumber() const { return pageNumber_; }
  uint32_t GetFill() const { return fill_; }
  int32_t GetFeaturesPending() const { return featuresPending_; }
  int32_t GetBinaryTransfer() const { return binaryTransfer_; }
  int32_t GetAscii85() const { return ascii85_; }
  int32_t GetMirror() const { return mirror_; }
  int32_t GetNegative() const { return negative_; }
  int32_t GetKeepPortrait() const { return keepPortrait_; }
  uint8_t GetOrientation() const { return orientation_; }
  int16_t GetPageWidth() const { return pageWidth_; }
  int16_t GetPageHeight() const { return pageHeight_; }
  const RWCString& GetTitle() const { return title_; }

 private:
  // The page-device features in the order of the block.
  enum Feature : int {
    kDeferredMediaSelection,
    kResolution,
    kPreRenderingEnhance,
    kPageSize,
    kMediaType,
    kManualFeed,
    kMediaPosition,
    kOutputBin,
    kNumCopies,
    kCollate,
    kDuplex,
    kPostRenderingEnhance,
    kSparetone,
    kExtendedPrintArea,
    kFeatureCount
  };
  void Mark(Feature feature);
  // Stores the value and marks its feature; 0.
  template <typename T, typename V>
  int16_t Record(T& field, V value, Feature feature);
  // The duplex entry for the current orientation and tumble flag.
  std::string DuplexText() const;
  // One byte into the buffer, flushing a full buffer first.
  int16_t PutByte(uint8_t byte);
  int16_t WriteHexDigits(const uint8_t* data, uint32_t count, int32_t& column);
  // The image values before "AP" or "AM" (the transparent flag only for a
  // pattern).
  void WriteImageValues(int32_t mapping, int32_t depth, const int32_t* transparent, int32_t srcWidth,
                        int32_t srcHeight, int32_t dstWidth, int32_t dstHeight);

  GOutputSink* sink_;  // not owned
  uint8_t buffer_[kCapacity];
  uint32_t fill_ = 0;

  int32_t pageNumber_ = 0;
  RWCString title_;
  uint32_t procsetsWritten_ = 0;
  uint32_t procsetsActive_ = 0;
  int procsetStack_[3] = {};
  int procsetCount_ = 0;

  int32_t errorHandler_ = 0;
  int32_t levelCheckPending_ = 0;
  int32_t jobTimeoutPending_ = 0;
  int16_t jobTimeout_ = 0;
  int32_t waitTimeoutPending_ = 0;
  int16_t waitTimeout_ = 0;
  int32_t setupString1Set_ = 0;
  RWCString setupString1_;
  int32_t setupString2Set_ = 0;
  RWCString setupString2_;
  int32_t cmykProcessColour_ = 0;
  int32_t binaryTransfer_ = 0;
  int32_t ascii85_ = 0;
  int32_t mirror_ = 0;
  int32_t negative_ = 0;
  int32_t colourStringsSet_ = 0;
  RWCString colourStrings_[6];
  int32_t hexColumn_ = 0;
  // Image data state.
  uint32_t pendingDataLength_ = 0;
  int32_t inImageData_ = 0;
  uint32_t a85Count_ = 0;
  uint32_t a85Value_ = 0;
  uint32_t a85Column_ = 0;

  // Page-device feature values and their marks.
  uint32_t changed_ = 0;
  int32_t featuresPending_ = 0;
  int32_t deferredMediaSelection_ = 0;
  int16_t xResolution_ = 0;
  int16_t yResolution_ = 0;
  int16_t preRenderingEnhance_ = 0;
  int16_t pageWidth_ = 0;
  int16_t pageHeight_ = 0;
  RWCString mediaType_;
  int32_t manualFeed_ = 0;
  int16_t mediaPosition_ = 0;
  int16_t outputBin_ = 0;
  int16_t outputBinKind_ = 0;
  int16_t copyCount_ = 1;
  int32_t collate_ = 0;
  int16_t duplex_ = 0;
  int16_t postRenderingEnhance_ = 0;
  int16_t sparetone_ = 0;
  int32_t extendedPrintArea_ = 0;
  uint8_t orientation_ = 0;
  int32_t keepPortrait_ = 0;
  int32_t tumbleFlag_ = 0;
  int32_t halftoneArmed_ = 0;
  int32_t customScreen_ = 0;
  uint16_t screenFrequency_ = 1060;
  uint16_t screenAngle_ = 450;
};
