// test_gui SUITE [QtTest options]: runs one suite, so CTest lists each.
#include <QApplication>
#include <cstdio>

#include "GuiSuites.h"

int main(int argc, char** argv) {
  const auto& suites = hrx::test::guiSuites();
  if (argc < 2 || suites.count(argv[1]) == 0) {
    std::fprintf(stderr, "usage: %s SUITE [options]; suites:", argv[0]);
    for (const auto& [name, run] : suites) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return 2;
  }
  const auto run = suites.at(argv[1]);
  QApplication app(argc, argv);
  // QtTest sees the program name and the options after the suite's name.
  argv[1] = argv[0];
  return run(argc - 1, argv + 1);
}
