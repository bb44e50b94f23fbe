// The measuring program: starts each program under test from outside, as a
// user or a caller would, and prints one line per run:
//     <label> run=<n> ok=<0|1> exit_ms=... visible_ms=... peak_kib=... ...
// Usage:
//     measure --runs N [--warm-up 0|1] --standins DIR\ [--wineserver PID] LABEL=KIND:PATH ...
// KIND is
//     exit    a program that ends by itself: start to exit
//     window  a program with a window, closed as soon as it is visible
//     window-held  the same, closed one second after it became visible
//     app     the installed application stand-in, closed as soon as it is
//             visible (PATH is not used)
//     payload the payload stand-in at PATH, run as the updater runs it
//             against a fresh installation
//     update  an updater run with "/Automatically" against a fresh
//             installation, the application not running
//     react   the same with the application running, which the updater has
//             to close: adds the reaction to the application's end
// The scenarios run in turns, one run of each per round, so that a change of
// load on the machine touches all of them alike; round 0 is a warm-up and is
// not printed (leave it out with --warm-up 0 when Wine is warm already).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "installation.h"
#include "observe.h"

namespace {

// The status texts of an update, in their order, with the names under which
// their first appearance is printed.
struct StatusText {
  const char *name, *text;
};
const StatusText kStatusTexts[] = {
    {"preparing_ms", "アップデートの準備を行っています。"},
    {"prepared_ms", "アップデートの準備が完了しました。"},
    {"closing_ms", "起動中のアプリケーションを終了しています。"},
    {"updating_ms", "アップデートを行っています。"},
    {"updated_ms", "アップデートが完了しました。"},
    {"ending_ms", "アップデートを終了しています。"},
};
const int kPreparing = 0, kUpdating = 3;
const DWORD kTimeoutMs = 120000;
const double kHeldMs = 1000;
const DWORD kSettleMs = 300;

struct Scenario {
  std::string label, kind, path;
};

std::string folder_of(const std::string &path) { return path.substr(0, path.find_last_of('\\') + 1); }

void print(const Scenario &scenario, int run, bool ok, const Observation &o) {
  printf("%s run=%d ok=%d exit_ms=%.2f peak_kib=%.0f", scenario.label.c_str(), run, ok && o.ended ? 1 : 0,
         o.exit_ms, o.peak_kib);
  if (o.visible_ms >= 0) printf(" visible_ms=%.2f", o.visible_ms);
  if (o.cpu_ms >= 0) printf(" cpu_ms=%.0f", o.cpu_ms);
  if (o.server_cpu_ms >= 0) printf(" server_cpu_ms=%.0f", o.server_cpu_ms);
  for (size_t i = 0; i < o.text_ms.size(); ++i)
    if (o.text_ms[i] >= 0) printf(" %s=%.2f", kStatusTexts[i].name, o.text_ms[i]);
  if (o.reaction_ms >= 0) printf(" reaction_ms=%.2f", o.reaction_ms);
  if (o.pause_cpu_share >= 0) printf(" pause_cpu_share=%.3f", o.pause_cpu_share);
  if (o.pause_server_share >= 0) printf(" pause_server_share=%.3f", o.pause_server_share);
  printf("\n");
  fflush(stdout);
}

void run_once(const Scenario &scenario, int run, const std::string &standins, int wineserver) {
  std::string command = "\"" + scenario.path + "\"";
  Watch watch;
  bool ok = true;
  HANDLE application = NULL;
  if (scenario.kind == "window") watch.close_after_visible_ms = 0;
  // Held open for a while, as the updater's window is, for its peak memory.
  if (scenario.kind == "window-held") watch.close_after_visible_ms = kHeldMs;
  if (scenario.kind == "update" || scenario.kind == "react") {
    command += " /Automatically";
    for (const StatusText &status : kStatusTexts) watch.texts.push_back(status.text);
    watch.pause_text = kPreparing;
    ok = prepare_installation(standins);
  }
  if (scenario.kind == "react") {
    application = start_installed_application();
    ok = ok && application != NULL;
    watch.reaction_start = application;
    watch.reaction_text = kUpdating;
  }
  std::string path = scenario.path, directory = folder_of(scenario.path);
  if (scenario.kind == "app" || scenario.kind == "payload") {
    ok = prepare_installation(standins);
    directory = installation_folder();
  }
  if (scenario.kind == "app") {
    path = installed_exe();
    command = "\"" + path + "\"";
    watch.close_after_visible_ms = 0;
  }
  if (scenario.kind == "payload") command = "\"" + directory + "CRVUPSUB.exe\" -n \"" + directory + "\"";
  // Wine ends a process only after its handle is signalled (its X
  // connection, its windows on the desktop): let the last run's end settle,
  // or the next start pays for it.
  Sleep(kSettleMs);
  Observation observation = observe(path, command, directory, watch, kTimeoutMs, wineserver);
  if (scenario.kind == "update" || scenario.kind == "react") {
    ok = ok && update_applied(standins);
    close_restarted_application();
  }
  if (application != NULL) CloseHandle(application);
  if (run > 0) print(scenario, run, ok, observation);
}

}  // namespace

int main(int argc, char **argv) {
  int runs = 5, wineserver = 0, warm_up = 1;
  std::string standins;
  std::vector<Scenario> scenarios;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--runs" && i + 1 < argc) {
      runs = atoi(argv[++i]);
    } else if (argument == "--warm-up" && i + 1 < argc) {
      warm_up = atoi(argv[++i]) != 0;
    } else if (argument == "--standins" && i + 1 < argc) {
      standins = argv[++i];
    } else if (argument == "--wineserver" && i + 1 < argc) {
      wineserver = atoi(argv[++i]);
    } else {
      size_t equals = argument.find('='), colon = argument.find(':', equals);
      if (equals == std::string::npos || colon == std::string::npos) {
        fprintf(stderr, "not a scenario: %s\n", argument.c_str());
        return 2;
      }
      scenarios.push_back({argument.substr(0, equals), argument.substr(equals + 1, colon - equals - 1),
                           argument.substr(colon + 1)});
    }
  }
  for (int run = warm_up ? 0 : 1; run <= runs; ++run)
    for (const Scenario &scenario : scenarios) run_once(scenario, run, standins, wineserver);
  return 0;
}
