// Ends a test that hangs instead of failing: a write that opens a FIFO
// planted in its way waits for a reader for ever.
#ifndef VALDORO_TESTING_GUARDIA_H_
#define VALDORO_TESTING_GUARDIA_H_

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace valdoro {

class guardia {
 public:
  guardia(std::string cosa, std::chrono::seconds limite)
      : filo_([this, cosa = std::move(cosa), limite] {
          std::unique_lock<std::mutex> l(m_);
          if (!cv_.wait_for(l, limite, [this] { return finito_; })) {
            std::fprintf(stderr, "FAIL: %s hung for %lld s\n", cosa.c_str(), static_cast<long long>(limite.count()));
            std::_Exit(1);
          }
        }) {}
  ~guardia() {
    {
      std::lock_guard<std::mutex> l(m_);
      finito_ = true;
    }
    cv_.notify_one();
    filo_.join();
  }
  guardia(const guardia&) = delete;
  guardia& operator=(const guardia&) = delete;

 private:
  std::mutex m_;
  std::condition_variable cv_;
  bool finito_ = false;
  std::thread filo_;  // last: it starts once the rest is in place
};

}  // namespace valdoro

#endif  // VALDORO_TESTING_GUARDIA_H_
