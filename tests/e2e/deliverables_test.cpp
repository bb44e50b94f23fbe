// The built programs as files: the updater's resources, and the Stub program
// run as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include "files.h"
#include "process.h"

namespace {

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

class SetupResources : public testing::Test {
 protected:
  void SetUp() override {
    setup_ = LoadLibraryExA(build_path("bin\\Setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(setup_, nullptr);
  }
  void TearDown() override { FreeLibrary(setup_); }

  // The bytes of a resource in Japanese, or an empty text when it is missing.
  std::string resource(const char *type, const char *name) {
    HRSRC found = FindResourceExA(setup_, type, name, kJapanese);
    if (found == NULL) return "";
    const char *data = static_cast<const char *>(LockResource(LoadResource(setup_, found)));
    return std::string(data, SizeofResource(setup_, found));
  }

  HMODULE setup_ = NULL;
};

TEST_F(SetupResources, CarriesTheStubProgramByteForByteAsResource108) {
  std::string stub = read_file(build_path("bin\\Stub.exe"));
  ASSERT_GT(stub.size(), 0u);
  EXPECT_EQ(stub, resource("BINARY", "#108"));
}

TEST_F(SetupResources, VersionRecordIs2301InJapanese) {
  std::string version = resource(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
  ASSERT_GE(version.size(), 92u);
  // The fixed record follows the key "VS_VERSION_INFO" and its padding.
  const VS_FIXEDFILEINFO *fixed = reinterpret_cast<const VS_FIXEDFILEINFO *>(version.data() + 40);
  EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
  EXPECT_EQ(0x00020003u, fixed->dwFileVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00020003u, fixed->dwProductVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);
}

TEST(StubProgram, EndsAtOnceWithCodeZeroWhateverItIsGiven) {
  std::string stub = build_path("bin\\Stub.exe");
  for (std::string arguments : {"", " /Automatically", " a \"b c\" \x95\x5c"}) {
    Program program = start_program(stub, "\"" + stub + "\"" + arguments, "", SW_SHOW);
    EXPECT_EQ(0u, wait_for_exit(program, 10000)) << arguments;
    finish(program);
  }
}

BOOL CALLBACK count_type(HMODULE, LPSTR, LONG_PTR count) {
  ++*reinterpret_cast<int *>(count);
  return TRUE;
}

TEST(StubProgram, HasNoResources) {
  HMODULE stub = LoadLibraryExA(build_path("bin\\Stub.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(stub, nullptr);
  int types = 0;
  EnumResourceTypesA(stub, count_type, reinterpret_cast<LONG_PTR>(&types));
  EXPECT_EQ(0, types);
  FreeLibrary(stub);
}

}  // namespace
