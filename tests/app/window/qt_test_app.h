#pragma once
// One QApplication for every test of the executable (offscreen in CI).
#include <QApplication>

namespace kelmo::test {

inline QApplication& testApplication() {
  static int argc = 1;
  static char name[] = "kelmo-window-test";
  static char* argv[] = {name, nullptr};
  // Kept for the life of the process: Qt objects of static lifetime may still use it.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace kelmo::test
