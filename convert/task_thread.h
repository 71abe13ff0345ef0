// One thread that runs the tasks handed to it one at a time. Starting a
// thread for every piece of a large conversion costs more than converting
// half of it; this one is started once, on first use.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TaskThread {
 public:
  TaskThread() = default;
  ~TaskThread();
  TaskThread(const TaskThread&) = delete;
  TaskThread& operator=(const TaskThread&) = delete;

  // Waits for the task before, then starts `task`.
  void Start(std::function<void()> task);
  // Waits for the task started last; what it threw is thrown here.
  void Wait();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  std::exception_ptr failure_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};
