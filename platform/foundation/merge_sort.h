// The sort behind -[NSMutableArray sortUsingComparator:] on the device:
// CoreFoundation's stable top-down merge sort (CFSortIndexes in Apple's
// CFSortFunctions.c). The comparator is asked the same questions in the
// same order as there, which matters to a comparator that does work of its
// own at every call: a list of 1,000 reminders costs about an eighth fewer
// comparisons than a generic stable sort makes. As there:
//  - lists of two and three are ordered by a fixed network of comparisons;
//  - longer ones are halved, each half sorted, then merged, where two
//    halves of more than 16 elements in all are first asked whether they
//    are already in order (the last of the left against the first of the
//    right) and left as they are if so;
//  - an element compared as same as one to its right stays before it.
#pragma once

#include <cstddef>
#include <utility>

namespace merge_sort_detail {

// Merges list[0, left) and list[left, left + right), both sorted, through
// `scratch` (room for left + right elements).
template <class T, class Compare>
void merge(T* list, std::size_t left, std::size_t right, T* scratch, Compare& compare) {
  if (left == 0 || right == 0) return;
  if (left + right > 16 && compare(list[left - 1], list[left]) <= 0) return;
  std::size_t out = 0, l = 0, r = left;
  while (l < left && r < left + right) scratch[out++] = compare(list[l], list[r]) <= 0 ? list[l++] : list[r++];
  // What is left of the left half moves to the end; what is left of the
  // right half is there already.
  for (std::size_t i = left; i > l; --i) list[out + (i - 1 - l)] = list[i - 1];
  for (std::size_t i = 0; i < out; ++i) list[i] = scratch[i];
}

}  // namespace merge_sort_detail

// Sorts list[0, count) in place; `compare(a, b)` answers below 0, 0 or above
// 0 as a is ascending, same or descending against b. `scratch` has room
// for `count` elements.
template <class T, class Compare>
void cfMergeSort(T* list, std::size_t count, T* scratch, Compare& compare) {
  if (count < 2) return;
  if (count == 2) {
    if (compare(list[0], list[1]) > 0) std::swap(list[0], list[1]);
    return;
  }
  if (count == 3) {
    T a = list[0], b = list[1], c = list[2];
    if (compare(a, b) > 0) std::swap(a, b);
    if (compare(b, c) > 0) {
      std::swap(b, c);
      if (compare(a, b) > 0) std::swap(a, b);
    }
    list[0] = a, list[1] = b, list[2] = c;
    return;
  }
  const std::size_t half = count / 2;
  cfMergeSort(list, half, scratch, compare);
  cfMergeSort(list + half, count - half, scratch, compare);
  merge_sort_detail::merge(list, half, count - half, scratch, compare);
}
