#include "common/ipmi_exception.h"

namespace OstrelCli {
namespace Hardware {

IpmiException::IpmiException(const std::string& message) : message_(message) {}

IpmiException::~IpmiException() = default;

const char* IpmiException::what() const noexcept {
  return message_.c_str();
}

}  // namespace Hardware
}  // namespace OstrelCli
