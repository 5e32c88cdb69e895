#include "transport/back_off.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace marlek {

void RandomBackOff(int attempt) {
  const int ceilingMs = 10 << std::clamp(attempt, 0, 5);
  std::random_device entropy;
  std::uniform_int_distribution<int> pick(1, ceilingMs);
  std::this_thread::sleep_for(std::chrono::milliseconds(pick(entropy)));
}

}  // namespace marlek
