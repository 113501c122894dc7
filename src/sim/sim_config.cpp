#include "sim/sim_config.h"

#include <charconv>
#include <cmath>
#include <vector>

namespace kelmo::sim {

std::array<Signal, kSimChannels> rigSignals() {
  // dc, amplitude, frequency, noise, phase
  return {{
      {2.0, 0.8, 1.0 / 20, 0.02, 0.0},    // Ur
      {1.0, 0.5, 1.0 / 30, 0.01, 1.1},    // Ir
      {3.0, 0.3, 1.0 / 50, 0.01, 2.2},    // Uref
      {0.6, 0.3, 1.0 / 25, 0.01, 3.3},    // a sensor
      {1.2, 1.0, 1.0 / 40, 0.005, 4.4},   // pressure sensor
      {1.5, 0.6, 1.0 / 15, 0.02, 5.5},    // U6
      {0.1, 0.0, 0.0, 0.005, 0.0},
      {-0.1, 0.0, 0.0, 0.005, 0.0},
  }};
}

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string_view trim(std::string_view text) {
  const char* blanks = " \t\r\n";
  std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

template <class T>
std::optional<T> parseNumber(std::string_view text, int base = 10) {
  T value{};
  if (text.empty()) return std::nullopt;
  std::from_chars_result result;
  if constexpr (std::is_floating_point_v<T>)
    result = std::from_chars(text.data(), text.data() + text.size(), value);
  else
    result = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X"))
    return parseNumber<std::uint64_t>(text.substr(2), 16);
  return parseNumber<std::uint64_t>(text);
}

std::optional<double> parseFinite(std::string_view text) {
  auto value = parseNumber<double>(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

std::optional<bool> parseSwitch(std::string_view text) {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

// One key applied to config; an empty result means success, otherwise what is wrong.
using Problem = std::string;

Problem applyVersion(std::string_view value, SimConfig& config) {
  auto dot = value.find('.');
  if (dot == std::string_view::npos) return "expected MAJOR.MINOR, such as 3.4";
  auto major = parseUnsigned(value.substr(0, dot));
  auto minor = parseUnsigned(value.substr(dot + 1));
  if (!major || !minor || *major > 0xFFFF || *minor > 0xFFFF)
    return "expected MAJOR.MINOR with numbers 0..65535";
  config.version = static_cast<std::uint32_t>(*major << 16 | *minor);
  return {};
}

Problem applySlot(std::string_view value, SimConfig& config) {
  if (value == "none") {
    config.slot = -1;
    return {};
  }
  auto slot = parseUnsigned(value);
  if (!slot || *slot > 0xFFFF) return "expected a slot number 0..65535 or none";
  config.slot = static_cast<int>(*slot);
  return {};
}

Problem applyFaults(std::string_view value, Fault::Mode mode, SimConfig& config) {
  auto faults = config.faults;
  for (std::string_view item : split(value, ',')) {
    item = trim(item);
    std::uint64_t fromCall = 0;
    if (mode == Fault::Mode::From) {
      auto colon = item.rfind(':');
      if (colon == std::string_view::npos) return "expected NAME:N, such as START_ADC:3";
      auto n = parseUnsigned(item.substr(colon + 1));
      if (!n || *n == 0) return "the call number after ':' must be 1 or more";
      fromCall = *n;
      item = item.substr(0, colon);
    }
    auto op = operationNamed(item);
    if (!op) return "no operation is named '" + std::string(item) + "'";
    faults[static_cast<std::size_t>(*op)] = Fault{mode, fromCall};
  }
  config.faults = faults;
  return {};
}

Problem applySignal(std::string_view value, SimConfig& config) {
  auto fields = split(value, ':');
  if (fields.size() != 5 && fields.size() != 6)
    return "expected CHANNEL:DC:AMPLITUDE:FREQUENCY:NOISE[:PHASE]";
  auto channel = parseUnsigned(fields[0]);
  if (!channel || *channel >= kSimChannels) return "the channel must be 0..7";
  std::array<double, 5> numbers{0, 0, 0, 0, 0};
  for (std::size_t i = 1; i < fields.size(); ++i) {
    auto number = parseFinite(fields[i]);
    if (!number) return "'" + std::string(fields[i]) + "' is not a number";
    numbers[i - 1] = *number;
  }
  if (numbers[2] < 0 || numbers[3] < 0) return "frequency and noise cannot be negative";
  config.signals[*channel] = Signal{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]};
  return {};
}

Problem applyText(std::string_view value, std::size_t maxLength, std::string& field) {
  if (value.size() > maxLength) return "at most " + std::to_string(maxLength) + " characters";
  field = std::string(value);
  return {};
}

Problem applyPair(std::string_view key, std::string_view value, SimConfig& config) {
  if (key == "version") return applyVersion(value, config);
  if (key == "slot") return applySlot(value, config);
  if (key == "name") return applyText(value, 31, config.name);
  if (key == "serial") return applyText(value, 15, config.serialNumber);
  if (key == "no_interface") {
    auto on = parseSwitch(value);
    if (!on) return "expected 0 or 1";
    config.interfaceAvailable = !*on;
    return {};
  }
  if (key == "usb") {
    if (value != "high" && value != "full") return "expected high or full";
    config.highSpeedUsb = value == "high";
    return {};
  }
  if (key == "latency_us") {
    auto us = parseUnsigned(value);
    if (!us || *us > 10'000'000) return "expected microseconds 0..10000000";
    config.latency = std::chrono::microseconds(*us);
    return {};
  }
  if (key == "paced") {
    auto on = parseSwitch(value);
    if (!on) return "expected 0 or 1";
    config.paced = *on;
    return {};
  }
  if (key == "ttl_in") {
    if (value == "loop") {
      config.fixedTtlIn.reset();
      return {};
    }
    auto word = parseUnsigned(value);
    if (!word || *word > 0xFFFF) return "expected loop or a word 0..65535 (0x0000..0xFFFF)";
    config.fixedTtlIn = static_cast<std::uint16_t>(*word);
    return {};
  }
  if (key == "signal") return applySignal(value, config);
  if (key == "seed") {
    auto seed = parseUnsigned(value);
    if (!seed) return "expected an unsigned number";
    config.seed = *seed;
    return {};
  }
  if (key == "fail") return applyFaults(value, Fault::Mode::Always, config);
  if (key == "fail_once") return applyFaults(value, Fault::Mode::Once, config);
  if (key == "fail_from") return applyFaults(value, Fault::Mode::From, config);
  if (key == "late_blocks") {
    auto n = parseUnsigned(value);
    if (!n || *n == 0) return "expected the first late block, 1 or more";
    config.lateFromBlock = *n;
    return {};
  }
  if (key == "late_ms") {
    auto ms = parseUnsigned(value);
    if (!ms || *ms > 3'600'000) return "expected milliseconds 0..3600000";
    config.lateBy = std::chrono::milliseconds(*ms);
    return {};
  }
  return "unknown key '" + std::string(key) + "'";
}

}  // namespace

bool parseSimConfig(std::string_view text, SimConfig& config, std::string& error) {
  SimConfig result = config;
  for (std::string_view pair : split(text, ';')) {
    pair = trim(pair);
    if (pair.empty()) continue;
    auto equals = pair.find('=');
    Problem problem;
    if (equals == std::string_view::npos || equals == 0)
      problem = "expected key=value";
    else
      problem = applyPair(trim(pair.substr(0, equals)), trim(pair.substr(equals + 1)), result);
    if (!problem.empty()) {
      error = "bad pair \"" + std::string(pair) + "\": " + problem;
      return false;
    }
  }
  config = std::move(result);
  return true;
}

}  // namespace kelmo::sim
