#pragma once
// Which sanitizer the build runs under, whichever compiler built it: GCC
// says so with __SANITIZE_ADDRESS__ and __SANITIZE_THREAD__, clang only
// through __has_feature.
//
//   #ifdef TAVREL_ASAN   // AddressSanitizer
//   #ifdef TAVREL_TSAN   // ThreadSanitizer
#if defined(__SANITIZE_ADDRESS__)
#define TAVREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVREL_ASAN 1
#endif
#endif

#if defined(__SANITIZE_THREAD__)
#define TAVREL_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAVREL_TSAN 1
#endif
#endif
