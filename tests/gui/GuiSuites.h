#pragma once
// A GUI test file registers its suite with one line at namespace scope:
//   static const hrx::test::GuiSuite kSuite("Name", runNameTests);
// CTest's entry gui.Name comes from the file name, NameTest.cpp.
#include <map>
#include <string>

namespace hrx::test {

using GuiSuiteRun = int (*)(int, char**);

inline std::map<std::string, GuiSuiteRun>& guiSuites() {
  static std::map<std::string, GuiSuiteRun> suites;
  return suites;
}

struct GuiSuite {
  GuiSuite(const char* name, GuiSuiteRun run) { guiSuites()[name] = run; }
};

}  // namespace hrx::test
