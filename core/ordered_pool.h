#pragma once
// An ordered pool: one worker at a time takes the next task (allocate), the workers do
// their tasks at once (work), and the thread that runs the pool takes the results in the
// order the tasks were handed out (commit), or in the order of the places the tasks name
// (position). It knows nothing of files, memory or timing:
// how far the hand-out may run ahead, when a task may start and what it costs are for the
// steps to decide, each of them testable without the others.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace brevine {

template <typename Task, typename Result>
class OrderedPool {
 public:
  // One worker's state (buffers, its own timers): made on the worker's thread, used for
  // every task that worker takes, destroyed on that thread when the worker ends.
  class Worker {
   public:
    virtual ~Worker() = default;
    virtual Result Work(std::size_t index, Task& task) = 0;
  };

  struct Steps {
    // The task at `index`, asked for 0, 1, 2, ..., one call at a time, on a worker thread
    // and outside the pool's lock; nullopt ends the hand-out. May block, until `stop`.
    std::function<std::optional<Task>(std::size_t index)> allocate;
    std::function<std::unique_ptr<Worker>()> makeWorker;
    // On the thread that runs the pool, in hand-out order.
    std::function<void(std::size_t index, Result& result)> commit;
    // Optional: the place a task takes in the commit order, when the hand-out may give a
    // later task ahead of earlier ones. Work and commit then get this place as `index`.
    // The places handed out must be 0, 1, 2, ... in some order, each once: the commits
    // end after as many places as tasks were handed out.
    std::function<std::size_t(const Task& task)> position;
    // Called once when the pool stops before its end (a step raised, or the pool is
    // destroyed early): wakes whatever of the steps may be waiting, an allocate first.
    std::function<void()> stop;
  };

  explicit OrderedPool(Steps steps) : steps_(std::move(steps)) {}
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;
  // A pool that ran no worker has nothing to stop: its steps were never called.
  ~OrderedPool() {
    if (threads_.empty()) return;
    Stop();
    Join();
  }

  // Starts up to `workers` threads; returns how many run (0 when none could be made).
  int Start(int workers) {
    for (int w = 0; w < workers; ++w) {
      try {
        threads_.emplace_back([this] { Loop(); });
      } catch (...) {
        break;  // fewer workers still finish the tasks
      }
    }
    return static_cast<int>(threads_.size());
  }

  // Commits every result in order until the hand-out has ended, then joins the workers.
  // Needs a worker: call it only after a Start that made one.
  // A step that raised stops the pool: the workers finish the task in hand, nothing
  // further is committed, and the step's exception is raised here once all have ended.
  void Run() {
    for (std::size_t i = 0;; ++i) {
      std::optional<Result> result;
      {
        std::unique_lock lock(mutex_);
        done_.wait(lock,
                   [&] { return stopping_ || results_.count(i) != 0 || (end_ && i >= *end_); });
        if (stopping_) break;
        const auto it = results_.find(i);
        if (it == results_.end()) {
          finished_ = true;  // every task handed out is committed
          break;
        }
        result.emplace(std::move(it->second));
        results_.erase(it);
      }
      try {
        steps_.commit(i, *result);
      } catch (...) {
        Fail(std::current_exception());
        break;
      }
      result.reset();  // freed before waiting again
      {
        std::lock_guard lock(mutex_);
        committed_ = i + 1;
      }
      progress_.notify_all();
    }
    Join();
    std::exception_ptr failure;
    {
      std::lock_guard lock(mutex_);
      failure = failure_;
    }
    if (failure) std::rethrow_exception(failure);
  }

  // For a task's work: waits until `count` results are committed; false when the pool
  // stops first.
  bool WaitCommitted(std::size_t count) {
    std::unique_lock lock(mutex_);
    progress_.wait(lock, [&] { return stopping_ || committed_ >= count; });
    return !stopping_;
  }

  // The results committed so far.
  std::size_t Committed() {
    std::lock_guard lock(mutex_);
    return committed_;
  }

  // Ends the pool early: no task is handed out or committed any more.
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      if (stopping_ || finished_) return;
      stopping_ = true;
    }
    progress_.notify_all();
    done_.notify_all();
    if (steps_.stop) steps_.stop();
  }

 private:
  void Fail(std::exception_ptr failure) {
    {
      std::lock_guard lock(mutex_);
      if (!failure_) failure_ = std::move(failure);
    }
    Stop();
  }

  void Join() {
    for (std::thread& t : threads_)
      if (t.joinable()) t.join();
  }

  void Loop() {
    std::unique_ptr<Worker> worker;
    try {
      worker = steps_.makeWorker();
    } catch (...) {
      Fail(std::current_exception());
      return;
    }
    for (;;) {
      std::size_t index;
      {
        std::unique_lock lock(mutex_);
        progress_.wait(lock, [&] { return stopping_ || end_ || !handing_; });
        if (stopping_ || end_) break;
        handing_ = true;
        index = next_;
      }
      std::optional<Task> task;
      std::exception_ptr failure;
      try {
        task = steps_.allocate(index);
      } catch (...) {
        failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        handing_ = false;
        if (task)
          next_ = index + 1;
        else
          end_ = index;
      }
      progress_.notify_all();
      if (!task) {
        done_.notify_all();  // the committing thread may be waiting past the end
        if (failure) Fail(failure);
        break;
      }
      if (steps_.position) {
        try {
          index = steps_.position(*task);
        } catch (...) {
          Fail(std::current_exception());
          break;
        }
      }
      std::optional<Result> result;
      try {
        result.emplace(worker->Work(index, *task));
      } catch (...) {
        Fail(std::current_exception());
        break;
      }
      {
        std::lock_guard lock(mutex_);
        results_.emplace(index, std::move(*result));
      }
      done_.notify_all();
    }
  }

  const Steps steps_;
  std::mutex mutex_;
  std::condition_variable progress_;  // a hand-out ended, a commit was made, or a stop
  std::condition_variable done_;      // a result is ready, the hand-out ended, or a stop
  std::map<std::size_t, Result> results_;
  std::size_t next_ = 0;  // tasks handed out
  std::size_t committed_ = 0;
  std::optional<std::size_t> end_;  // the task count, once the hand-out has ended
  bool handing_ = false;
  bool stopping_ = false;
  bool finished_ = false;  // Run saw the end of the hand-out
  std::exception_ptr failure_;
  std::vector<std::thread> threads_;
};

}  // namespace brevine
