// A list of callbacks with cookies, called outside the lock so that a listener may
// add or remove listeners.
#pragma once

#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace trv::kernel {

template <typename... Args>
class Listeners {
 public:
  using Fn = std::function<void(Args...)>;
  int Add(Fn fn) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.emplace_back(++last_, std::move(fn));
    return last_;
  }
  void Remove(int cookie) {
    std::lock_guard<std::mutex> guard(lock_);
    std::erase_if(entries_, [cookie](const auto& e) { return e.first == cookie; });
  }
  void Call(const Args&... args) {
    std::vector<std::pair<int, Fn>> copy;
    {
      std::lock_guard<std::mutex> guard(lock_);
      copy = entries_;
    }
    for (auto& e : copy) e.second(args...);
  }

 private:
  std::mutex lock_;
  std::vector<std::pair<int, Fn>> entries_;
  int last_ = 0;
};

}  // namespace trv::kernel
