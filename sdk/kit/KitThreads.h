// KitThreads.h - threads and timers of a Tavro device library.
//
//   StateCallback     the host's callback, registered and called thread-safely
//   WorkerThread      the library's own thread, stopped and joined cleanly,
//                     and ended safely when the host frees the library
//                     without stopping it first
//   ThreadTimer       a one-shot timer on the host's thread, for libraries
//                     that report readiness from the host's message loop
//
// Header-only, C++17 and Win32; builds with MSVC and mingw-w64 alike.
#ifndef TAVRO_KIT_THREADS_H
#define TAVRO_KIT_THREADS_H

#include "KitWindows.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace tavro_kit {

// The host's state callback and context.
//
// The lock is held while the callback runs, so Set(nullptr, nullptr) returns
// only after a call in progress has finished: from then on the callback is
// never called again, as the interface promises the host. The lock is
// recursive so that a host may unregister from inside its own callback.
//
// Never hold this lock while waiting for a thread that may be reporting a
// state: that thread would wait for the lock, and the waiter for the thread.
class StateCallback {
public:
    void Set(TavroStateCallback callback, void* context)
    {
        std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
        callback_ = callback;
        context_ = context;
    }

    // Calls the registered callback, if any, on the calling thread.
    void Report(int32_t state)
    {
        std::lock_guard<std::recursive_timed_mutex> lock(mutex_);
        if (callback_ != nullptr) {
            const std::thread::id outer = reporter_.exchange(std::this_thread::get_id());
            callback_(context_, state);
            reporter_.store(outer);
        }
    }

    // Is the calling thread inside the host's callback right now? A thread
    // that is must not wait for another thread that may report a state.
    bool InsideCallback() const { return reporter_.load() == std::this_thread::get_id(); }

    // Unregisters, waiting at most `timeout` for a call in progress. Meant
    // for DllMain, where waiting without a limit could hang the host;
    // returns false if the callback could not be cleared in time.
    bool ClearWithin(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::recursive_timed_mutex> lock(mutex_, std::defer_lock);
        if (!lock.try_lock_for(timeout)) {
            return false;
        }
        callback_ = nullptr;
        context_ = nullptr;
        return true;
    }

private:
    std::recursive_timed_mutex mutex_;
    TavroStateCallback callback_ = nullptr;
    void* context_ = nullptr;
    std::atomic<std::thread::id> reporter_{std::thread::id()};
};

// The library's own thread.
//
// Start() runs a body function on a new std::thread and returns once that
// thread is running. The body loops until StopRequested(), sleeping with
// WaitFor()/WaitUntil(), which wake up at once when Stop() is called.
//
// Stop() asks the body to finish and joins the thread. Called on the thread
// itself (a host that unregisters from inside its callback), it only asks;
// the next Start() or Stop() joins.
//
// Unloading is the delicate part. When the host frees the library while the
// thread still runs, DllMain(DLL_PROCESS_DETACH) runs under the loader lock,
// and a thread cannot exit while another holds that lock: joining it there
// would hang the host for good. So the thread never leaves on its own: after
// its body it waits until either a Stop() joins it, or AbandonForUnload()
// tells it to park; parked, it sleeps in the kernel holding no lock, and only
// there is it safe to end it with TerminateThread. Its code is then never run
// again, so the library can be unmapped.
class WorkerThread {
public:
    using Body = std::function<void(WorkerThread&)>;

    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    ~WorkerThread()
    {
        // The owner stops, abandons or forgets the thread before this runs;
        // a std::thread destroyed while joinable would end the process.
        if (thread_ && thread_->joinable()) {
            thread_->detach();
        }
        CloseHandles();
    }

    void Start(Body body)
    {
        Stop();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = false;
            release_ = false;
            unloading_ = false;
            started_ = false;
        }
        parked_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_.reset(new std::thread(&WorkerThread::Run, this, std::move(body)));
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return started_; });
    }

    void Stop()
    {
        if (!thread_ || !thread_->joinable()) {
            return;
        }
        if (IsCurrentThread()) {
            RequestStop();
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
            release_ = true;
            cv_.notify_all();
        }
        thread_->join();
        thread_.reset();
        CloseHandles();
    }

    // Asks the body to finish without waiting for it; a later Start() or
    // Stop() joins the thread. For callers that must not block, such as a
    // thread inside the host's callback.
    void RequestStop()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        cv_.notify_all();
    }

    // Is there a thread (running, or finished but not joined yet)?
    bool Running() const { return thread_ && thread_->joinable(); }

    bool IsCurrentThread() const
    {
        return thread_ && thread_->get_id() == std::this_thread::get_id();
    }

    // For the body: has Stop() (or an unload) asked it to finish?
    bool StopRequested()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return stop_;
    }

    // For the body: sleeps for `duration`; false if asked to stop meanwhile.
    bool WaitFor(std::chrono::steady_clock::duration duration)
    {
        return WaitUntil(std::chrono::steady_clock::now() + duration, [] { return false; });
    }

    // For the body: sleeps until `deadline` or until `condition()` holds,
    // whichever comes first; false if asked to stop meanwhile. The condition
    // is checked under the worker's lock: whoever changes what it reads must
    // call Notify() afterwards.
    template <class Condition>
    bool WaitUntil(std::chrono::steady_clock::time_point deadline, Condition condition)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_until(lock, deadline, [&] { return stop_ || condition(); });
        return !stop_;
    }

    // For the body: sleeps until `condition()` holds; false if asked to stop
    // meanwhile.
    template <class Condition>
    bool WaitUntil(Condition condition)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return stop_ || condition(); });
        return !stop_;
    }

    // Wakes the body so that it checks its wait condition again.
    void Notify()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cv_.notify_all();
    }

    // For DllMain(DLL_PROCESS_DETACH) when the host frees the library (the
    // reserved argument is null) with the thread still running; see the
    // class comment. Waits at most `timeout` for the thread to park. Before
    // calling it, make sure the thread cannot be stuck in a host callback
    // (StateCallback::ClearWithin).
    void AbandonForUnload(std::chrono::milliseconds timeout)
    {
        if (!Running()) {
            CloseHandles();
            return;
        }
        if (!IsCurrentThread()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                stop_ = true;
                unloading_ = true;
                cv_.notify_all();
            }
            const DWORD waitMs = static_cast<DWORD>(timeout.count());
            if (WaitForSingleObject(parked_, waitMs) == WAIT_OBJECT_0) {
                TerminateThread(self_, 0);
                WaitForSingleObject(self_, waitMs);
            }
        }
        thread_->detach();
        thread_.reset();
        CloseHandles();
    }

    // For DllMain(DLL_PROCESS_DETACH) when the process ends (the reserved
    // argument is not null): Windows has ended the thread already, possibly
    // while it held a lock, so nothing here may lock or wait. The thread
    // object is let go of on purpose; the process is ending.
    void ForgetAtProcessExit()
    {
        (void)thread_.release();
        self_ = nullptr;
        parked_ = nullptr;
    }

private:
    void Run(Body body)
    {
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            self_ = self;
            started_ = true;
            cv_.notify_all();
        }

        body(*this);

        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return release_ || unloading_; });
        if (release_) {
            return; // Stop() is joining.
        }
        lock.unlock();
        SetEvent(parked_);
        for (;;) {
            Sleep(INFINITE); // Parked: AbandonForUnload() ends the thread here.
        }
    }

    void CloseHandles()
    {
        if (self_ != nullptr) {
            CloseHandle(self_);
            self_ = nullptr;
        }
        if (parked_ != nullptr) {
            CloseHandle(parked_);
            parked_ = nullptr;
        }
    }

    std::unique_ptr<std::thread> thread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    bool release_ = false;
    bool unloading_ = false;
    bool started_ = false;
    HANDLE self_ = nullptr;
    HANDLE parked_ = nullptr;
};

// A one-shot timer of the calling thread (SetTimer without a window). Its
// function runs inside that thread's DispatchMessage, so it fires only while
// the thread pumps messages.
//
// A thread timer belongs to the thread that set it: Cancel() kills it only
// when called on that thread. Elsewhere it just disarms it, so the timer
// procedure does nothing when it runs; a library that arms one should be
// stopped or freed on the thread that prepared it (as hosts do).
//
// The owner cancels the timer when it stops and when it is unloaded; the
// destructor touches nothing, since it may run at process exit, after the
// timer registry is gone.
class ThreadTimer {
public:
    ThreadTimer() = default;
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    // Arms the timer to call `fire` once, `delayMs` from now.
    void Arm(UINT delayMs, std::function<void()> fire)
    {
        Cancel();
        const UINT_PTR id = SetTimer(nullptr, 0, delayMs, &ThreadTimer::TimerProc);
        if (id == 0) {
            return;
        }
        std::lock_guard<std::mutex> lock(RegistryMutex());
        id_ = id;
        owner_ = GetCurrentThreadId();
        fire_ = std::move(fire);
        Registry().push_back(this);
    }

    void Cancel()
    {
        std::lock_guard<std::mutex> lock(RegistryMutex());
        if (id_ == 0) {
            return;
        }
        if (owner_ == GetCurrentThreadId()) {
            KillTimer(nullptr, id_);
        }
        Unregister();
    }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD)
    {
        // One shot: the timer is killed before anything else, on its own
        // thread, which is the one running this.
        KillTimer(nullptr, id);
        std::function<void()> fire;
        {
            std::lock_guard<std::mutex> lock(RegistryMutex());
            for (ThreadTimer* timer : Registry()) {
                if (timer->id_ == id && timer->owner_ == GetCurrentThreadId()) {
                    fire = std::move(timer->fire_);
                    timer->Unregister();
                    break;
                }
            }
        }
        if (fire) {
            fire();
        }
    }

    // Requires the registry lock.
    void Unregister()
    {
        auto& timers = Registry();
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
        id_ = 0;
        owner_ = 0;
        fire_ = nullptr;
    }

    static std::mutex& RegistryMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    static std::vector<ThreadTimer*>& Registry()
    {
        static std::vector<ThreadTimer*> timers;
        return timers;
    }

    UINT_PTR id_ = 0;
    DWORD owner_ = 0;
    std::function<void()> fire_;
};

} // namespace tavro_kit

#endif // TAVRO_KIT_THREADS_H
