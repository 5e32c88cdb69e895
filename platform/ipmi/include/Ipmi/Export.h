#pragma once

#define IPMI_API __attribute__((visibility("default")))
