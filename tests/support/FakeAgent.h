// A stand-in for the network registry agent in the tests: a top-level
// window of class "qvnra" whose procedure answers the registered message
// "QVNRA_CLIENT_REQUEST". On each request it records the request code and
// the printer's "QvrdbUpdateRequest" at that moment; on code 1 (the second
// request of a wake) it writes the answers the test scripted into the
// printer's printer data, as the real agent does after asking the printer.
// Its reply to every request is scriptable (0 means handled).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace qvtest {

class FakeAgent {
 public:
  explicit FakeAgent(std::u16string printer) : printer_(std::move(printer)) {}
  ~FakeAgent() { Stop(); }
  FakeAgent(const FakeAgent&) = delete;
  FakeAgent& operator=(const FakeAgent&) = delete;

  void Start() {
    if (window_ != nullptr) return;
    window_ = w32test::CreateTestWindow(u"qvnra", u"Network Registry Agent",
                                        [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
                                          return Answer(message, wParam, lParam);
                                        });
  }
  void Stop() {
    if (window_ != nullptr) w32test::DestroyTestWindow(window_);
    window_ = nullptr;
  }

  // Answers written at every wake (a name scripted twice keeps the last).
  void AnswerDword(const std::u16string& name, DWORD value) {
    answers_[name] = {REG_DWORD, {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                                  static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)}};
  }
  // A text as a program writes it, with its terminator (or without).
  void AnswerText(const std::u16string& name, const std::u16string& text, bool terminated = true) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
      bytes.push_back(static_cast<BYTE>(c & 0xFF));
      bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    answers_[name] = {REG_SZ, bytes};
  }
  void AnswerBinary(const std::u16string& name, std::vector<BYTE> bytes) { answers_[name] = {REG_BINARY, bytes}; }
  void AnswerRaw(const std::u16string& name, DWORD type, std::vector<BYTE> bytes) { answers_[name] = {type, bytes}; }

  // What every request is answered with; 0 handles it.
  LRESULT reply = 0;
  // When not negative: the number of wakes answered; later requests are
  // refused (answered 1).
  int wakesToAnswer = -1;
  // The request codes received (lParam), and "QvrdbUpdateRequest" as the
  // agent saw it at each (-1 when missing).
  std::vector<LPARAM> requests;
  std::vector<int64_t> updateRequestSeen;
  // Completed wakes: requests of code 1 that were answered with 0.
  int wakes = 0;

 private:
  struct Value {
    DWORD type;
    std::vector<BYTE> data;
  };

  LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != RegisterWindowMessageW(u"QVNRA_CLIENT_REQUEST") || wParam != 3) return 1;
    requests.push_back(lParam);
    const auto seen = w32test::ReadPrinterData(printer_, u"QvrdbUpdateRequest");
    updateRequestSeen.push_back(seen && seen->data.size() == 4 ? static_cast<int64_t>(seen->data[0]) : -1);
    if (reply != 0) return reply;
    if (wakesToAnswer >= 0 && wakes >= wakesToAnswer) return 1;
    if (lParam == 1) {
      for (const auto& [name, value] : answers_) w32test::WritePrinterData(printer_, name, value.type, value.data);
      ++wakes;
    }
    return 0;
  }

  std::u16string printer_;
  HWND window_ = nullptr;
  std::map<std::u16string, Value> answers_;
};

}  // namespace qvtest
