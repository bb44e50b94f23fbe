// File and folder helpers for tests, on Wine's real file system.
#pragma once
#include <windows.h>

#include <string>

// The folder of the build: the test programs live in its "tests" folder.
std::string build_path(const std::string &relative);

// The folder part of `path`, with its backslash; double-byte characters
// whose second byte is 0x5C are stepped over whole.
std::string folder_of(const std::string &path);

std::string read_file(const std::string &path);
bool write_text_file(const std::string &path, const std::string &text);
bool file_exists(const std::string &path);
void copy_file(const std::string &from, const std::string &to);

// Creates `path` and every missing folder above it.
void make_folders(const std::string &path);

// Deletes `path` and everything below it; a missing path is fine.
void remove_tree(const std::string &path);

// A fresh, empty folder for the running test, C:\veltrano-tests\<suite>.<test>,
// returned with its trailing backslash.
std::string fresh_test_folder(const std::string &suffix = "");

// Whether `text` holds `part`.
inline bool contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

// Waits up to `timeout_ms` for a file to appear and hold `part`; returns its
// text. Fails the test when it did not come to hold it.
std::string wait_for_text(const std::string &path, const std::string &part, DWORD timeout_ms);
