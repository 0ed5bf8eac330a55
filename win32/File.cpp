#include "win32/File.h"
#include "w32detail/File.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <vector>

#include "w32detail/AnsiText.h"
#include "win32/Environment.h"
#include "w32test/Environment.h"
#include "w32detail/HandleTable.h"
#include "w32detail/Platform.h"

namespace fs = std::filesystem;

namespace {

// ---- The root of the file tree -------------------------------------------

struct RootState {
  std::mutex mutex;
  std::string defaultRoot;  // made on first use
  std::string root;
};

void RemoveDefaultRoot();

RootState& rootState() {
  static RootState* s = [] {
    auto* st = new RootState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      if (st->defaultRoot.empty()) {
        st->root.clear();
        return;
      }
      // Only the directory the stand-in made itself is emptied.
      std::error_code ec;
      for (const auto& entry : fs::directory_iterator(st->defaultRoot, ec)) fs::remove_all(entry.path(), ec);
      fs::create_directories(st->defaultRoot + "/c", ec);
      st->root = st->defaultRoot;
    });
    return st;
  }();
  return *s;
}

void RemoveDefaultRoot() {
  RootState& s = rootState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::error_code ec;
  if (!s.defaultRoot.empty()) fs::remove_all(s.defaultRoot, ec);
}

std::string Root() {
  RootState& s = rootState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (s.root.empty()) {
    if (s.defaultRoot.empty()) {
      char pattern[] = "/tmp/qvw32-XXXXXX";
      if (!mkdtemp(pattern)) return std::string();
      s.defaultRoot = pattern;
      std::atexit(RemoveDefaultRoot);
    }
    s.root = s.defaultRoot;
    std::error_code ec;
    fs::create_directories(s.root + "/c", ec);
  }
  return s.root;
}

// ---- Path mapping ----------------------------------------------------------

char16_t Lower(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

std::u16string LowerText(std::u16string s) {
  for (auto& c : s) c = Lower(c);
  return s;
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool ForbiddenInName(char16_t c) {
  return c < 32 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

struct Mapped {
  std::string host;   // empty on failure
  DWORD error = 0;
  size_t depth = 0;   // components below the drive's or share's root
};

Mapped Map(std::u16string path) {
  Mapped m;
  if (path.empty()) {
    m.error = ERROR_PATH_NOT_FOUND;
    return m;
  }
  for (auto& c : path)
    if (c == u'/') c = u'\\';
  if (path.rfind(u"\\\\?\\UNC\\", 0) == 0)
    path = u"\\\\" + path.substr(8);
  else if (path.rfind(u"\\\\?\\", 0) == 0)
    path = path.substr(4);

  std::vector<std::u16string> base;  // the drive, or "unc", server and share
  std::u16string rest;
  if (path.size() >= 2 && path[1] == u':') {
    char16_t d = Lower(path[0]);
    if (d < u'a' || d > u'z') {
      m.error = ERROR_INVALID_NAME;
      return m;
    }
    base.push_back(std::u16string(1, d));
    rest = path.substr(2);  // "C:x" is relative to the drive's current directory, its root
  } else if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
    size_t serverEnd = path.find(u'\\', 2);
    if (serverEnd == std::u16string::npos) serverEnd = path.size();
    size_t shareEnd = serverEnd < path.size() ? path.find(u'\\', serverEnd + 1) : std::u16string::npos;
    std::u16string server = path.substr(2, serverEnd - 2);
    std::u16string share = serverEnd < path.size()
                               ? path.substr(serverEnd + 1, shareEnd == std::u16string::npos ? std::u16string::npos
                                                                                             : shareEnd - serverEnd - 1)
                               : std::u16string();
    for (const auto& part : {server, share}) {
      // "\\server" alone names no share.
      if (part.empty() || part == u"." || part == u".." || std::any_of(part.begin(), part.end(), ForbiddenInName)) {
        m.error = ERROR_INVALID_NAME;
        return m;
      }
    }
    base = {u"unc", LowerText(server), LowerText(share)};
    rest = shareEnd == std::u16string::npos ? std::u16string() : path.substr(shareEnd);
  } else {
    base.push_back(u"c");
    rest = path;
  }

  std::vector<std::u16string> parts;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find(u'\\', i);
    if (j == std::u16string::npos) j = rest.size();
    std::u16string part = rest.substr(i, j - i);
    i = j + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (std::any_of(part.begin(), part.end(), ForbiddenInName)) {
      m.error = ERROR_INVALID_NAME;
      return m;
    }
    // Windows drops trailing dots and blanks of a name: "file." is "file".
    while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
    if (part.empty()) continue;
    parts.push_back(LowerText(part));
  }

  std::string host = Root();
  if (host.empty()) {
    m.error = ERROR_PATH_NOT_FOUND;
    return m;
  }
  for (const auto& b : base) host += "/" + w32detail::Utf16ToUtf8(b.data(), b.size());
  for (const auto& p : parts) host += "/" + w32detail::Utf16ToUtf8(p.data(), p.size());
  m.host = host;
  m.depth = parts.size();
  return m;
}

Mapped MapWide(LPCWSTR path) {
  if (!path) {
    Mapped m;
    m.error = ERROR_PATH_NOT_FOUND;
    return m;
  }
  return Map(std::u16string(path));
}

// ---- Host state and errors -------------------------------------------------

enum class Kind { Missing, File, Directory, Other };

Kind KindOf(const std::string& host) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return Kind::Missing;
  if (S_ISDIR(st.st_mode)) return Kind::Directory;
  if (S_ISREG(st.st_mode)) return Kind::File;
  return Kind::Other;
}

std::string Parent(const std::string& host) { return host.substr(0, host.rfind('/')); }

// The error of a name that does not exist: the file is missing, or already
// the directory it would be in.
DWORD MissingError(const std::string& host) {
  return KindOf(Parent(host)) == Kind::Directory ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

DWORD ErrnoToError(int e, const std::string& host) {
  switch (e) {
    case ENOENT:
      return MissingError(host);
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// ---- Open files ------------------------------------------------------------

class FileObject : public w32detail::KernelObject {
 public:
  FileObject(int fd, bool canRead, bool canWrite) : fd(fd), canRead(canRead), canWrite(canWrite) {}
  ~FileObject() override { ::close(fd); }
  const int fd;
  const bool canRead;
  const bool canWrite;
};

std::shared_ptr<FileObject> LookupFile(HANDLE h) {
  auto f = w32detail::LookupHandleAs<FileObject>(h);
  if (!f) SetLastError(ERROR_INVALID_HANDLE);
  return f;
}

// ---- Searches --------------------------------------------------------------

struct FoundEntry {
  std::u16string name;
  WIN32_FIND_DATAW data;
};

class FindSearch : public w32detail::KernelObject {
 public:
  bool ClosedByCloseHandle() const override { return false; }
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

// Decodes UTF-8 host names; false for a name that is not UTF-8.
bool Utf8ToUtf16(const std::string& in, std::u16string* out) {
  out->clear();
  for (size_t i = 0; i < in.size();) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c, n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, n = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, n = 4;
    } else {
      return false;
    }
    if (i + n > in.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      unsigned char cc = static_cast<unsigned char>(in[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<char16_t>(cp));
    }
  }
  return true;
}

// '*' matches any run, '?' one character; a pattern ending in ".*" also
// matches names without an extension, as "*.*" matches every name.
bool Matches(const std::u16string& pattern, size_t p, const std::u16string& name, size_t n) {
  while (p < pattern.size()) {
    char16_t c = pattern[p];
    if (c == u'*') {
      for (size_t k = n; k <= name.size(); ++k)
        if (Matches(pattern, p + 1, name, k)) return true;
      return false;
    }
    if (n == name.size()) return pattern.compare(p, std::u16string::npos, u".*") == 0;
    if (c != u'?' && c != name[n]) return false;
    ++p, ++n;
  }
  return n == name.size();
}

FILETIME ToFileTime(const struct timespec& t) {
  // 100 ns units since 1601: 11644473600 seconds lie between 1601 and 1970.
  ULONGLONG v = (static_cast<ULONGLONG>(t.tv_sec) + 11644473600ULL) * 10000000ULL +
                static_cast<ULONGLONG>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
}

bool FillFound(const std::string& host, const std::u16string& name, WIN32_FIND_DATAW* d) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0 || name.size() >= MAX_PATH) return false;
  *d = WIN32_FIND_DATAW{};
  d->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  d->ftCreationTime = d->ftLastAccessTime = d->ftLastWriteTime = ToFileTime(st.st_mtim);
  ULONGLONG size = S_ISDIR(st.st_mode) ? 0 : static_cast<ULONGLONG>(st.st_size);
  d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d->nFileSizeLow = static_cast<DWORD>(size);
  std::copy(name.begin(), name.end(), d->cFileName);
  return true;
}

std::u16string UpperKey(const std::u16string& s) {
  std::u16string k = s;
  for (auto& c : k) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) c = static_cast<char16_t>(c - 32);
  }
  return k;
}

bool WriteHostFile(const std::string& host, const std::string& bytes) {
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

// ---- Files ------------------------------------------------------------------

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
  if (w32detail::ShouldFail("CreateFileW")) return INVALID_HANDLE_VALUE;
  Mapped m = MapWide(name);
  if (m.host.empty()) {
    SetLastError(m.error);
    return INVALID_HANDLE_VALUE;
  }
  bool wantRead = access & (GENERIC_READ | GENERIC_ALL | 0x0001);
  bool wantWrite = access & (GENERIC_WRITE | GENERIC_ALL | 0x0002 | 0x0004);
  Kind kind = KindOf(m.host);
  if (kind == Kind::Directory || kind == Kind::Other) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  bool exists = kind == Kind::File;
  int flags = O_CLOEXEC;
  switch (disposition) {
    case CREATE_NEW:
      if (exists) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case TRUNCATE_EXISTING:
      if (!wantWrite) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
      }
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
  }
  if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
    SetLastError(MissingError(m.host));
    return INVALID_HANDLE_VALUE;
  }
  // The descriptor is opened for reading and writing where the host allows;
  // the access asked for is enforced by ReadFile and WriteFile.
  int fd = ::open(m.host.c_str(), flags | O_RDWR, 0666);
  if (fd < 0 && errno == EACCES && !wantWrite && !(flags & O_TRUNC)) fd = ::open(m.host.c_str(), flags | O_RDONLY);
  if (fd < 0) {
    SetLastError(ErrnoToError(errno, m.host));
    return INVALID_HANDLE_VALUE;
  }
  HANDLE h = w32detail::AddHandle(std::make_shared<FileObject>(fd, wantRead, wantWrite));
  bool reportExisting = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPVOID overlapped) {
  if (w32detail::ShouldFail("ReadFile")) return FALSE;
  if (overlapped) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (!bytesRead || (!buffer && bytesToRead)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *bytesRead = 0;
  auto f = LookupFile(file);
  if (!f) return FALSE;
  if (!f->canRead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  auto* p = static_cast<char*>(buffer);
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t n = ::read(f->fd, p + total, bytesToRead - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *bytesRead = total;
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (n == 0) break;  // end of file: success with what was read
    total += static_cast<DWORD>(n);
  }
  *bytesRead = total;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPVOID overlapped) {
  if (w32detail::ShouldFail("WriteFile")) return FALSE;
  if (overlapped) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (!bytesWritten || (!buffer && bytesToWrite)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *bytesWritten = 0;
  auto f = LookupFile(file);
  if (!f) return FALSE;
  if (!f->canWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const auto* p = static_cast<const char*>(buffer);
  DWORD total = 0;
  while (total < bytesToWrite) {
    ssize_t n = ::write(f->fd, p + total, bytesToWrite - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *bytesWritten = total;
      SetLastError(errno == ENOSPC ? 112L /* ERROR_DISK_FULL */ : ERROR_ACCESS_DENIED);
      return FALSE;
    }
    total += static_cast<DWORD>(n);
  }
  *bytesWritten = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  if (w32detail::ShouldFail("SetFilePointer")) return INVALID_SET_FILE_POINTER;
  auto f = LookupFile(file);
  if (!f) return INVALID_SET_FILE_POINTER;
  LONGLONG offset = distanceHigh ? static_cast<LONGLONG>((static_cast<ULONGLONG>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                                         static_cast<DWORD>(distance))
                                 : static_cast<LONGLONG>(distance);
  LONGLONG start;
  if (moveMethod == FILE_BEGIN) {
    start = 0;
  } else if (moveMethod == FILE_CURRENT) {
    start = ::lseek(f->fd, 0, SEEK_CUR);
  } else if (moveMethod == FILE_END) {
    struct stat st;
    start = ::fstat(f->fd, &st) == 0 ? static_cast<LONGLONG>(st.st_size) : -1;
  } else {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (start < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  if ((offset < 0 && start + offset < 0) || (offset > 0 && start > INT64_MAX - offset)) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  LONGLONG target = start + offset;
  // Without a high part the position must fit the 32-bit result.
  if (!distanceHigh && target >= static_cast<LONGLONG>(INVALID_SET_FILE_POINTER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (::lseek(f->fd, static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<ULONGLONG>(target) >> 32);
  SetLastError(ERROR_SUCCESS);  // the low part may itself be 0xFFFFFFFF
  return static_cast<DWORD>(static_cast<ULONGLONG>(target));
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  if (w32detail::ShouldFail("GetFileSize")) return INVALID_FILE_SIZE;
  auto f = LookupFile(file);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<ULONGLONG>(st.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL DeleteFileW(LPCWSTR name) {
  if (w32detail::ShouldFail("DeleteFileW")) return FALSE;
  Mapped m = MapWide(name);
  if (m.host.empty()) {
    SetLastError(m.error);
    return FALSE;
  }
  Kind kind = KindOf(m.host);
  if (kind == Kind::Missing) {
    SetLastError(MissingError(m.host));
    return FALSE;
  }
  if (kind != Kind::File || ::unlink(m.host.c_str()) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFileW(LPCWSTR existing, LPCWSTR target, BOOL failIfExists) {
  if (w32detail::ShouldFail("CopyFileW")) return FALSE;
  Mapped from = MapWide(existing);
  Mapped to = MapWide(target);
  if (from.host.empty() || to.host.empty()) {
    SetLastError(from.host.empty() ? from.error : to.error);
    return FALSE;
  }
  Kind source = KindOf(from.host);
  if (source == Kind::Missing) {
    SetLastError(MissingError(from.host));
    return FALSE;
  }
  if (source != Kind::File) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  Kind dest = KindOf(to.host);
  if (dest != Kind::Missing && dest != Kind::File) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (dest == Kind::File && failIfExists) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  if (KindOf(Parent(to.host)) != Kind::Directory) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (from.host == to.host) {
    SetLastError(ERROR_SHARING_VIOLATION);  // the source is open while the target is written
    return FALSE;
  }
  std::error_code ec;
  fs::copy_file(from.host, to.host, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    SetLastError(ErrnoToError(ec.value(), to.host));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR name) {
  if (w32detail::ShouldFail("GetFileAttributesW")) return INVALID_FILE_ATTRIBUTES;
  Mapped m = MapWide(name);
  if (m.host.empty()) {
    SetLastError(m.error);
    return INVALID_FILE_ATTRIBUTES;
  }
  switch (KindOf(m.host)) {
    case Kind::Missing:
      SetLastError(MissingError(m.host));
      return INVALID_FILE_ATTRIBUTES;
    case Kind::Directory:
      return FILE_ATTRIBUTE_DIRECTORY;
    default:
      return FILE_ATTRIBUTE_ARCHIVE;
  }
}

BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES) {
  if (w32detail::ShouldFail("CreateDirectoryW")) return FALSE;
  Mapped m = MapWide(name);
  if (m.host.empty()) {
    SetLastError(m.error);
    return FALSE;
  }
  if (KindOf(m.host) != Kind::Missing) {
    SetLastError(ERROR_ALREADY_EXISTS);
    return FALSE;
  }
  if (::mkdir(m.host.c_str(), 0777) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrnoToError(errno, m.host));
    return FALSE;
  }
  return TRUE;
}

HFILE OpenFile(LPCSTR fileName, LPOFSTRUCT info, UINT style) {
  if (w32detail::ShouldFail("OpenFile")) {
    if (info) info->nErrCode = static_cast<WORD>(GetLastError());
    return HFILE_ERROR;
  }
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return HFILE_ERROR;
  }
  *info = OFSTRUCT{};
  info->cBytes = static_cast<BYTE>(sizeof(OFSTRUCT));
  info->fFixedDisk = 1;
  auto fail = [info](DWORD error) {
    info->nErrCode = static_cast<WORD>(error);
    SetLastError(error);
    return HFILE_ERROR;
  };
  if ((style & ~static_cast<UINT>(OF_EXIST)) != 0 || !(style & OF_EXIST)) return fail(ERROR_NOT_SUPPORTED);
  auto name = w32detail::AnsiToWide(fileName);
  if (!name || name->empty()) return fail(ERROR_FILE_NOT_FOUND);

  std::vector<std::u16string> candidates;
  bool bare = name->find_first_of(u"\\/:") == std::u16string::npos;
  if (!bare) {
    candidates.push_back(*name);
  } else {
    std::vector<std::u16string> dirs = {u"C:\\", u"C:\\WINDOWS\\SYSTEM32", u"C:\\WINDOWS"};
    if (const char* path = crt::getenv("PATH")) {
      auto widePath = w32detail::AnsiToWide(path);
      if (widePath) {
        size_t i = 0;
        while (i <= widePath->size()) {
          size_t j = widePath->find(u';', i);
          if (j == std::u16string::npos) j = widePath->size();
          if (j > i) dirs.push_back(widePath->substr(i, j - i));
          i = j + 1;
        }
      }
    }
    for (auto& d : dirs) candidates.push_back(d + (IsSeparator(d.back()) ? u"" : u"\\") + *name);
  }
  DWORD error = ERROR_FILE_NOT_FOUND;
  for (const auto& c : candidates) {
    Mapped m = Map(c);
    if (m.host.empty()) {
      error = m.error;
      continue;
    }
    Kind kind = KindOf(m.host);
    if (kind == Kind::File) {
      auto narrow = w32detail::WideToAnsi(c);
      if (narrow) {
        size_t n = std::min(narrow->size(), static_cast<size_t>(OFS_MAXPATHNAME - 1));
        std::memcpy(info->szPathName, narrow->data(), n);
      }
      SetLastError(ERROR_SUCCESS);
      return 1;  // the existence test opens nothing; any value but HFILE_ERROR
    }
    error = kind == Kind::Missing ? (bare ? ERROR_FILE_NOT_FOUND : MissingError(m.host)) : ERROR_ACCESS_DENIED;
  }
  return fail(error);
}

// ---- Searches -----------------------------------------------------------------

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (w32detail::ShouldFail("FindFirstFileW")) return INVALID_HANDLE_VALUE;
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string full(pattern);
  size_t cut = full.find_last_of(u"\\/");
  std::u16string dir, mask;
  if (cut != std::u16string::npos) {
    dir = full.substr(0, cut + 1);
    mask = full.substr(cut + 1);
  } else if (full.size() >= 2 && full[1] == u':') {
    dir = full.substr(0, 2);
    mask = full.substr(2);
  } else {
    dir = u".";
    mask = full;
  }
  if (mask.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Mapped m = Map(dir);
  if (m.host.empty() || KindOf(m.host) != Kind::Directory) {
    SetLastError(m.host.empty() ? m.error : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string lowMask = LowerText(mask);
  auto search = std::make_shared<FindSearch>();
  std::vector<FoundEntry> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(m.host, ec)) {
    std::string hostName = entry.path().filename().string();
    std::u16string name;
    if (!Utf8ToUtf16(hostName, &name)) continue;
    if (!Matches(lowMask, 0, LowerText(name), 0)) continue;
    FoundEntry e;
    e.name = name;
    if (FillFound(entry.path().string(), name, &e.data)) found.push_back(std::move(e));
  }
  std::sort(found.begin(), found.end(),
            [](const FoundEntry& a, const FoundEntry& b) { return UpperKey(a.name) < UpperKey(b.name); });
  if (m.depth > 0) {
    for (const char16_t* dot : {u".", u".."}) {
      FoundEntry e;
      e.name = dot;
      if (Matches(lowMask, 0, e.name, 0) && FillFound(m.host, e.name, &e.data)) search->entries.push_back(e);
    }
  }
  search->entries.insert(search->entries.end(), found.begin(), found.end());
  if (search->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  *data = search->entries[0].data;
  search->next = 1;
  SetLastError(ERROR_SUCCESS);
  return w32detail::AddHandle(search);
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
  auto search = w32detail::LookupHandleAs<FindSearch>(handle);
  if (!search || !data) {
    SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (search->next >= search->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = search->entries[search->next++].data;
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  if (!w32detail::LookupHandleAs<FindSearch>(handle) || !w32detail::RemoveHandle(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// ---- C runtime -------------------------------------------------------------------

namespace crt {

std::FILE* fopen(const char* path, const char* mode) {
  if (!path || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  auto widePath = w32detail::AnsiToWide(path);
  auto wideMode = w32detail::AnsiToWide(mode);
  if (!widePath || !wideMode) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(widePath->c_str(), wideMode->c_str());
}

std::FILE* _wfopen(LPCWSTR path, LPCWSTR mode) {
  if (!path || !mode || (mode[0] != u'r' && mode[0] != u'w' && mode[0] != u'a')) {
    errno = EINVAL;
    return nullptr;
  }
  std::string hostMode(1, static_cast<char>(mode[0]));
  bool plus = false;
  for (size_t i = 1; mode[i]; ++i) {
    char16_t c = mode[i];
    if (c == u'+') {
      plus = true;
    } else if (c == u',') {
      errno = EINVAL;  // ",ccs=" encodings
      return nullptr;
    } else if (c != u'b' && c != u't' && c != u'c' && c != u'n' && c != u'N' && c != u'S' && c != u'R' &&
               c != u'T' && c != u'D' && c != u' ') {
      errno = EINVAL;
      return nullptr;
    }
  }
  if (plus) hostMode += '+';
  hostMode += "b";
  Mapped m = MapWide(path);
  if (m.host.empty()) {
    errno = m.error == ERROR_INVALID_NAME ? EINVAL : ENOENT;
    return nullptr;
  }
  if (KindOf(m.host) == Kind::Directory) {
    errno = EACCES;
    return nullptr;
  }
  // A file it creates gets protection 0644 (less the process's umask): the
  // owner reads and writes it, everyone else reads it.
  int flags = plus ? O_RDWR : (mode[0] == u'r' ? O_RDONLY : O_WRONLY);
  if (mode[0] == u'w') flags |= O_CREAT | O_TRUNC;
  if (mode[0] == u'a') flags |= O_CREAT | O_APPEND;
  const int fd = ::open(m.host.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, hostMode.c_str());
  if (file == nullptr) ::close(fd);
  return file;
}

int remove(const char* path) {
  auto widePath = w32detail::AnsiToWide(path);
  if (!widePath) {
    errno = EINVAL;
    return -1;
  }
  Mapped m = Map(*widePath);
  if (m.host.empty() || KindOf(m.host) != Kind::File) {
    errno = m.host.empty() || KindOf(m.host) == Kind::Missing ? ENOENT : EACCES;
    return -1;
  }
  return ::unlink(m.host.c_str()) == 0 ? 0 : -1;
}

int _access(const char* path, int mode) {
  int hostMode = 0;
  switch (mode) {
    case 0: hostMode = F_OK; break;
    case 2: hostMode = W_OK; break;
    case 4: hostMode = R_OK; break;
    case 6: hostMode = R_OK | W_OK; break;
    default: errno = EINVAL; return -1;
  }
  auto widePath = path ? w32detail::AnsiToWide(path) : std::nullopt;
  if (!widePath) {
    errno = EINVAL;
    return -1;
  }
  Mapped m = Map(*widePath);
  if (m.host.empty()) {
    errno = ENOENT;
    return -1;
  }
  return ::access(m.host.c_str(), hostMode) == 0 ? 0 : -1;
}

int _fileno(std::FILE* file) {
  if (!file) {
    errno = EINVAL;
    return -1;
  }
  return ::fileno(file);
}

LONG _filelength(int fd) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size < 0 || st.st_size > 0x7FFFFFFF) {
    if (fd < 0) errno = EBADF;
    return -1;
  }
  return static_cast<LONG>(st.st_size);
}

}  // namespace crt

// ---- Testing interface -------------------------------------------------------

namespace w32test {

void SetFileRoot(const std::string& hostDirectory) {
  std::error_code ec;
  fs::create_directories(hostDirectory + "/c", ec);
  RootState& s = rootState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.root = hostDirectory;
}

std::string FileRoot() { return Root(); }

bool PutFile(LPCWSTR path, const std::string& bytes) {
  Mapped m = MapWide(path);
  if (m.host.empty()) return false;
  std::error_code ec;
  fs::create_directories(Parent(m.host), ec);
  return WriteHostFile(m.host, bytes);
}

std::optional<std::string> FileContents(LPCWSTR path) {
  Mapped m = MapWide(path);
  if (m.host.empty() || KindOf(m.host) != Kind::File) return std::nullopt;
  std::ifstream in(m.host, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return std::nullopt;
  return bytes;
}

bool MakeDirectories(LPCWSTR path) {
  Mapped m = MapWide(path);
  if (m.host.empty()) return false;
  std::error_code ec;
  fs::create_directories(m.host, ec);
  return KindOf(m.host) == Kind::Directory;
}

}  // namespace w32test

namespace w32test {

std::string MapPath(LPCWSTR path, DWORD* error) {
  Mapped m = MapWide(path);
  if (error) *error = m.error;
  return m.host;
}

std::string MapPathA(LPCSTR path, DWORD* error) {
  auto wide = w32detail::AnsiToWide(path);
  if (!wide) {
    if (error) *error = ERROR_INVALID_NAME;
    return std::string();
  }
  return MapPath(wide->c_str(), error);
}

}  // namespace w32test
