#pragma once

#define KELVO_API __attribute__((visibility("default")))
