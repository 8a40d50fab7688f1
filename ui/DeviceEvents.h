#pragma once
// The events a listening window posts to itself from the device's worker thread. The worker holds the
// device lock while it notifies, so a listener only posts: it never sends, never waits for the
// user-interface thread, and the window reads current values when it handles the event.
#include <QCoreApplication>
#include <QEvent>
#include <cstdint>

// A device variable was processed: wParam the variable id, lParam as the posting window defines it.
inline constexpr QEvent::Type WM_DEVICE_VAR_UPDATED = static_cast<QEvent::Type>(QEvent::User + 1);
// The port failed: wParam the error code, lParam 0.
inline constexpr QEvent::Type WM_DEVICE_ERROR = static_cast<QEvent::Type>(QEvent::User + 2);

class CDeviceEvent : public QEvent {
public:
    CDeviceEvent(QEvent::Type type, std::uintptr_t wParam, std::intptr_t lParam)
        : QEvent(type), m_wParam(wParam), m_lParam(lParam) {}

    const std::uintptr_t m_wParam;
    const std::intptr_t m_lParam;
};

// Queues the event for `receiver`'s thread and returns at once; safe from any thread.
inline void PostDeviceEvent(QObject* receiver, QEvent::Type type, std::uintptr_t wParam,
                            std::intptr_t lParam) {
    QCoreApplication::postEvent(receiver, new CDeviceEvent(type, wParam, lParam));
}
