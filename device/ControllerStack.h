#pragma once
// What a window's connection runs on once its port is open: the Modbus stack over the port, the
// controller model on it and the worker that polls it. Built in that order; the worker, declared last,
// is stopped before anything it uses goes away.
#include "device/Ardeno.h"
#include "device/WorkerThread.h"
#include "modbus/Modbus.h"
#include "modbus/ModbusSlave.h"
#include "port/ComDevice.h"
#include "traffic/Frame.h"

class CControllerStack {
public:
    // `frames`: where every frame on the line is reported (the Traffic window's buffer); may be null.
    // An adapter known to echo has its echo read from the first request.
    CControllerStack(CComDevice& port, traffic::IFrameObserver* frames);
    CControllerStack(const CControllerStack&) = delete;
    CControllerStack& operator=(const CControllerStack&) = delete;

    // Starts polling; false when the worker could not start.
    bool Start() { return m_worker.Start(m_controller); }
    // Stops polling and waits for the worker's end: before a window that listens to it goes away.
    void Stop() { m_worker.Stop(); }

    CArdeno& Controller() { return m_controller; }

private:
    CModbus m_transport;
    CModbusSlave m_slave;
    CArdeno m_controller;
    CWorkerThread m_worker;
};
