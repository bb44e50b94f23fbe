// Runs the updater for the demo as a person at the screen would: reads the
// boxes, presses Enter on each, and saves a picture of the screen at each
// step a person would remember. Prints a short transcript.
//   demo_pilot <Setup.exe> <folder for pictures>    run and answer
//   demo_pilot --report                             the installation now
#include <windows.h>

#include <cstdio>
#include <string>

#include "files.h"
#include "installation.h"
#include "update_run.h"

namespace {

// Saves the whole screen as a 24-bit BMP file.
void save_screen(const std::string &path) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(NULL);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void *bits = NULL;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD row = ((width * 3 + 3) / 4) * 4, size = row * height;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + size;
  std::string data(reinterpret_cast<char *>(&file), sizeof file);
  data.append(reinterpret_cast<char *>(&info.bmiHeader), sizeof info.bmiHeader);
  data.append(static_cast<char *>(bits), size);
  write_text_file(path, data);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(NULL, screen);
}

void report(const char *when) {
  std::string folder = "C:\\Program Files\\Pellix\\Veltrano\\";
  DWORD app_ver = 0;
  char app_ver_text[16] = "(none)";
  if (read_app_ver(&app_ver)) snprintf(app_ver_text, sizeof app_ver_text, "0x%08lX", app_ver);
  printf("%-7s Corvane.exe %s, AppVer %s, Veltrano %s\n", when, file_version(folder + "Corvane.exe").c_str(),
         app_ver_text, FindWindowA("CorvaneStandInMain", NULL) != NULL ? "running" : "not running");
}

// Waits for the next box, pictures it, and answers it with Enter (OK).
bool answer_box(UpdateRun &run, const std::string &picture) {
  MessageBoxView box = run.next_box(60000);
  if (!box.found()) return false;
  Sleep(300);
  save_screen(picture);
  printf("box     \"%s\"\n", box.text.c_str());
  run.answer(box, IDOK);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::string(argv[1]) == "--report") {
    report("now");
    return 0;
  }
  if (argc != 3) return 2;
  std::string pictures = std::string(argv[2]) + "\\";
  report("before");
  UpdateRun run(argv[1]);
  if (run.progress_window() == NULL) return 1;
  Sleep(400);
  save_screen(pictures + "1-progress.bmp");
  if (!answer_box(run, pictures + "2-confirmation.bmp")) return 1;
  if (run.status_seen_at("起動中のアプリケーションを終了しています。", 10000) != 0) {
    Sleep(300);
    save_screen(pictures + "3-closing.bmp");
  }
  if (!answer_box(run, pictures + "4-completion.bmp")) return 1;
  DWORD code = run.wait_exit(60000);
  printf("setup   ended with exit code %lu after %.1f s (six fixed pauses of 1 s included)\n", code,
         (now_ms() - run.started_at()) / 1000.0);
  report("after");
  return code == 0 ? 0 : 1;
}
