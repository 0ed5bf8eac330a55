// DevModeView: a DEVMODE as the host shows and changes it. It holds the
// bytes (never a copy of the structure), prints the public fields by name
// and this driver's private area (its header and the document settings of
// the compact settings stream, one record a line), and changes public
// fields from "field=value" texts.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class DevModeView {
 public:
  DevModeView() = default;
  explicit DevModeView(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Checks bytes read from outside: the public head must be there and the
  // record must hold the dmSize + dmDriverExtra bytes it announces. False
  // with a message otherwise.
  static bool Check(const std::vector<uint8_t>& bytes, std::string* why);

  std::vector<uint8_t>& Bytes() { return bytes_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // dmSize + dmDriverExtra, at most the bytes held.
  size_t Extent() const;

  // "dmCopies=3", "orientation=landscape", "dmFormName=A4": sets the field
  // and its dmFields bit. False with a message for an unknown field or a
  // value the field cannot take.
  bool Set(const std::string& assignment, std::string* why);

  // The public fields, one a line; the private area when it is this
  // driver's. `formName(n)` names spooler paper n (empty when unknown).
  void Print(std::ostream& out, std::string (*formName)(int paper)) const;

  // The names of the settable fields, for the help text.
  static std::string SettableFields();

 private:
  void PrintPrivate(std::ostream& out) const;
  std::vector<uint8_t> bytes_;
};
