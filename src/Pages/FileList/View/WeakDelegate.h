#pragma once

#include <QObject>
#include <QPointer>

// A delegate held without owning it. Delegates are QObjects; once the object
// is destroyed get() answers null, so a view never calls into a dead owner.
template<typename Interface> class WeakDelegate
{
public:
    // A delegate that is not a QObject cannot be watched and is not kept.
    void set(Interface* delegate)
    {
        m_object = dynamic_cast<QObject*>(delegate);
        m_delegate = m_object ? delegate : nullptr;
    }
    Interface* get() const { return m_object ? m_delegate : nullptr; }

private:
    QPointer<QObject> m_object;
    Interface* m_delegate = nullptr;
};
