#pragma once
// A GUI test file registers its suite with one line at namespace scope:
//   static const hrx::test::GuiSuite kSuite("Name", hrx::test::runSuite<NameTest>);
// CTest's entry gui.Name comes from the file name, NameTest.cpp.
#include <QtTest>
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

template <class T>
int runSuite(int argc, char** argv) {
  T t;
  return QTest::qExec(&t, argc, argv);
}

}  // namespace hrx::test
