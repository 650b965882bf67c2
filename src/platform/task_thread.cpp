#include "platform/task_thread.h"

#include <exception>
#include <system_error>
#include <utility>

namespace korvan {

TaskThread::TaskThread(std::function<void()> job) : job_(std::move(job)) {
  try {
    thread_ = std::thread([this] { Loop(); });
  } catch (const std::system_error&) {
    // Out of threads: the caller goes on alone.
  }
}

TaskThread::~TaskThread() { Stop(); }

void TaskThread::Wake() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ = true;
  }
  woken_.notify_one();
}

void TaskThread::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  woken_.notify_one();
  thread_.join();
}

void RunAlongside(const std::function<void()>& other, const std::function<void()>& own) {
  std::exception_ptr failure;
  std::thread thread;
  try {
    thread = std::thread([&] {
      try {
        other();
      } catch (...) {
        failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    other();
    own();
    return;
  }
  try {
    own();
  } catch (...) {
    thread.join();
    throw;
  }
  thread.join();
  if (failure) std::rethrow_exception(failure);
}

void TaskThread::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    woken_.wait(lock, [this] { return pending_ || stopping_; });
    if (stopping_) return;
    pending_ = false;
    lock.unlock();
    job_();
    lock.lock();
  }
}

}  // namespace korvan
