#include "Archive/Plumbing/MainQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#if defined(__SANITIZE_THREAD__)
#define KESTREL_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KESTREL_THREAD_SANITIZER 1
#endif
#endif

#ifdef KESTREL_THREAD_SANITIZER
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace {

// Qt hands a posted event to the receiving thread under its own locks, which
// the thread sanitizer cannot see (Qt is not instrumented). The hand-over of
// the work is marked here, so the sanitizer checks what the work touches
// instead of reporting the hand-over itself.
void markHandedOver(void* work)
{
#ifdef KESTREL_THREAD_SANITIZER
    __tsan_release(work);
#else
    Q_UNUSED(work);
#endif
}

void markTakenOver(void* work)
{
#ifdef KESTREL_THREAD_SANITIZER
    __tsan_acquire(work);
#else
    Q_UNUSED(work);
#endif
}

// Made on the posting thread, then only touched (run and deleted) on the
// main thread.
class WorkEvent : public QEvent
{
public:
    explicit WorkEvent(std::function<void()> work)
        : QEvent(eventType())
        , m_work(std::move(work))
    {
        markHandedOver(this);
    }
    // Also when Qt drops undelivered events as the application ends.
    ~WorkEvent() override { markTakenOver(this); }

    void run() { m_work(); }

    static QEvent::Type eventType()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

private:
    std::function<void()> m_work;
};

class WorkRunner : public QObject
{
public:
    bool event(QEvent* event) override
    {
        // Before even its type is read.
        markTakenOver(event);
        if (event->type() != WorkEvent::eventType())
            return QObject::event(event);
        static_cast<WorkEvent*>(event)->run();
        return true;
    }
};

// Lives on the main thread for the rest of the process, whichever thread
// posts first.
QObject* mainThreadRunner(QCoreApplication* application)
{
    static QObject* runner = [application] {
        auto* created = new WorkRunner;
        created->moveToThread(application->thread());
        return created;
    }();
    return runner;
}

} // namespace

bool MainQueue::post(std::function<void()> work)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return false;
    QCoreApplication::postEvent(mainThreadRunner(application), new WorkEvent(std::move(work)));
    return true;
}
