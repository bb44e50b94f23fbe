#include "observe.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "clock.h"

namespace {

// Windows and texts are looked at every millisecond. Memory and processor
// time are read through the wineserver, which the watched program needs as
// well: they are sampled less often (the peak only grows, and processor time
// is counted in steps of 10 ms anyway).
const DWORD kPollMs = 1;
const double kSampleEveryMs = 20;
// The pause's processor use is sampled between these offsets after its text
// appeared, well inside the 1000 ms pause.
const double kPauseFromMs = 100, kPauseToMs = 900;

// The visible window that the program's main thread has activated (showing
// a top-level window activates it). One question to the wineserver per
// poll: walking all top-level windows each millisecond slowed the start of
// the watched program by tens of milliseconds.
HWND visible_active_window(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(thread, &info) || info.hwndActive == NULL) return NULL;
  return IsWindowVisible(info.hwndActive) ? info.hwndActive : NULL;
}

// Another process's window texts come from the wineserver, so reading them
// never waits for the watched program to pump its messages.
struct ShownText {
  HWND control;
  std::string text;
};

std::string text_of(HWND control) {
  char text[256] = "";
  GetWindowTextA(control, text, sizeof text);
  return text;
}

BOOL CALLBACK collect_text(HWND child, LPARAM parameter) {
  std::string text = text_of(child);
  if (!text.empty()) reinterpret_cast<std::vector<ShownText> *>(parameter)->push_back({child, text});
  return TRUE;
}

// Times the first appearance of the watched texts. Once one has been found,
// only its control is read each poll, with a look at all controls now and
// then: reading every control each millisecond would slow the watched
// program. True when all texts have come.
class TextTimer {
 public:
  bool poll(HWND window, const Watch &watch, double now, Observation *observation) {
    std::vector<ShownText> shown;
    if (status_ == NULL || now - last_full_ >= kFullLookEveryMs) {
      EnumChildWindows(window, collect_text, reinterpret_cast<LPARAM>(&shown));
      last_full_ = now;
    } else {
      shown.push_back({status_, text_of(status_)});
    }
    bool all = true;
    for (size_t i = 0; i < watch.texts.size(); ++i) {
      for (const ShownText &item : shown) {
        if (observation->text_ms[i] < 0 && item.text == watch.texts[i]) {
          observation->text_ms[i] = now;
          status_ = item.control;
        }
      }
      all = all && observation->text_ms[i] >= 0;
    }
    return all;
  }

 private:
  static constexpr double kFullLookEveryMs = 50;
  HWND status_ = NULL;
  double last_full_ = -1e9;
};

// Wine answers for another process's memory only while it runs (it reads
// Linux's /proc), so it is sampled during the run and the last sample counts.
void sample_memory(HANDLE process, Observation *observation) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, &memory, sizeof memory) && memory.PeakWorkingSetSize > 0)
    observation->peak_kib = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
}

std::string read_small_file(const std::string &path) {
  FILE *file = fopen(path.c_str(), "rb");
  if (file == NULL) return "";
  char buffer[1024];
  size_t length = fread(buffer, 1, sizeof buffer, file);
  fclose(file);
  return std::string(buffer, length);
}

// Wine's GetProcessTimes gives the caller's own times for another process,
// so processor time is read from Linux: the watched program is the Wine
// process whose command line (Wine puts the Windows path there) names it;
// among several, the one started last.
int linux_pid_of(const std::string &path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int found = 0;
  unsigned long long latest = 0;
  do {
    int pid = atoi(entry.cFileName);
    if (pid <= 0) continue;
    std::string folder = "Z:\\proc\\" + std::string(entry.cFileName) + "\\";
    std::string name = read_small_file(folder + "cmdline").c_str();
    if (lstrcmpiA(name.c_str(), path.c_str()) != 0) continue;
    std::string stat = read_small_file(folder + "stat");
    size_t fields = stat.rfind(')');
    unsigned long long started = 0;
    // After the name: the state, then 18 fields, then the start time.
    if (fields != std::string::npos &&
        sscanf(stat.c_str() + fields + 2,
               "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
               &started) == 1 &&
        started >= latest) {
      latest = started;
      found = pid;
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

// User and system time of a Linux process, from /proc through Wine's drive Z:.
double linux_cpu_ms(int pid) {
  char path[64];
  snprintf(path, sizeof path, "Z:\\proc\\%d\\stat", pid);
  FILE *file = fopen(path, "r");
  if (file == NULL) return -1;
  char line[1024] = {};
  size_t length = fread(line, 1, sizeof line - 1, file);
  fclose(file);
  line[length] = 0;
  const char *fields = strrchr(line, ')');
  unsigned long user = 0, system = 0;
  // After the name: state, then ten fields, then utime and stime in ticks.
  if (fields == NULL ||
      sscanf(fields + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
    return -1;
  return (user + system) * 10.0;
}

}  // namespace

Observation observe(const std::string &path, const std::string &command_line, const std::string &directory,
                    const Watch &watch, DWORD timeout_ms, int wineserver_pid) {
  Observation observation;
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back(0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};

  double server_before = wineserver_pid > 0 ? linux_cpu_ms(wineserver_pid) : -1;
  double start = now_ms();
  if (!CreateProcessA(path.c_str(), line.data(), NULL, NULL, FALSE, 0, NULL, directory.c_str(), &startup,
                      &process)) {
    fprintf(stderr, "cannot start %s: %lu\n", path.c_str(), GetLastError());
    return observation;
  }
  CloseHandle(process.hThread);

  observation.text_ms.assign(watch.texts.size(), -1);
  HWND window = NULL;
  bool texts_seen = watch.texts.empty();
  TextTimer text_timer;
  bool close_posted = false;
  double reaction_start = -1, pause_seen = -1, last_sample = -1e9;
  double pause_cpu_from = -1, pause_from_time = 0, pause_server_from = 0;
  int linux_pid = 0;
  for (;;) {
    // The wait on the process is also the poll interval.
    DWORD state = WaitForSingleObject(process.hProcess, kPollMs);
    double now = now_ms() - start;
    if (state == WAIT_OBJECT_0) {
      observation.exit_ms = now;
      observation.ended = true;
      break;
    }
    if (now > timeout_ms) {
      fprintf(stderr, "%s still running after %lu ms: ended by force\n", path.c_str(), timeout_ms);
      TerminateProcess(process.hProcess, 99);
      break;
    }
    if (window == NULL) {
      window = visible_active_window(process.dwThreadId);
      if (window != NULL) {
        observation.visible_ms = now;
      }
    }
    if (window != NULL && !close_posted && watch.close_after_visible_ms >= 0 &&
        now >= observation.visible_ms + watch.close_after_visible_ms) {
      PostMessageA(window, WM_CLOSE, 0, 0);
      close_posted = true;
    }
    if (watch.reaction_start != NULL && reaction_start < 0 &&
        WaitForSingleObject(watch.reaction_start, 0) == WAIT_OBJECT_0)
      reaction_start = now;
    if (window != NULL && !texts_seen) texts_seen = text_timer.poll(window, watch, now, &observation);
    if (watch.pause_text >= 0 && pause_seen < 0 && observation.text_ms[watch.pause_text] >= 0) {
      pause_seen = observation.text_ms[watch.pause_text];
      // Looked up here, where the watched program only waits, since the
      // search costs processor time that its start would otherwise miss.
      linux_pid = linux_pid_of(path);
    }

    bool pause_from = pause_seen >= 0 && pause_cpu_from < 0 && now >= pause_seen + kPauseFromMs;
    bool pause_to = pause_cpu_from >= 0 && observation.pause_cpu_share < 0 && now >= pause_seen + kPauseToMs;
    if (now - last_sample >= kSampleEveryMs || pause_from || pause_to) {
      sample_memory(process.hProcess, &observation);
      if (linux_pid != 0) {
        double cpu = linux_cpu_ms(linux_pid);
        if (cpu >= 0) observation.cpu_ms = cpu;
      }
      last_sample = now;
      if (pause_from) {
        pause_cpu_from = observation.cpu_ms;
        pause_from_time = now;
        if (wineserver_pid > 0) pause_server_from = linux_cpu_ms(wineserver_pid);
      }
      if (pause_to) {
        observation.pause_cpu_share = (observation.cpu_ms - pause_cpu_from) / (now - pause_from_time);
        if (wineserver_pid > 0)
          observation.pause_server_share =
              (linux_cpu_ms(wineserver_pid) - pause_server_from) / (now - pause_from_time);
      }
    }
  }
  CloseHandle(process.hProcess);
  if (watch.reaction_text >= 0 && reaction_start >= 0 && observation.text_ms[watch.reaction_text] >= 0)
    observation.reaction_ms = observation.text_ms[watch.reaction_text] - reaction_start;
  if (server_before >= 0) observation.server_cpu_ms = linux_cpu_ms(wineserver_pid) - server_before;
  return observation;
}
