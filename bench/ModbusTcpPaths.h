#pragma once
// The Modbus TCP part of the gateway benchmark: one-register reads straight to the stand-in's own
// Modbus TCP server (the tool against libmodbus's TCP client) and through a translating gateway of
// pymodbus's (the tool against pymodbus's client and mbpoll -m tcp), interleaved read by read; and the
// time the framing probe adds to a connect. Returns false when the tool's own reads failed too often.
bool RunModbusTcpPaths(int iterations);
