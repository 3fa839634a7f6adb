#pragma once
// Whether this build checks the rules only a bug can break (threads, invariants): debug builds
// and sanitizer builds do, release builds do not. Every translation unit of a build agrees.
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KESTROVA_DEBUG_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KESTROVA_DEBUG_CHECKS 1
#endif
#endif
#ifndef KESTROVA_DEBUG_CHECKS
#define KESTROVA_DEBUG_CHECKS 0
#endif
