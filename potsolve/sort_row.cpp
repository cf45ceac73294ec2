#include "potsolve/sort_row.h"

#include <cmath>

#include "potsolve/stop.h"
#include "textio/console.h"

namespace potsolve {

namespace {

constexpr float fm = 7875.0f;
constexpr float fa = 211.0f;
constexpr float fc = 1663.0f;
constexpr float fmi = 1.2698413E-4f;  // close to 1/7875
constexpr std::int32_t m_insert = 7;   // ranges of at most 7 entries go to insertion

// Straight insertion of list(l..r).
void insertion(std::int32_t l, std::int32_t r, std::int32_t* list) {
  // for each entry, shift the greater ones before it one place right
  for (std::int32_t j = l + 1; j <= r; ++j) {
    const std::int32_t a = list[j];
    std::int32_t i = j - 1;
    while (i >= 1 && list[i] > a) {
      list[i + 1] = list[i];
      --i;
    }
    list[i + 1] = a;
  }
}

// Partitions list(l..r) around the entry at q; returns the pivot's final place.
// The scans are bounded by the whole list (1 .. count), not by the range: the
// entries next to the range stop them by value.
std::int32_t partition(std::int32_t l, std::int32_t r, std::int32_t q, std::int32_t count,
                       std::int32_t* list) {
  const std::int32_t a = list[q];
  list[q] = list[l];
  std::int32_t i = l;
  std::int32_t j = r;
  // move the hole between the two scans until they meet
  for (;;) {
    while (j > 0 && a < list[j]) --j;
    if (j <= i) {
      list[i] = a;
      return i;
    }
    list[i] = list[j];
    ++i;
    while (i <= count && a > list[i]) ++i;
    if (j <= i) {
      list[j] = a;
      return j;
    }
    list[j] = list[i];
    --j;
  }
}

}  // namespace

float next_fx(float fx) { return std::fmod(fx * fa + fc, fm); }

std::int32_t pivot_position(std::int32_t l, std::int32_t r, float fx) {
  const double span = static_cast<double>(r - l + 1);
  return l + static_cast<std::int32_t>(span * (static_cast<double>(fx) * static_cast<double>(fmi)));
}

void sort_row(std::int32_t count, std::int32_t* list) {
  std::int32_t istack[nstack + 1];  // 1-based, (left, right) pairs
  std::int32_t l = 1;
  std::int32_t r = count;
  std::int32_t d = 0;
  float fx = 0.0f;
  // sort the current range, then the pending ones, until the stack is empty
  for (;;) {
    if (r - l < m_insert) {
      insertion(l, r, list);
      if (d == 0) return;
      r = istack[d];
      l = istack[d - 1];
      d -= 2;
      continue;
    }
    fx = next_fx(fx);
    const std::int32_t i = partition(l, r, pivot_position(l, r, fx), count, list);
    d += 2;
    if (d > nstack) {
      textio::pause("nstack must be made larger.");
      silent_stop();
    }
    if (r - i >= i - l) {
      istack[d] = r;
      istack[d - 1] = i + 1;
      r = i - 1;
    } else {
      istack[d] = i - 1;
      istack[d - 1] = l;
      l = i + 1;
    }
  }
}

}  // namespace potsolve
