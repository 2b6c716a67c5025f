// test_gui SUITE [QtTest options]: runs one suite, so CTest lists each.
#include <QApplication>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "GuiSuites.h"

int runWindowTests(int argc, char** argv);
int runNoticeTests(int argc, char** argv);
int runRenderTests(int argc, char** argv);
int runPanelTests(int argc, char** argv);
int runSliceTests(int argc, char** argv);
int runCommandLineTests(int argc, char** argv);
int runProgramTests(int argc, char** argv);
int runStationSliceTests(int argc, char** argv);
int runStationGuiTests(int argc, char** argv);
int runBusyTests(int argc, char** argv);
int runRedrawTests(int argc, char** argv);
int runMeterTests(int argc, char** argv);
int runPowerEventsTests(int argc, char** argv);
int runVfoBTests(int argc, char** argv);

int main(int argc, char** argv) {
  std::map<std::string, std::function<int(int, char**)>> suites = {
      {"Window", runWindowTests}, {"Notice", runNoticeTests},           {"Render", runRenderTests},
      {"Panel", runPanelTests},   {"Slice", runSliceTests},             {"CommandLine", runCommandLineTests},
      {"Program", runProgramTests},     {"StationSlice", runStationSliceTests},
      {"StationGui", runStationGuiTests},   {"Busy", runBusyTests},
      {"Redraw", runRedrawTests},     {"Meter", runMeterTests},
      {"PowerEvents", runPowerEventsTests}, {"VfoB", runVfoBTests},
  };
  for (const auto& [name, run] : hrx::test::guiSuites()) suites.emplace(name, run);
  if (argc < 2 || suites.count(argv[1]) == 0) {
    std::fprintf(stderr, "usage: %s SUITE [options]; suites:", argv[0]);
    for (const auto& [name, run] : suites) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  const std::string suite = argv[1];
  QApplication app(argc, argv);
  // QtTest sees the program name and the options after the suite's name.
  argv[1] = argv[0];
  return suites.at(suite)(argc - 1, argv + 1);
}
