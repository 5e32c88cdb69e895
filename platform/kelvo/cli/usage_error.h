#pragma once
// A mistake on the command line. The program prints its one-line message
// and where to find help, and exits with kUsageStatus.

#include <stdexcept>
#include <string>

namespace Kelvo {
namespace Cli {

constexpr const char kProgramName[] = "ostrelcli";
constexpr int kUsageStatus = 2;

class UsageError : public std::runtime_error {
 public:
  // helpPath is the command path whose help explains the mistake ("" for
  // the program's own help).
  UsageError(const std::string& message, std::string helpPath)
      : std::runtime_error(message), helpPath_(std::move(helpPath)) {}

  const std::string& HelpPath() const { return helpPath_; }

 private:
  std::string helpPath_;
};

}  // namespace Cli
}  // namespace Kelvo
