#pragma once
// What the benchmarks share: a clock, sample statistics and the rows of the table that
// scripts/bench prints.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

inline double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// How long one run of step takes, in milliseconds.
template <typename Step>
double Time(Step step) {
  const double start = NowMs();
  step();
  return NowMs() - start;
}

class Samples {
 public:
  void Add(double value) { values_.push_back(value); }
  size_t Count() const { return values_.size(); }
  // The value below which the fraction p of the samples lie (nearest rank).
  double Percentile(double p) const {
    if (values_.empty()) return 0;
    std::vector<double> sorted = values_;
    std::sort(sorted.begin(), sorted.end());
    size_t rank = static_cast<size_t>(p * static_cast<double>(sorted.size()) + 0.5);
    rank = std::min(std::max<size_t>(rank, 1), sorted.size());
    return sorted[rank - 1];
  }
  double Median() const { return Percentile(0.5); }

 private:
  std::vector<double> values_;
};

inline std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// Verdicts of a row.
constexpr const char* kMet = "met";
constexpr const char* kMissed = "MISSED";
constexpr const char* kNoTarget = "-";

inline const char* Verdict(bool met) { return met ? kMet : kMissed; }

// One row of the table on stdout; scripts/bench collects the rows of every benchmark and
// aligns them. Progress and explanations go to stderr.
inline void Row(const std::string& figure, const std::string& measured,
                const std::string& target, const char* verdict) {
  std::printf("row|%s|%s|%s|%s\n", figure.c_str(), measured.c_str(), target.c_str(), verdict);
  std::fflush(stdout);
}

inline void Note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}
