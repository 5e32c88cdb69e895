#include "transport/trace.h"

#include "api/diagnostics.h"
#include "tables/command_names.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace marlek {
namespace {

std::string HexData(const std::vector<std::uint8_t>& data) {
  std::string text;
  for (std::uint8_t b : data)
    text += " " + HexDigits(b, 2);
  return text.empty() ? " (no data)" : text;
}

std::string Where(const marlek::Request& r) {
  if (r.target.IsBmc())
    return "";
  return " to channel " + std::to_string(r.target.channel) + " address " + Hex(r.target.slaveAddress) +
         " LUN " + std::to_string(r.target.lun);
}

}  // namespace

Trace::Trace(std::string node) : node_(std::move(node)), start_(std::chrono::steady_clock::now()) {}

void Trace::Line(const std::string& text) const {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "+%.3fs ", seconds);
  Diagnose(std::string("trace ") + stamp + node_ + ": " + text);
}

void Trace::Request(const marlek::Request& r, std::uint32_t tag, int attempt) const {
  Line("-> " + CommandName(r.netFn, r.command) + Where(r) + " #" + std::to_string(tag) +
       (attempt ? " (sent again, attempt " + std::to_string(attempt + 1) + ")" : "") + ":" + HexData(r.data));
}

void Trace::Answer(const marlek::Request& r, std::uint32_t tag, const Response& a) const {
  Line("<- " + CommandName(r.netFn, r.command) + " #" + std::to_string(tag) + ": " +
       DescribeCompletionCode(a.completionCode) + HexData(a.data));
}

void Trace::NoAnswer(const marlek::Request& r, std::uint32_t tag) const {
  Line("<- " + CommandName(r.netFn, r.command) + " #" + std::to_string(tag) +
       ": no answer, attempts used up");
}

void Trace::Step(const std::string& text) const {
  Line(text);
}

bool TraceWanted() {
  const char* value = std::getenv("MARLEK_IPMI_DEBUG");
  return value && (!std::strcmp(value, "1") || !std::strcmp(value, "on") || !std::strcmp(value, "yes"));
}

}  // namespace marlek
