#include "rate.h"

#include "maskspace.h"
#include "workers.h"

#include <chrono>
#include <string>
#include <vector>

double measured_rate(EcbPath path, unsigned threads) {
  const MaskSpace space(std::vector<std::string>(8, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"), 8);
  const uint16_t check[4] = {0x0123, 0x4567, 0x89AB, 0xCDEF};
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  uint64_t tried = 0;
  double seconds = 0;
  for (uint64_t step = 1 << 16; seconds < 0.1; tried += step, step *= 2) {
    space.first_match(path, tried, tried + step, check);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  }
  const unsigned processors = available_processors();
  return static_cast<double>(tried) / seconds * (threads < processors ? threads : processors);
}
