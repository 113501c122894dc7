// requestStop from another thread ends a running script, also one sleeping in Sleep.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "script/script_engine.h"

namespace kelmo::script {
namespace {

TEST(StopRequest, EndsABusyScriptAndASleepingOne) {
  const char* scripts[] = {
      "var i: integer; begin while True do Inc(i); end.",
      "begin while True do Sleep(50); end.",
      "begin Sleep(100000); end.",
  };
  for (const char* text : scripts) {
    ScriptEngine engine;
    ASSERT_TRUE(engine.compile(text));
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      engine.requestStop();
    });
    auto start = std::chrono::steady_clock::now();
    bool ran = engine.execute();
    stopper.join();
    EXPECT_FALSE(ran) << text;
    EXPECT_EQ(engine.errorText(), "Script stopped") << text;
    // Generous: only that a long sleep does not run its course.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << text;
  }
}

}  // namespace
}  // namespace kelmo::script
