#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvan {

// A second thread that runs one job whenever it is woken, for work that can overlap the
// caller's (touching memory the caller is about to fill). Wakes that come while the job runs
// are merged into one more run. Where no thread can be started, the job never runs: callers
// must use it only for work that is an optimisation.
class TaskThread {
 public:
  explicit TaskThread(std::function<void()> job);
  ~TaskThread();  // Stop()
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  void Wake();
  // Waits for a running job to finish and ends the thread; pending wakes are dropped.
  void Stop();
  bool running() const { return thread_.joinable(); }

 private:
  void Loop();

  std::function<void()> job_;
  std::mutex mutex_;
  std::condition_variable woken_;
  bool pending_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

// Runs other on a second thread while this thread runs own, and returns when both are done.
// Where no thread can be started, both run here, other first. An exception of other is
// passed on after own has finished.
void RunAlongside(const std::function<void()>& other, const std::function<void()>& own);

}  // namespace korvan
