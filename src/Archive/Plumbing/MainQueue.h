#pragma once

#include <functional>

// Brings work back to the main thread: the callbacks of archive jobs and
// anything else that touches views or the working list.
class MainQueue
{
public:
    MainQueue() = delete;

    // Queues `work` to run on the main thread's event loop, after the current
    // event, even when called from the main thread itself. Returns false when
    // there is no application object to run it.
    static bool post(std::function<void()> work);
};
