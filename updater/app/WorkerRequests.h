// What the update thread asks the dialog's thread to do: timers belong to the thread that owns
// the window, and the controls are changed there too. The worker queues a request and rings a
// doorbell, a private message that carries nothing; the dialog carries out what the queue
// holds. A doorbell rung by another program finds no request and changes nothing.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <optional>

enum class WorkerRequestKind {
    StartTimer,     // id: the timer
    StopTimer,      // id: the timer
    ShowControl,    // id: the control, value: SW_*
    EnableControl,  // id: the control, value: TRUE or FALSE
};

struct WorkerRequest {
    WorkerRequestKind kind;
    UINT_PTR id;
    int value;
};

class WorkerRequestQueue {
public:
    void Push(const WorkerRequest& request) {
        const std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }

    std::optional<WorkerRequest> Pop() {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (requests_.empty()) {
            return std::nullopt;
        }
        const WorkerRequest request = requests_.front();
        requests_.pop_front();
        return request;
    }

private:
    std::mutex mutex_;
    std::deque<WorkerRequest> requests_;
};
