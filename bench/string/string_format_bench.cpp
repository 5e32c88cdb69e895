// Str_Snprintf against glibc's snprintf, and bsd_vsnprintf (with the current
// locale) against glibc's vsnprintf, on the formats the plug-in and its
// users print most. bench/string/ratios.py turns the JSON output into a
// table of time ratios.
#include <benchmark/benchmark.h>
#include <stdarg.h>
#include <stdio.h>

#include <string>

#include "lib/string/bsd_vsnprintf.h"
#include "lib/string/str.h"

namespace {

enum class Impl { kStrSnprintf, kGlibcSnprintf, kBsdVsnprintf, kGlibcVsnprintf };

__attribute__((noinline)) int BsdFormat(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = bsd_vsnprintf(&buf, size, fmt, ap);
  va_end(ap);
  return n;
}

__attribute__((noinline)) int GlibcVFormat(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  return n;
}

template <typename... A>
int Format(Impl impl, char* buf, size_t size, const char* fmt, A... args) {
  switch (impl) {
    case Impl::kStrSnprintf:
      return Str_Snprintf(buf, size, fmt, args...);
    case Impl::kGlibcSnprintf:
      return snprintf(buf, size, fmt, args...);
    case Impl::kBsdVsnprintf:
      return BsdFormat(buf, size, fmt, args...);
    case Impl::kGlibcVsnprintf:
      return GlibcVFormat(buf, size, fmt, args...);
  }
  return -1;
}

template <typename... A>
void BM_Format(benchmark::State& state, Impl impl, const char* fmt, A... args) {
  char buf[512];
  for (auto _ : state) {
    int n = Format(impl, buf, sizeof buf, fmt, args...);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buf);
  }
}

const std::string& Text200() {
  static const std::string text(200, 'x');
  return text;
}

// Each case in all four implementations.
#define OSTREL_FORMAT_CASE(name, ...)                                                   \
  BENCHMARK_CAPTURE(BM_Format, name / Str_Snprintf, Impl::kStrSnprintf, __VA_ARGS__);   \
  BENCHMARK_CAPTURE(BM_Format, name / snprintf, Impl::kGlibcSnprintf, __VA_ARGS__);     \
  BENCHMARK_CAPTURE(BM_Format, name / bsd_vsnprintf, Impl::kBsdVsnprintf, __VA_ARGS__); \
  BENCHMARK_CAPTURE(BM_Format, name / vsnprintf, Impl::kGlibcVsnprintf, __VA_ARGS__)

OSTREL_FORMAT_CASE(u_paren_s, "%u (%s)", 2u, "Information");
OSTREL_FORMAT_CASE(d, "%d", 123456789);
OSTREL_FORMAT_CASE(08x, "%08x", 0xbeefu);
OSTREL_FORMAT_CASE(dot2f, "%.2f", 1.5);
OSTREL_FORMAT_CASE(s200, "%s", Text200().c_str());
OSTREL_FORMAT_CASE(grouped_d, "%'d", 1234567);
OSTREL_FORMAT_CASE(positional, "%2$s %1$d", 42, "Information");

}  // namespace
