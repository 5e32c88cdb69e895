#pragma once
// The library's word to the person running the program, for what a
// caller's own message cannot carry: a device that could not be read, a
// reading that failed for want of an answer. One line on standard error
// each, prefixed with the library's name.

#include <string>

namespace marlek {

void Diagnose(const std::string& line);

}  // namespace marlek
