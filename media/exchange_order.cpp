// The exchange sort's order in O(n log n).
//
// Pass i of the exchange sort walks the lines after position i and swaps
// each strictly earlier one to the front, so the first line of the least
// time arrives at i and every line it passed ("record") moves on to the place
// of the next record. Take the lines of one time v: a line of time v moves
// only when every line before it is later than v, and then it moves to the
// place of the first earlier line after it. Looking only at lines not later
// than v, with E a line of time v and S an earlier one, each pass before the
// lines of time v are placed changes that sequence in one way: a leading S is
// placed; a leading E takes the place of the first S, which is placed in
// turn. So the lines of time v form a queue: the run of them before the first
// S, and with every S passed the queue turns by one (its front goes to its
// back) and the run of lines of time v up to the next S joins at the back.
// The lines of time v are placed in the queue's order once no S is left.
// The tests check this against the exchange sort itself.
#include "media/exchange_order.h"

#include <algorithm>

namespace lantern::media {

namespace {

// How many marked positions lie in a range (a Fenwick tree).
class MarkedPositions {
 public:
  explicit MarkedPositions(size_t n) : tree_(n + 1, 0) {}
  void Mark(size_t position) {
    for (size_t i = position + 1; i < tree_.size(); i += i & (~i + 1))
      ++tree_[i];
  }
  // Marked positions in [first, last).
  size_t Count(size_t first, size_t last) const {
    return first >= last ? 0 : Before(last) - Before(first);
  }

 private:
  size_t Before(size_t end) const {
    size_t sum = 0;
    for (size_t i = end; i > 0; i -= i & (~i + 1))
      sum += tree_[i];
    return sum;
  }
  std::vector<size_t> tree_;
};

// A sequence that can be turned (the first k to the back) and appended to,
// each in O(log n): a treap keyed by position.
class TurningQueue {
 public:
  explicit TurningQueue(size_t capacity) { nodes_.reserve(capacity + 1); }

  void Append(size_t value) {
    nodes_.push_back({0, 0, 1, NextPriority(), value});
    root_ = Merge(root_, static_cast<uint32_t>(nodes_.size() - 1));
  }
  void Turn(size_t steps) {
    const uint32_t size = Size(root_);
    if (size == 0) return;
    uint32_t front = 0, back = 0;
    Split(root_, static_cast<uint32_t>(steps % size), front, back);
    root_ = Merge(back, front);
  }
  void AppendTo(std::vector<size_t>& out) const {
    std::vector<uint32_t> path;
    for (uint32_t t = root_; t != 0 || !path.empty();) {
      if (t != 0) {
        path.push_back(t);
        t = nodes_[t].left;
      } else {
        t = path.back();
        path.pop_back();
        out.push_back(nodes_[t].value);
        t = nodes_[t].right;
      }
    }
  }

 private:
  struct Node {
    uint32_t left, right, size, priority;
    size_t value;
  };

  uint32_t Size(uint32_t t) const { return t == 0 ? 0 : nodes_[t].size; }
  void Update(uint32_t t) { nodes_[t].size = 1 + Size(nodes_[t].left) + Size(nodes_[t].right); }
  uint32_t NextPriority() {
    seed_ ^= seed_ << 13;
    seed_ ^= seed_ >> 17;
    seed_ ^= seed_ << 5;
    return seed_;
  }
  uint32_t Merge(uint32_t a, uint32_t b) {
    if (a == 0 || b == 0) return a == 0 ? b : a;
    if (nodes_[a].priority > nodes_[b].priority) {
      nodes_[a].right = Merge(nodes_[a].right, b);
      Update(a);
      return a;
    }
    nodes_[b].left = Merge(a, nodes_[b].left);
    Update(b);
    return b;
  }
  // The first k elements of t into `front`, the rest into `back`.
  void Split(uint32_t t, uint32_t k, uint32_t& front, uint32_t& back) {
    if (t == 0) {
      front = back = 0;
      return;
    }
    const uint32_t left = Size(nodes_[t].left);
    if (k <= left) {
      Split(nodes_[t].left, k, front, nodes_[t].left);
      back = t;
    } else {
      Split(nodes_[t].right, k - left - 1, nodes_[t].right, back);
      front = t;
    }
    Update(t);
  }

  std::vector<Node> nodes_{Node{0, 0, 0, 0, 0}};  // node 0 stands for "none"
  uint32_t root_ = 0;
  uint32_t seed_ = 2463534242u;
};

// The order of one time's lines, at `positions` (ascending) in the file;
// `earlier` marks the lines of earlier times.
void OrderOfOneTime(std::span<const size_t> positions, const MarkedPositions& earlier, size_t n,
                    std::vector<size_t>& out) {
  if (positions.size() == 1) {
    out.push_back(positions[0]);
    return;
  }
  TurningQueue queue(positions.size());
  queue.Append(positions[0]);
  for (size_t a = 1; a < positions.size(); ++a) {
    queue.Turn(earlier.Count(positions[a - 1] + 1, positions[a]));
    queue.Append(positions[a]);
  }
  queue.Turn(earlier.Count(positions.back() + 1, n));
  queue.AppendTo(out);
}

}  // namespace

std::vector<size_t> ExchangeSortOrder(std::span<const int32_t> times) {
  const size_t n = times.size();
  std::vector<size_t> by_time(n);
  for (size_t i = 0; i < n; ++i)
    by_time[i] = i;
  std::sort(by_time.begin(), by_time.end(),
            [&](size_t a, size_t b) { return times[a] != times[b] ? times[a] < times[b] : a < b; });
  std::vector<size_t> order;
  order.reserve(n);
  MarkedPositions earlier(n);
  for (size_t first = 0; first < n;) {
    size_t last = first + 1;
    while (last < n && times[by_time[last]] == times[by_time[first]])
      ++last;
    const std::span<const size_t> group(by_time.data() + first, last - first);
    OrderOfOneTime(group, earlier, n, order);
    for (const size_t position : group)
      earlier.Mark(position);
    first = last;
  }
  return order;
}

}  // namespace lantern::media
