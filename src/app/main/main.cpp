#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::puts("kelmo 2.0");
    return 0;
  }
  std::puts("kelmo 2.0: nothing to run yet");
  return 0;
}
