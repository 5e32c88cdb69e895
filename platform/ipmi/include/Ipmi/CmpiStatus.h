#pragma once

#include <Ipmi/Export.h>

#include <exception>
#include <string>

namespace ostrelInt {

// The IPMI access library's failure: what failed, on which node, and with
// which completion code and its meaning.
class IPMI_API CmpiStatus : public std::exception {
 public:
  explicit CmpiStatus(std::string message);
  ~CmpiStatus() override;
  const char* what() const noexcept override;
  const std::string& msg() const noexcept { return message_; }

 private:
  std::string message_;
};

}  // namespace ostrelInt
