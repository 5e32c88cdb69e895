#pragma once

#define HOSTCTL_API __attribute__((visibility("default")))
