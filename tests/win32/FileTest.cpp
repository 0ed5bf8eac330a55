#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "win32/Environment.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    root = w32test::FileRoot();
  }
  void TearDown() override { w32test::Reset(); }
  std::string root;
};

TEST_F(FileTest, WindowsPathsMapOnceUnderTheRoot) {
  struct Case {
    const char16_t* path;
    const char* host;  // below the root
  } cases[] = {
      {u"C:\\Spool\\X.tmp", "/c/spool/x.tmp"},
      {u"c:/spool/x.TMP", "/c/spool/x.tmp"},
      {u"\\\\Server\\Print$\\W32X86\\3\\F.PFM", "/unc/server/print$/w32x86/3/f.pfm"},
      {u"\\SystemRoot\\System32\\Spool", "/c/systemroot/system32/spool"},
      {u"Relative\\File", "/c/relative/file"},
      {u"C:\\a\\..\\..\\b", "/c/b"},
      {u"C:\\a\\.\\\\b. ", "/c/a/b"},
      {u"D:\\X", "/d/x"},
      {u"C:\\", "/c"},
      {u"\\\\?\\C:\\Long\\Name", "/c/long/name"},
      {u"C:\\\u00C9T\u00C9", "/c/\xC3\xA9t\xC3\xA9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.host));
    DWORD error = 99;
    EXPECT_EQ(w32test::MapPath(c.path, &error), root + c.host);
    EXPECT_EQ(error, 0u);
  }
  EXPECT_EQ(w32test::MapPathA("C:\\Spool\\Y.TMP"), root + "/c/spool/y.tmp");
}

TEST_F(FileTest, PathsNoFileCanHaveAreRefused) {
  struct Case {
    const char16_t* path;
    DWORD error;
  } cases[] = {
      {u"", ERROR_PATH_NOT_FOUND},
      {u"C:\\a?b", ERROR_INVALID_NAME},
      {u"C:\\dir\\b<", ERROR_INVALID_NAME},
      {u"C:\\dir\\a:b", ERROR_INVALID_NAME},
      {u"\\\\server", ERROR_INVALID_NAME},
      {u"\\\\server\\", ERROR_INVALID_NAME},
      {u"1:\\x", ERROR_INVALID_NAME},
  };
  for (const auto& c : cases) {
    DWORD error = 0;
    EXPECT_EQ(w32test::MapPath(c.path, &error), "");
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(CreateFileW(u"C:\\bad|name", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(FileTest, WriteSeekReadRoundTripIgnoringCase) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Spool", nullptr));
  HANDLE w = CreateFileW(u"C:\\Spool\\Job.SPL", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(w, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(SetFilePointer(w, -4, nullptr, FILE_END), 6u);
  char buf[16] = {};
  ASSERT_TRUE(ReadFile(w, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 4u);  // short read at the end is a success
  EXPECT_STREQ(buf, "6789");
  ASSERT_TRUE(ReadFile(w, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(n, 0u);
  // Before the start: refused, position unchanged.
  EXPECT_EQ(SetFilePointer(w, -11, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(w, 0, nullptr, FILE_CURRENT), 10u);
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(w, 2, &high, FILE_BEGIN), 2u);
  EXPECT_EQ(high, 0);
  DWORD sizeHigh = 77;
  EXPECT_EQ(GetFileSize(w, &sizeHigh), 10u);
  EXPECT_EQ(sizeHigh, 0u);
  ASSERT_TRUE(CloseHandle(w));

  HANDLE r = CreateFileW(u"c:\\SPOOL\\job.spl", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(r, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(ReadFile(r, buf, 3, &n, nullptr));
  EXPECT_EQ(std::string(buf, 3), "012");
  EXPECT_FALSE(WriteFile(r, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(r);
  EXPECT_EQ(w32test::FileContents(u"C:\\spool\\JOB.spl"), "0123456789");
}

TEST_F(FileTest, CreationDispositions) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\d\\old.txt", "old"));
  struct Case {
    const char16_t* path;
    DWORD disposition;
    DWORD access;
    bool opens;
    DWORD error;
    const char* contentAfter;  // null: no file
  } cases[] = {
      {u"C:\\d\\old.txt", CREATE_NEW, GENERIC_WRITE, false, ERROR_FILE_EXISTS, "old"},
      {u"C:\\d\\old.txt", OPEN_EXISTING, GENERIC_READ, true, ERROR_SUCCESS, "old"},
      {u"C:\\d\\old.txt", OPEN_ALWAYS, GENERIC_READ, true, ERROR_ALREADY_EXISTS, "old"},
      {u"C:\\d\\old.txt", CREATE_ALWAYS, 0, true, ERROR_ALREADY_EXISTS, ""},
      {u"C:\\d\\new1.txt", CREATE_ALWAYS, 0, true, ERROR_SUCCESS, ""},
      {u"C:\\d\\new2.txt", OPEN_ALWAYS, GENERIC_WRITE, true, ERROR_SUCCESS, ""},
      {u"C:\\d\\new3.txt", OPEN_EXISTING, 0, false, ERROR_FILE_NOT_FOUND, nullptr},
      {u"C:\\d\\new4.txt", TRUNCATE_EXISTING, GENERIC_WRITE, false, ERROR_FILE_NOT_FOUND, nullptr},
      {u"C:\\nodir\\f.txt", CREATE_ALWAYS, GENERIC_WRITE, false, ERROR_PATH_NOT_FOUND, nullptr},
      {u"C:\\nodir\\f.txt", OPEN_EXISTING, 0, false, ERROR_PATH_NOT_FOUND, nullptr},
      {u"C:\\d", OPEN_EXISTING, GENERIC_READ, false, ERROR_ACCESS_DENIED, nullptr},
      {u"C:\\d\\x.txt", 9, GENERIC_READ, false, ERROR_INVALID_PARAMETER, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disposition);
    SetLastError(12345);
    HANDLE h = CreateFileW(c.path, c.access, 0, nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(GetLastError(), c.error);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    auto content = w32test::FileContents(c.path);
    if (c.contentAfter) {
      EXPECT_EQ(content, c.contentAfter);
    } else if (std::u16string(c.path) != u"C:\\d") {
      EXPECT_FALSE(content.has_value());
    }
  }
}

TEST_F(FileTest, DeleteCopyAttributesAndDirectories) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\src\\a.bin", "AAA"));
  ASSERT_TRUE(w32test::PutFile(u"C:\\dst\\b.bin", "BBB"));

  EXPECT_EQ(GetFileAttributesW(u"C:\\SRC"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(u"C:\\SRC\\A.BIN"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\src\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(u"C:\\none\\none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_FALSE(CopyFileW(u"C:\\src\\a.bin", u"C:\\dst\\b.bin", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(w32test::FileContents(u"C:\\dst\\b.bin"), "BBB");
  EXPECT_TRUE(CopyFileW(u"C:\\src\\a.bin", u"C:\\dst\\b.bin", FALSE));
  EXPECT_EQ(w32test::FileContents(u"C:\\dst\\b.bin"), "AAA");
  EXPECT_FALSE(CopyFileW(u"C:\\src\\missing", u"C:\\dst\\c.bin", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(u"C:\\src\\a.bin", u"C:\\nodir\\c.bin", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(u"C:\\src", u"C:\\dst\\c.bin", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  EXPECT_TRUE(DeleteFileW(u"C:\\SRC\\A.BIN"));
  EXPECT_FALSE(DeleteFileW(u"C:\\src\\a.bin"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(u"C:\\src"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  EXPECT_TRUE(CreateDirectoryW(u"C:\\src\\Sub", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\SRC\\sub", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\no\\such", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTest, CopyFromAPrintServerShare) {
  ASSERT_TRUE(w32test::PutFile(u"\\\\Server\\print$\\w32x86\\3\\FONTS.QVD", "fonts"));
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\WINDOWS\\SYSTEM32\\spool\\drivers"));
  EXPECT_TRUE(CopyFileW(u"\\\\server\\PRINT$\\W32X86\\3\\fonts.qvd", u"C:\\WINDOWS\\SYSTEM32\\spool\\drivers\\fonts.qvd",
                        FALSE));
  EXPECT_EQ(w32test::FileContents(u"c:\\windows\\system32\\SPOOL\\DRIVERS\\FONTS.QVD"), "fonts");
}

TEST_F(FileTest, OpenFileTestsExistenceAndSearchesBareNames) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\WINDOWS\\SYSTEM32\\qvkeys32.dll", ""));
  OFSTRUCT of;
  EXPECT_NE(OpenFile("QVKEYS32.DLL", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_STREQ(of.szPathName, "C:\\WINDOWS\\SYSTEM32\\QVKEYS32.DLL");
  EXPECT_EQ(of.cBytes, sizeof(OFSTRUCT));
  EXPECT_NE(OpenFile("c:\\windows\\system32\\qvkeys32.dll", &of, OF_EXIST), HFILE_ERROR);

  EXPECT_EQ(OpenFile("other.dll", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(of.nErrCode, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(OpenFile("C:\\nodir\\other.dll", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_EQ(of.nErrCode, ERROR_PATH_NOT_FOUND);

  // The PATH variable of the stand-in's environment is searched too.
  ASSERT_TRUE(w32test::PutFile(u"D:\\Tools\\other.dll", ""));
  w32test::SetEnvironment(u"PATH", u"C:\\none;D:\\Tools");
  EXPECT_NE(OpenFile("other.dll", &of, OF_EXIST), HFILE_ERROR);
  EXPECT_STREQ(of.szPathName, "D:\\Tools\\other.dll");

  // Only the existence test is offered.
  EXPECT_EQ(OpenFile("other.dll", &of, OF_READ), HFILE_ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

std::vector<std::u16string> Find(const char16_t* pattern, DWORD* error = nullptr) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(pattern, &d);
  if (h == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return names;
  }
  do names.push_back(d.cFileName);
  while (FindNextFileW(h, &d));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_FALSE(CloseHandle(h));  // a search is closed with FindClose
  EXPECT_TRUE(FindClose(h));
  EXPECT_FALSE(FindClose(h));
  return names;
}

TEST_F(FileTest, FindListsMatchingNamesInOrder) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\Fonts\\B.PFM", "12345"));
  ASSERT_TRUE(w32test::PutFile(u"C:\\Fonts\\a.pfm", ""));
  ASSERT_TRUE(w32test::PutFile(u"C:\\Fonts\\c.pcm", ""));
  ASSERT_TRUE(w32test::PutFile(u"C:\\Fonts\\readme", ""));
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Fonts\\sub.pfm"));

  using V = std::vector<std::u16string>;
  EXPECT_EQ(Find(u"C:\\FONTS\\*.PFM"), (V{u"a.pfm", u"b.pfm", u"sub.pfm"}));
  EXPECT_EQ(Find(u"C:/fonts/?.p?m"), (V{u"a.pfm", u"b.pfm", u"c.pcm"}));
  EXPECT_EQ(Find(u"C:\\fonts\\*"), (V{u".", u"..", u"a.pfm", u"b.pfm", u"c.pcm", u"readme", u"sub.pfm"}));
  EXPECT_EQ(Find(u"C:\\fonts\\read*.*"), (V{u"readme"}));
  EXPECT_EQ(Find(u"C:\\fonts\\B.pfm"), (V{u"b.pfm"}));

  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(u"C:\\fonts\\b.pfm", &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(d.nFileSizeLow, 5u);
  EXPECT_EQ(d.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  FindClose(h);

  DWORD error = 0;
  EXPECT_TRUE(Find(u"C:\\fonts\\*.qvd", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(Find(u"C:\\nofonts\\*.pfm", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileTest, RuntimeStdioOpensWindowsPaths) {
  ASSERT_TRUE(w32test::MakeDirectories(u"C:\\Data"));
  std::FILE* f = crt::fopen("C:\\Data\\Store.BIN", "w+b");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite("abc", 1, 3, f), 3u);
  std::fclose(f);
  f = crt::_wfopen(u"c:\\data\\store.bin", u"rb+");
  ASSERT_NE(f, nullptr);
  char buf[4] = {};
  EXPECT_EQ(std::fread(buf, 1, 3, f), 3u);
  EXPECT_STREQ(buf, "abc");
  std::fclose(f);

  EXPECT_EQ(crt::fopen("C:\\Data\\missing.bin", "rb+"), nullptr);
  EXPECT_EQ(crt::fopen("C:\\NoDir\\x.bin", "wb+"), nullptr);
  EXPECT_EQ(crt::fopen("C:\\Data", "rb"), nullptr);
  EXPECT_EQ(crt::fopen("C:\\Data\\x.bin", "q"), nullptr);

  EXPECT_EQ(crt::remove("C:\\DATA\\STORE.BIN"), 0);
  EXPECT_EQ(crt::remove("C:\\DATA\\STORE.BIN"), -1);
}

TEST_F(FileTest, ResetEmptiesTheRootAndATestMaySetItsOwn) {
  ASSERT_TRUE(w32test::PutFile(u"C:\\keep\\me.txt", "x"));
  w32test::Reset();
  EXPECT_FALSE(w32test::FileContents(u"C:\\keep\\me.txt").has_value());
  EXPECT_EQ(GetFileAttributesW(u"C:\\"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  std::string own = root + "-own";
  w32test::SetFileRoot(own);
  ASSERT_TRUE(w32test::PutFile(u"C:\\x.txt", "own"));
  struct stat st;
  EXPECT_EQ(::stat((own + "/c/x.txt").c_str(), &st), 0);
  w32test::Reset();  // back to the default root; the test's own directory is left alone
  EXPECT_EQ(w32test::FileRoot(), root);
  EXPECT_EQ(::stat((own + "/c/x.txt").c_str(), &st), 0);
  std::filesystem::remove_all(own);
}

TEST_F(FileTest, InjectedFailures) {
  w32test::FailCall("CreateFileW", ERROR_SHARING_VIOLATION);
  EXPECT_EQ(CreateFileW(u"C:\\x", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(w32test::FileContents(u"C:\\x").has_value());
  w32test::FailCall("CopyFileW", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CopyFileW(u"C:\\x", u"C:\\y", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

}  // namespace
