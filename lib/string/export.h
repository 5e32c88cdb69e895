// Visibility of the string library's C interface.
//
// The plug-in module is built with hidden visibility; the functions of this
// library that other modules may call are marked with OSTREL_STRING_API so
// that exactly they are exported.
#ifndef OSTREL_LIB_STRING_EXPORT_H
#define OSTREL_LIB_STRING_EXPORT_H

#define OSTREL_STRING_API __attribute__((visibility("default")))

#endif  // OSTREL_LIB_STRING_EXPORT_H
