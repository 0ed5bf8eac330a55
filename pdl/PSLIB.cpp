#include "pdl/PSLIB.h"

#include <cstdio>
#include <cstring>

#include "pdl/GOutputSink.h"
#include "pdl/PSProcSets.h"

namespace {

struct PsProcSetEntry {
  const char* name;
  const char* version;
  const char* revision;
  const char* (*body)();
};

// The prolog's procsets, by index; index 2 stands for procset 0 written
// again and has no entry of its own.
const PsProcSetEntry kPsProcSets[2] = {
    {"QV_Standard_Proc", "1.0", "0", &PSProcSets::StandardBody},
    {"MS_Win35_Proc", "3", "1", &PSProcSets::Win35Body},
};

const char kPsHexDigits[] = "0123456789ABCDEF";

std::string PsFormat(const char* format, int a) {
  char text[32];
  std::snprintf(text, sizeof text, format, a);
  return text;
}

}  // namespace

PSLIB::PSLIB(GOutputSink* sink) : sink_(sink) {}

// ---- Buffer and raw output ----

int16_t PSLIB::Flush() {
  if (sink_ == nullptr) return kNoSink;
  if (fill_ != 0) sink_->Write(buffer_, fill_);
  fill_ = 0;
  return kOk;
}

int16_t PSLIB::PutByte(uint8_t byte) {
  if (fill_ == kCapacity) {
    const int16_t status = Flush();
    if (status != kOk) return status;
  }
  buffer_[fill_++] = byte;
  return kOk;
}

int16_t PSLIB::WriteBytes(const void* data, uint32_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (uint32_t i = 0; i < count; ++i) {
    const int16_t status = PutByte(bytes[i]);
    if (status != kOk) return status;
  }
  return kOk;
}

int16_t PSLIB::WriteText(const char* text) {
  if (text == nullptr) return kOk;
  const size_t length = std::strlen(text);
  if (length > kCapacity) return WriteBytes(text, static_cast<uint32_t>(length));
  if (kCapacity - fill_ < length) {
    const int16_t status = Flush();
    if (status != kOk) return status;
  }
  std::memcpy(buffer_ + fill_, text, length);
  fill_ += static_cast<uint32_t>(length);
  return kOk;
}

int16_t PSLIB::WriteText(const std::string& text) {
  if (text.size() > kCapacity) return WriteBytes(text.data(), static_cast<uint32_t>(text.size()));
  if (kCapacity - fill_ < text.size()) {
    const int16_t status = Flush();
    if (status != kOk) return status;
  }
  std::memcpy(buffer_ + fill_, text.data(), text.size());
  fill_ += static_cast<uint32_t>(text.size());
  return kOk;
}

int16_t PSLIB::WriteString(const RWCString& text) { return WriteText(std::string(text.Data(), text.Length())); }

int16_t PSLIB::WriteTbcpBytes(const uint8_t* data, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (kCapacity - fill_ < 2) {
      const int16_t status = Flush();
      if (status != kOk) return status;
    }
    const uint8_t byte = data[i];
    switch (byte) {
      case 0x01: case 0x03: case 0x04: case 0x05: case 0x11: case 0x13: case 0x14: case 0x1B: case 0x1C:
        buffer_[fill_++] = 0x01;
        buffer_[fill_++] = static_cast<uint8_t>(byte ^ 0x40);
        break;
      default:
        buffer_[fill_++] = byte;
    }
  }
  return kOk;
}

int16_t PSLIB::WritePassThrough(const uint8_t* data, uint32_t count) {
  return binaryTransfer_ != 0 ? WriteTbcpBytes(data, count) : WriteBytes(data, count);
}

int16_t PSLIB::WriteHexDigits(const uint8_t* data, uint32_t count, int32_t& column) {
  for (uint32_t i = 0; i < count; ++i) {
    int16_t status = PutByte(static_cast<uint8_t>(kPsHexDigits[data[i] >> 4]));
    if (status == kOk) status = PutByte(static_cast<uint8_t>(kPsHexDigits[data[i] & 0x0F]));
    if (status != kOk) return status;
    column += 2;
    if (column >= 78) {
      column = 0;
      status = WriteText("\r\n");
      if (status != kOk) return status;
    }
  }
  return kOk;
}

int16_t PSLIB::WriteHex(const uint8_t* data, uint32_t count) {
  int32_t column = 0;
  return WriteHexDigits(data, count, column);
}

int16_t PSLIB::WriteHexContinued(const uint8_t* data, uint32_t count) {
  return WriteHexDigits(data, count, hexColumn_);
}

int16_t PSLIB::WriteHexString(const uint8_t* data, uint32_t count) {
  int16_t status = WriteText("<");
  int32_t column = 0;
  if (status == kOk) status = WriteHexDigits(data, count, column);
  return status == kOk ? WriteText("> ") : status;
}

int16_t PSLIB::WriteHexString16(const uint16_t* values, uint32_t count) {
  int16_t status = WriteText("<");
  int32_t column = 0;
  for (uint32_t i = 0; i < count && status == kOk; ++i) {
    const uint16_t value = values[i];
    for (int shift = 12; shift >= 0 && status == kOk; shift -= 4)
      status = PutByte(static_cast<uint8_t>(kPsHexDigits[(value >> shift) & 0x0F]));
    column += 4;
    if (status == kOk && column >= 76) {
      column = 0;
      status = WriteText("\r\n");
    }
  }
  return status == kOk ? WriteText("> ") : status;
}

// ---- Settings ----

void PSLIB::SetTitle(const RWCString& title) {
  std::string clean(title.Data(), title.Length());
  for (char& c : clean) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  title_ = RWCString(clean.data(), clean.size());
}

void PSLIB::SetErrorHandler(int32_t on) {
  errorHandler_ = on;
  levelCheckPending_ = 1;
}

void PSLIB::SetSetupString1(const RWCString& text) {
  setupString1_ = text;
  setupString1Set_ = 1;
}

void PSLIB::SetSetupString2(const RWCString& text) {
  setupString2_ = text;
  setupString2Set_ = 1;
}

void PSLIB::SetColourStrings(const RWCString strings[6]) {
  for (int i = 0; i < 6; ++i) colourStrings_[i] = strings[i];
  colourStringsSet_ = 1;
}

void PSLIB::SetJobTimeout(int16_t seconds) {
  jobTimeout_ = seconds;
  jobTimeoutPending_ = 1;
}

void PSLIB::SetWaitTimeout(int16_t seconds) {
  waitTimeout_ = seconds;
  waitTimeoutPending_ = 1;
}

// ---- Job structure ----

int16_t PSLIB::WriteJobHeader(int controlD) {
  pageNumber_ = 0;
  if (controlD != 0) PutByte(0x04);
  if (binaryTransfer_ != 0) WriteBytes("\x01\x4D", 2);

  // The comments go as one piece; the title may make them longer than the
  // buffer, and then they go through in pieces.
  std::string comments = "%!PS-Adobe-3.0\r\n%%Title: ";
  if (title_.Length() == 0) {
    comments += "Untitled Document";
  } else {
    comments.append(title_.Data(), title_.Length());
  }
  comments +=
      "\r\n"
      "%%Creator: QV/Fennick PS2 Driver\r\n"
      "%%BoundingBox: (atend)\r\n"
      "%%Pages: (atend)\r\n"
      "%%PageOrder: Special\r\n"
      "%%DocumentNeededResources: (atend)\r\n"
      "%%DocumentSuppliedResources: (atend)\r\n"
      "%%DocumentData: Clean8Bit\r\n"
      "%%LanguageLevel: 2\r\n"
      "%%EndComments\r\n\r\n"
      "%%BeginProlog\r\n";
  WriteText(comments);

  if (errorHandler_ != 0) {
    WriteText("%%BeginResource: file QV_PS_ErrorHandler 1.0 0\r\n");
    WriteText(std::string(PSProcSets::ErrorHandlerBody()));
    WriteText("%%EndResource\r\n");
  }
  WriteProcSet(kStandardProcSet);
  WriteProcSet(kWin35ProcSet);
  WriteText("%%EndProlog\r\n\r\n");
  WriteText("%%BeginSetup\r\n");

  if (jobTimeoutPending_ != 0) {
    jobTimeoutPending_ = 0;
    WriteText(PsFormat("[{<</JobTimeout %d>> setuserparams\r\n} stopped cleartomark", jobTimeout_));
  }
  if (waitTimeoutPending_ != 0) {
    waitTimeoutPending_ = 0;
    WriteText(PsFormat("[{<</WaitTimeout %d>> setuserparams\r\n} stopped cleartomark", waitTimeout_));
  }
  if (setupString1Set_ != 0) {
    WriteString(setupString1_);
    WriteText("\r\n");
  }
  if (setupString2Set_ != 0) {
    WriteString(setupString2_);
    WriteText("\r\n");
  }
  WriteText(cmykProcessColour_ != 0 ? "<</ProcessColorModel /DeviceCMYK>> setpagedevice\r\n"
                                    : "<</ProcessColorModel /DeviceGray>> setpagedevice\r\n");
  if (levelCheckPending_ != 0) {
    levelCheckPending_ = 0;
    WriteText("[{\r\n/languagelevel where{pop languagelevel}{1}ifelse 1 eq");
    WriteText(
        "{(Error: This job will only work on a level 2 PostScript compatible printer) show}if\r\n} stopped "
        "cleartomark");
  }
  if (featuresPending_ != 0) WritePageDeviceBlock();
  if (halftoneArmed_ != 0) WriteHalftoneBlock();
  BeginProcSet(kStandardProcSet);
  BeginProcSet(kWin35ProcSet);
  WriteText("/pagegstatesave gstate def\r\n");
  return WriteText("%%EndSetup\r\n");
}

int16_t PSLIB::GetProcSetName(int index, RWCString& out) {
  if (index < 0 || index > 2) {
    out = RWCString();
    return kBadProcSet;
  }
  out = index < 2 ? RWCString(kPsProcSets[index].name) : RWCString();
  return kOk;
}

int16_t PSLIB::WriteProcSet(int index) {
  if (index < 0 || index > 2) return kBadProcSet;
  const int which = index == kForcedStandardProcSet ? kStandardProcSet : index;
  if (index != kForcedStandardProcSet && (procsetsWritten_ & (1u << which)) != 0) return kOk;
  const PsProcSetEntry& entry = kPsProcSets[which];
  std::string begin = "%%BeginResource: procset ";
  begin += entry.name;
  begin += ' ';
  begin += entry.version;
  begin += ' ';
  begin += entry.revision;
  begin += "\r\n/";
  begin += entry.name;
  begin += ' ';
  WriteText(begin);
  WriteText(std::string(entry.body()));
  procsetsWritten_ |= 1u << which;
  return WriteText("%%EndResource\r\n");
}

int16_t PSLIB::BeginProcSet(int index) {
  if (index < 0 || index > 1) return kBadProcSet;
  int16_t status = WriteProcSet(index);
  if ((procsetsActive_ & (1u << index)) == 0 && procsetCount_ < 3) {
    status = WriteText(std::string(kPsProcSets[index].name) + " begin\r\n");
    procsetsActive_ |= 1u << index;
    procsetStack_[procsetCount_++] = index;
  }
  return status;
}

int16_t PSLIB::EndProcSet(int index) {
  if (index < 0 || index > 1) return kBadProcSet;
  if ((procsetsActive_ & (1u << index)) == 0 || procsetCount_ == 0 || procsetStack_[procsetCount_ - 1] != index)
    return kOk;
  procsetsActive_ &= ~(1u << index);
  --procsetCount_;
  return WriteText("end\r\n");
}

int16_t PSLIB::WritePageSetup() {
  ++pageNumber_;
  WriteText("%%Page: " + std::to_string(pageNumber_) + " " + std::to_string(pageNumber_) + "\r\n");
  WriteText("%%BeginPageSetup\r\n");
  if (featuresPending_ != 0) WritePageDeviceBlock();
  WriteText("gsave\r\n");
  if (colourStringsSet_ != 0) {
    for (const RWCString& text : colourStrings_) {
      WriteString(text);
      WriteText("\r\n");
    }
  }
  if (negative_ != 0) WriteText("{1 exch sub} settransfer erasepage\r\n");
  WriteText("/MOVE 1 def\r\n");
  return WriteText("%%EndPageSetup\r\n");
}

int16_t PSLIB::WritePageEnd() {
  WriteText("AS\r\n");
  WriteText("grestore\r\n");
  WriteText("(%%[Page: " + std::to_string(pageNumber_) + "]%%) =\r\n");
  return WriteText("%%PageTrailer\r\n");
}

int16_t PSLIB::WriteTrailer(int controlD) {
  WriteText(
      "%%Trailer\r\n"
      "%%BoundingBox: TBD - Max of all pages\r\n"
      "%%DocumentNeededResources:\r\n"
      "%%DocumentSuppliedResources:\r\n");
  if (errorHandler_ != 0) WriteText("%%+ file QV_PS_ErrorHandler 1.0 0\r\n");
  for (int i = 0; i < 2; ++i) {
    if ((procsetsWritten_ & (1u << i)) == 0) continue;
    const PsProcSetEntry& entry = kPsProcSets[i];
    WriteText(std::string("%%+ procset ") + entry.name + " " + entry.version + " " + entry.revision + "\r\n");
  }
  while (procsetCount_ > 0) {
    const int index = procsetStack_[--procsetCount_];
    procsetsActive_ &= ~(1u << index);
    WriteText("end\r\n");
  }
  WriteText("%%Pages: " + std::to_string(pageNumber_) + "\r\n");
  int16_t status = WriteText("(%%[LastPage]%%) =\r\n%%EOF\r\n");
  if (controlD != 0) status = PutByte(0x04);
  return status;
}

// Clears what belongs to one job. The other feature values, the error
// handler, keep-portrait, the setup strings and the page number stay.
void PSLIB::Reset() {
  fill_ = 0;
  changed_ = 0;
  featuresPending_ = 0;
  pageWidth_ = 0;
  pageHeight_ = 0;
  orientation_ = 0;
  tumbleFlag_ = 0;
  procsetsWritten_ = 0;
  procsetsActive_ = 0;
  procsetCount_ = 0;
  hexColumn_ = 0;
  title_ = RWCString();
  jobTimeoutPending_ = 0;
  waitTimeoutPending_ = 0;
  levelCheckPending_ = 0;
  mirror_ = 0;
  negative_ = 0;
  binaryTransfer_ = 0;
  ascii85_ = 0;
  cmykProcessColour_ = 0;
  colourStringsSet_ = 0;
  halftoneArmed_ = 0;
  customScreen_ = 0;
  screenFrequency_ = 1060;
  screenAngle_ = 450;
}
