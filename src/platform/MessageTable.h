#pragma once
// Message handling as data: each file that handles a message contributes a
// row naming its handler, and the owner dispatches through the table instead
// of one switch. An id may have rows from several files (a reply drawn on the
// panel and forwarded to an open window); they run in the order added.
#include <cstddef>
#include <map>
#include <span>
#include <vector>

#include "platform/Messages.h"

namespace hrx {

template <class Ctx>
struct MessageRow {
  using Handler = LParam (*)(Ctx&, const Msg&);
  MsgId id;
  Handler handler;   // null: the id is known and deliberately left alone
};

template <class Ctx>
class MessageTable {
 public:
  using Row = MessageRow<Ctx>;

  void add(std::span<const Row> rows) {
    for (const Row& r : rows) rows_.emplace(r.id, r.handler);
  }
  bool contains(MsgId id) const { return rows_.find(id) != rows_.end(); }
  std::size_t size() const { return rows_.size(); }

  // Runs every row of the id; false when the id has none. The answer is the
  // first non-zero result, for the few messages that are sent for one.
  bool dispatch(Ctx& ctx, const Msg& m, LParam* result = nullptr) const {
    auto [first, last] = rows_.equal_range(m.id);
    if (first == last) return false;
    LParam answer = 0;
    for (auto it = first; it != last; ++it) {
      if (it->second == nullptr) continue;
      const LParam r = it->second(ctx, m);
      if (answer == 0) answer = r;
    }
    if (result != nullptr) *result = answer;
    return true;
  }

  std::vector<MsgId> ids() const {
    std::vector<MsgId> out;
    for (auto it = rows_.begin(); it != rows_.end(); it = rows_.upper_bound(it->first)) out.push_back(it->first);
    return out;
  }

 private:
  std::multimap<MsgId, typename Row::Handler> rows_;
};

}  // namespace hrx
