#include "w32host/Administration.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "win32/File.h"
#include "w32detail/File.h"
#include "win32/Registry.h"
#include "w32detail/Registry.h"
#include "win32/Rpc.h"
#include "w32detail/Rpc.h"
#include "win32/Spooler.h"
#include "w32detail/Spooler.h"

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'W', '3', '2', 'S', 'T', '\n'};
constexpr size_t kFrameSize = sizeof kMagic + 4 + 4 + 4;  // magic, version, length, checksum
// Bounds of what a state file may hold.
constexpr uint64_t kMaxFileSize = 64u << 20;
constexpr uint32_t kMaxStringUnits = 32767;
constexpr unsigned kMaxKeyDepth = 512;

uint32_t Checksum(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    h ^= data[i];
    h *= 16777619u;
  }
  return h;
}

// ---- Writing ----

class Writer {
 public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  bool String(const std::u16string& s) {
    if (s.size() > kMaxStringUnits) return false;
    U32(static_cast<uint32_t>(s.size()));
    for (char16_t c : s) {
      bytes_.push_back(static_cast<uint8_t>(c));
      bytes_.push_back(static_cast<uint8_t>(c >> 8));
    }
    return true;
  }
  bool Bytes(const std::vector<BYTE>& b) {
    if (b.size() > kMaxFileSize) return false;
    U32(static_cast<uint32_t>(b.size()));
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return true;
  }
  std::vector<uint8_t>& Data() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

bool WriteKey(Writer& w, const w32detail::RegistryKeySnapshot& key, unsigned depth) {
  if (depth > kMaxKeyDepth) return false;
  if (!w.String(key.name)) return false;
  w.U32(static_cast<uint32_t>(key.values.size()));
  for (const auto& v : key.values) {
    if (!w.String(v.name)) return false;
    w.U32(v.type);
    if (!w.Bytes(v.data)) return false;
  }
  w.U32(static_cast<uint32_t>(key.subkeys.size()));
  for (const auto& sub : key.subkeys)
    if (!WriteKey(w, sub, depth + 1)) return false;
  return true;
}

bool WritePrinter(Writer& w, const w32detail::SpoolerPrinterSnapshot& p) {
  const w32test::PrinterSetup& s = p.setup;
  for (const std::u16string* text : {&s.name, &s.serverName, &s.shareName, &s.portName, &s.driverName, &s.comment,
                                     &s.location, &s.printProcessor, &s.datatype})
    if (!w.String(*text)) return false;
  w.U32(s.attributes);
  if (!w.Bytes(s.devMode) || !w.String(s.objectGuid)) return false;
  w.U32(s.directoryAction);
  w.U32(s.driverVersion);
  for (const std::u16string* text : {&s.environment, &s.driverDirectory, &s.driverPath, &s.dataFile, &s.configFile})
    if (!w.String(*text)) return false;
  w.U32(p.refused);
  w.U32(static_cast<uint32_t>(p.directoryActions.size()));
  for (DWORD action : p.directoryActions) w.U32(action);
  return true;
}

// ---- Reading: every read is checked against what remains ----

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool U32(uint32_t* v) {
    if (size_ - at_ < 4) return Fail("the file ends early");
    *v = 0;
    for (int i = 0; i < 4; ++i) *v |= static_cast<uint32_t>(data_[at_ + i]) << (8 * i);
    at_ += 4;
    return true;
  }
  bool I32(int32_t* v) {
    uint32_t u = 0;
    if (!U32(&u)) return false;
    *v = static_cast<int32_t>(u);
    return true;
  }
  bool String(std::u16string* s) {
    uint32_t n = 0;
    if (!U32(&n)) return false;
    if (n > kMaxStringUnits) return Fail("a name is longer than any name may be");
    if ((size_ - at_) / 2 < n) return Fail("a name runs past the end of the file");
    s->resize(n);
    for (uint32_t i = 0; i < n; ++i)
      (*s)[i] = static_cast<char16_t>(data_[at_ + 2 * i] | (data_[at_ + 2 * i + 1] << 8));
    at_ += 2 * static_cast<size_t>(n);
    return true;
  }
  bool Bytes(std::vector<BYTE>* b) {
    uint32_t n = 0;
    if (!U32(&n)) return false;
    if (size_ - at_ < n) return Fail("a value runs past the end of the file");
    b->assign(data_ + at_, data_ + at_ + n);
    at_ += n;
    return true;
  }
  // A count of records each at least minBytes long must fit in what remains.
  bool Count(uint32_t* n, size_t minBytes) {
    if (!U32(n)) return false;
    if (*n > (size_ - at_) / minBytes) return Fail("a count is larger than the file can hold");
    return true;
  }
  bool Fail(const char* why) {
    if (error_.empty()) error_ = why;
    return false;
  }
  bool AtEnd() const { return at_ == size_; }
  const std::string& Error() const { return error_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  std::string error_;
};

bool ReadKey(Reader& r, w32detail::RegistryKeySnapshot* key, unsigned depth) {
  if (depth > kMaxKeyDepth) return r.Fail("the registry is nested deeper than allowed");
  if (!r.String(&key->name)) return false;
  uint32_t values = 0;
  if (!r.Count(&values, 12)) return false;
  key->values.resize(values);
  for (auto& v : key->values) {
    uint32_t type = 0;
    if (!r.String(&v.name) || !r.U32(&type) || !r.Bytes(&v.data)) return false;
    v.type = type;
  }
  uint32_t subkeys = 0;
  if (!r.Count(&subkeys, 12)) return false;
  key->subkeys.resize(subkeys);
  for (auto& sub : key->subkeys) {
    if (!ReadKey(r, &sub, depth + 1)) return false;
    if (sub.name.empty()) return r.Fail("a registry key has no name");
  }
  return true;
}

bool ReadPrinter(Reader& r, w32detail::SpoolerPrinterSnapshot* p) {
  w32test::PrinterSetup& s = p->setup;
  for (std::u16string* text : {&s.name, &s.serverName, &s.shareName, &s.portName, &s.driverName, &s.comment,
                               &s.location, &s.printProcessor, &s.datatype})
    if (!r.String(text)) return false;
  if (s.name.empty()) return r.Fail("a printer has no name");
  uint32_t u = 0;
  if (!r.U32(&u)) return false;
  s.attributes = u;
  if (!r.Bytes(&s.devMode) || !r.String(&s.objectGuid)) return false;
  if (!r.U32(&u)) return false;
  s.directoryAction = u;
  if (!r.U32(&u)) return false;
  s.driverVersion = u;
  for (std::u16string* text : {&s.environment, &s.driverDirectory, &s.driverPath, &s.dataFile, &s.configFile})
    if (!r.String(text)) return false;
  if (!r.U32(&u)) return false;
  p->refused = u;
  uint32_t actions = 0;
  if (!r.Count(&actions, 4)) return false;
  p->directoryActions.resize(actions);
  for (DWORD& action : p->directoryActions) {
    if (!r.U32(&u)) return false;
    action = u;
  }
  return true;
}

bool ReadForm(Reader& r, w32detail::SpoolerFormSnapshot* f) {
  uint32_t flags = 0;
  if (!r.String(&f->server) || !r.String(&f->name) || !r.U32(&flags)) return false;
  if (f->name.empty()) return r.Fail("a form has no name");
  f->flags = flags;
  int32_t v[6] = {};
  for (int32_t& x : v)
    if (!r.I32(&x)) return false;
  f->size = {v[0], v[1]};
  f->area = {v[2], v[3], v[4], v[5]};
  return true;
}

struct Saved {
  w32detail::RegistryKeySnapshot machine;
  w32detail::RegistryKeySnapshot user;
  w32detail::SpoolerSnapshot spooler;
  uint32_t uuidCounter = 0;
};

bool Parse(const std::vector<uint8_t>& file, Saved* saved, std::string* why) {
  if (file.size() < kFrameSize || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) {
    *why = "it is not a state file";
    return false;
  }
  Reader frame(file.data() + sizeof kMagic, 8);
  uint32_t version = 0, length = 0;
  frame.U32(&version);
  frame.U32(&length);
  if (version != w32host::kStateFormatVersion) {
    *why = "it has format version " + std::to_string(version) + ", this program reads version " +
           std::to_string(w32host::kStateFormatVersion);
    return false;
  }
  if (length != file.size() - kFrameSize) {
    *why = "its length does not match its contents";
    return false;
  }
  const uint8_t* payload = file.data() + sizeof kMagic + 8;
  Reader sum(payload + length, 4);
  uint32_t stored = 0;
  sum.U32(&stored);
  if (stored != Checksum(payload, length)) {
    *why = "its checksum does not match its contents";
    return false;
  }

  Reader r(payload, length);
  bool ok = ReadKey(r, &saved->machine, 0) && ReadKey(r, &saved->user, 0);
  uint32_t printers = 0, forms = 0;
  ok = ok && r.Count(&printers, 16 * 4);
  if (ok) {
    saved->spooler.printers.resize(printers);
    for (auto& p : saved->spooler.printers)
      if (!(ok = ReadPrinter(r, &p))) break;
  }
  ok = ok && r.Count(&forms, 36);
  if (ok) {
    saved->spooler.forms.resize(forms);
    for (auto& f : saved->spooler.forms)
      if (!(ok = ReadForm(r, &f))) break;
  }
  ok = ok && r.U32(&saved->uuidCounter);
  if (ok && !r.AtEnd()) r.Fail("bytes follow the last record");
  if (!ok || !r.AtEnd()) {
    *why = r.Error();
    return false;
  }
  return true;
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* out, std::string* why) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) {
    *why = ec.message();
    return false;
  }
  if (size > kMaxFileSize) {
    *why = "it is larger than a state file may be";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *why = std::strerror(errno);
    return false;
  }
  out->resize(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(out->data()), static_cast<std::streamsize>(size));
  if (static_cast<uint64_t>(in.gcount()) != size) {
    *why = "it could not be read whole";
    return false;
  }
  return true;
}

bool SamePath(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

}  // namespace

namespace w32host {

bool LoadPlatformState(const std::string& directory, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  const fs::path dir(directory);
  const fs::path files = dir / kFilesDirectoryName;
  std::error_code ec;
  fs::create_directories(files, ec);
  if (ec || !fs::is_directory(files, ec)) {
    *error = "cannot make the state directory " + directory + ": " + (ec ? ec.message() : "not a directory");
    return false;
  }
  const fs::path stateFile = dir / kStateFileName;
  if (fs::exists(stateFile, ec)) {
    std::vector<uint8_t> bytes;
    std::string why;
    Saved saved;
    if (!ReadWholeFile(stateFile, &bytes, &why)) {
      *error = "cannot read the state file " + stateFile.string() + ": " + why;
      return false;
    }
    if (!Parse(bytes, &saved, &why)) {
      *error = "the state file " + stateFile.string() + " is damaged: " + why;
      return false;
    }
    w32detail::RegistryRestore(HKEY_LOCAL_MACHINE, saved.machine);
    w32detail::RegistryRestore(HKEY_CURRENT_USER, saved.user);
    w32detail::RestoreSpooler(saved.spooler);
    w32detail::SetUuidCounter(saved.uuidCounter);
  }
  w32test::SetFileRoot(files.string());
  return true;
}

bool SavePlatformState(const std::string& directory, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  const fs::path dir(directory);
  const fs::path files = dir / kFilesDirectoryName;
  std::error_code ec;
  fs::create_directories(files, ec);
  if (ec) {
    *error = "cannot make the state directory " + directory + ": " + ec.message();
    return false;
  }

  Writer payload;
  const w32detail::SpoolerSnapshot spooler = w32detail::TakeSpoolerSnapshot();
  bool ok = WriteKey(payload, w32detail::RegistrySnapshot(HKEY_LOCAL_MACHINE), 0) &&
            WriteKey(payload, w32detail::RegistrySnapshot(HKEY_CURRENT_USER), 0);
  if (ok) {
    payload.U32(static_cast<uint32_t>(spooler.printers.size()));
    for (const auto& p : spooler.printers)
      if (!(ok = WritePrinter(payload, p))) break;
  }
  if (ok) {
    payload.U32(static_cast<uint32_t>(spooler.forms.size()));
    for (const auto& f : spooler.forms) {
      if (!(ok = payload.String(f.server) && payload.String(f.name))) break;
      payload.U32(f.flags);
      for (LONG v : {f.size.cx, f.size.cy, f.area.left, f.area.top, f.area.right, f.area.bottom}) payload.I32(v);
    }
  }
  payload.U32(w32detail::UuidCounter());
  const std::vector<uint8_t>& body = payload.Data();
  if (!ok || body.size() + kFrameSize > kMaxFileSize) {
    *error = "the platform's state is too large to save";
    return false;
  }
  Writer frame;
  frame.U32(kStateFormatVersion);
  frame.U32(static_cast<uint32_t>(body.size()));
  Writer sum;
  sum.U32(Checksum(body.data(), body.size()));

  const fs::path stateFile = dir / kStateFileName;
  // A name of this save's own: two programs saving into one directory at
  // once never write into, or rename away, each other's temporary file.
  static std::atomic<unsigned> saves{0};
  const fs::path temporary = dir / (std::string(kStateFileName) + ".new." + std::to_string(::getpid()) + "." +
                                    std::to_string(saves.fetch_add(1)));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(kMagic, sizeof kMagic);
    out.write(reinterpret_cast<const char*>(frame.Data().data()), 8);
    out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
    out.write(reinterpret_cast<const char*>(sum.Data().data()), 4);
    out.flush();
    if (!out) {
      *error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, stateFile, ec);
  if (ec) {
    *error = "cannot replace " + stateFile.string() + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }

  // The files travel with the state when they live elsewhere.
  const fs::path root(w32test::FileRoot());
  if (!root.empty() && !SamePath(root, files)) {
    fs::copy(root, files, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
      *error = "cannot copy the files into " + files.string() + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace w32host
