// The built programs as files: the updater's resources, and the Stub program
// run as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include "files.h"
#include "process.h"
#include "setup_resources.h"

namespace {

TEST(SetupResources, CarriesTheStubProgramByteForByteAsResource108) {
  std::string stub = read_file(build_path("bin\\Stub.exe"));
  ASSERT_GT(stub.size(), 0u);
  EXPECT_EQ(stub, setup_resource("BINARY", "#108"));
}

TEST(SetupResources, VersionRecordIs2301InJapanese) {
  std::string version = setup_resource(RT_VERSION, MAKEINTRESOURCEA(1));
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
