#pragma once
// The serial port handle: open exclusively, configure, purge, read with the port's time-outs, write.
// (Placeholder declaration; the serial-port work fills in the backends.)

namespace platform {

class SerialHandle {
public:
    bool IsNull() const;   // never opened
    bool IsOpen() const;   // holds an open port
};

}  // namespace platform
