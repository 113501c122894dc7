// The script engine beside the Lua 5.4 interpreter on the same four programs (the .pas and
// .lua files of this folder): each benchmark reports the engine's processor time, Lua's
// (measured inside lua5.4 with os.clock, start-up excluded; best of three) and their ratio.
// Processor time on both sides, so that other load on the machine does not skew the ratio.
// A fifth benchmark compiles a generated 1,000-line script.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

#include "script/script_engine.h"

namespace {

using namespace kelmo::script;

std::string readFile(const std::string& name) {
  std::ifstream in(std::string(KELMO_BENCH_DIR) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Counter {
  int value = 0;
};

// The native object of the property benchmark, and check() for the programs' results.
class BenchImport : public ImportPlugin {
 public:
  std::string name() const override { return "BenchImport"; }
  void compileImport(CompileContext& c) override {
    c.declareClass("TCounter", "TComponent");
    c.declareProperty("TCounter", "Value", "integer");
    c.declareRoutine("function counter: TCounter");
    c.declareRoutine("procedure check(n: int64)");
  }
  void executeImport(RuntimeBinder& b) override {
    b.bindPropertyReader("TCounter", "Value", [](NativeCall& c) { return Value(c.self().objectAs<Counter>()->value); });
    b.bindPropertyWriter("TCounter", "Value", [](NativeCall& c) {
      c.self().objectAs<Counter>()->value = static_cast<int>(c.arg(0).asInt());
      return Value();
    });
    b.bindRoutine("counter", [this](NativeCall&) {
      counter_ = Counter{};
      return Value::borrowedObject(&counter_);
    });
    b.bindRoutine("check", [this](NativeCall& c) {
      result = c.arg(0).asInt();
      return Value();
    });
  }
  long long result = 0;

 private:
  Counter counter_;
};

// Runs a Lua file; it prints "<seconds> <result>". Best of three runs.
double luaSeconds(const std::string& file, long long& result) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    std::string cmd = "lua5.4 '" + std::string(KELMO_BENCH_DIR) + "/" + file + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) throw std::runtime_error("cannot start lua5.4");
    double seconds = 0;
    if (std::fscanf(p, "%lf %lld", &seconds, &result) != 2) seconds = -1;
    pclose(p);
    if (seconds < 0) throw std::runtime_error("lua5.4 did not report a time for " + file);
    best = std::min(best, seconds);
  }
  return best;
}

void sideBySide(benchmark::State& state, const char* program, long long expected) {
  auto import = std::make_shared<BenchImport>();
  ScriptEngine engine;
  engine.addPlugin(import);
  if (!engine.compile(readFile(std::string(program) + ".pas"))) {
    state.SkipWithError("the benchmark script does not compile");
    return;
  }
  double best = 1e9;
  for (auto _ : state) {
    std::clock_t start = std::clock();
    bool ok = engine.execute();
    double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    if (!ok || import->result != expected) {
      state.SkipWithError(("wrong result: " + engine.errorText()).c_str());
      return;
    }
    best = std::min(best, seconds);
  }
  long long luaResult = 0;
  double lua = 0;
  try {
    lua = luaSeconds(std::string(program) + ".lua", luaResult);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  if (luaResult != expected) {
    state.SkipWithError("lua computed a different result");
    return;
  }
  state.counters["engine_ms"] = best * 1e3;
  state.counters["lua_ms"] = lua * 1e3;
  state.counters["ratio"] = best / lua;
}

void BM_Fib27(benchmark::State& s) { sideBySide(s, "fib", 196418); }
void BM_IntegerLoop10M(benchmark::State& s) { sideBySide(s, "loop", 50000005000000LL); }
void BM_StringOf100000Pieces(benchmark::State& s) { sideBySide(s, "strings", 100000); }
void BM_Million_PropertyReadsAndWrites(benchmark::State& s) { sideBySide(s, "properties", 1000000); }
// A record field and an array element per step, beside the same loop on plain variables:
// their engine_ms should be close.
void BM_RecordAndArrayAccess10M(benchmark::State& s) { sideBySide(s, "records", 50000015000000LL); }
void BM_SameLoopOnPlainVariables10M(benchmark::State& s) { sideBySide(s, "variables", 50000015000000LL); }
// The plain loop again with the array loop's index arithmetic (`i and 7`, twice) kept in two
// more variables: what is left between it and the array loop is the access itself.
void BM_SameLoopWithItsIndexArithmetic10M(benchmark::State& s) { sideBySide(s, "variables_indexed", 50000015000000LL); }

BENCHMARK(BM_Fib27)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IntegerLoop10M)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StringOf100000Pieces)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Million_PropertyReadsAndWrites)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RecordAndArrayAccess10M)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SameLoopOnPlainVariables10M)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SameLoopWithItsIndexArithmetic10M)->Unit(benchmark::kMillisecond)->Iterations(5);

// A settings-style script of 1,000 lines: constants, globals, routines with locals and
// loops, a main block calling them.
std::string thousandLines() {
  std::string s = "program Generated;\nconst\n  Limit = 100;\nvar\n  total: integer;\n  name: string;\n  scale: double;\n";
  int routine = 0;
  while (std::count(s.begin(), s.end(), '\n') < 960) {
    std::string r = std::to_string(routine++);
    s += "\nfunction Step" + r + "(n: integer; const tag: string; var acc: double): integer;\n";
    s += "var\n  i, k: integer;\n  text: string;\nbegin\n";
    s += "  Result := 0;\n  text := tag + IntToStr(n);\n";
    s += "  for i := 1 to n do\n  begin\n    k := (i * 3 + " + r + ") mod 7;\n";
    s += "    if (k > 2) and (i <> n) then\n      Result := Result + k\n    else\n      acc := acc + i / 2;\n";
    s += "    case k of\n      0: Inc(Result);\n      1, 2: Dec(Result);\n    else\n      text := text + '.';\n    end;\n";
    s += "  end;\n  if Length(text) > Limit then Result := -Result;\nend;\n";
  }
  s += "\nbegin\n  total := 0;\n  scale := 1.5;\n  name := 'run';\n";
  for (int i = 0; i < routine && std::count(s.begin(), s.end(), '\n') < 999; ++i)
    s += "  total := total + Step" + std::to_string(i) + "(10, name, scale);\n";
  while (std::count(s.begin(), s.end(), '\n') < 999) s += "  total := total + 1;\n";
  s += "end.\n";
  return s;
}

void BM_Compile1000Lines(benchmark::State& state) {
  std::string text = thousandLines();
  ScriptEngine engine;
  for (auto _ : state) {
    if (!engine.compile(text)) {
      state.SkipWithError("the generated script does not compile");
      return;
    }
  }
  state.counters["lines"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
}
BENCHMARK(BM_Compile1000Lines)->Unit(benchmark::kMillisecond);

}  // namespace
