#include "files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

std::string build_path(const std::string &relative) {
  char self[MAX_PATH];
  GetModuleFileNameA(NULL, self, MAX_PATH);
  std::string folder(self);
  folder.erase(folder.rfind('\\'));      // ...\build\tests
  folder.erase(folder.rfind('\\') + 1);  // ...\build\ (with backslash)
  return folder + relative;
}

std::string folder_of(const std::string &path) {
  const char *text = path.c_str();
  const char *end = text;
  for (const char *p = text; *p != 0; p = CharNextA(p))
    if (*p == '\\') end = p + 1;
  return std::string(text, end);
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool write_text_file(const std::string &path, const std::string &text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

bool file_exists(const std::string &path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void copy_file(const std::string &from, const std::string &to) {
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to << ": " << GetLastError();
}

void make_folders(const std::string &path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), NULL);
  CreateDirectoryA(path.c_str(), NULL);
}

void remove_tree(const std::string &path) {
  // Only a backslash of its own ends the folder: 表 ends in the byte 0x5C.
  std::string folder = path;
  if (folder_of(folder) == folder && !folder.empty()) folder.pop_back();
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(folder.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") remove_tree(folder + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string fresh_test_folder(const std::string &suffix) {
  const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
  std::string folder =
      std::string("C:\\veltrano-tests\\") + test->test_suite_name() + "." + test->name() + suffix;
  remove_tree(folder);
  make_folders(folder);
  return folder + "\\";
}

std::string wait_for_text(const std::string &path, const std::string &part, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  std::string text = read_file(path);
  while (!contains(text, part) && GetTickCount() - start < timeout_ms) {
    Sleep(50);
    text = read_file(path);
  }
  if (!contains(text, part)) ADD_FAILURE() << path << " never held \"" << part << "\": " << text;
  return text;
}
