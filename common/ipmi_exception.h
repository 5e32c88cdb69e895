#pragma once
// The plug-in's own failure: node selection and per-node work throw it, and
// every command turns it into one error message (or a partial result).

#include <exception>
#include <string>

namespace OstrelCli {
namespace Hardware {

class IpmiException : public std::exception {
 public:
  explicit IpmiException(const std::string& message);
  ~IpmiException() override;
  const char* what() const noexcept override;

 private:
  std::string message_;
};

}  // namespace Hardware
}  // namespace OstrelCli
