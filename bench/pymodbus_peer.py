#!/usr/bin/python3
"""One-register reads with pymodbus, one per line read from stdin, for the gateway benchmark.

usage: pymodbus_peer.py URL SLAVE REGISTER
  URL: tcp://HOST:PORT (RTU frames through a bridge), mbap://HOST:PORT (Modbus TCP) or
  rfc2217://HOST:PORT

Prints "ready" once connected, then for each input line the read's time in microseconds, or
"fail REASON". Prints "unavailable (REASON)" and exits 0 when pymodbus cannot be imported, so that the
benchmark runs on without its peer.
"""
import sys
import time
import types

# pymodbus's client package imports its asyncio serial client, which needs serial_asyncio; the clients
# used here do not, so a stand-in module lets the package load without it.
try:
    import serial_asyncio  # noqa: F401
except ImportError:
    sys.modules["serial_asyncio"] = types.SimpleNamespace(create_serial_connection=None)

try:
    from pymodbus.client import ModbusSerialClient, ModbusTcpClient
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
except ImportError as error:
    print(f"unavailable ({error})", flush=True)
    sys.exit(0)


def client_for(url):
    # No retries: a failed read counts as one, as it does for the tool's own master.
    options = {"timeout": 1, "retries": 0}
    if url.startswith("mbap://"):
        host, port = url[len("mbap://"):].rsplit(":", 1)
        return ModbusTcpClient(host, int(port), **options)
    if url.startswith("tcp://"):
        host, port = url[len("tcp://"):].rsplit(":", 1)
        return ModbusTcpClient(host, int(port), framer=ModbusRtuFramer, **options)
    # pyserial waits for a modem-control answer that ser2net on a pseudo-terminal never sends.
    return ModbusSerialClient(port=url + "?ign_set_control", baudrate=19200, parity="E", stopbits=1,
                              bytesize=8, **options)


def main():
    url, slave, register = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    client = client_for(url)
    if not client.connect():
        print(f"fail cannot connect to {url}", flush=True)
        return 1
    print("ready", flush=True)
    for _ in sys.stdin:
        start = time.perf_counter_ns()
        try:
            reply = client.read_holding_registers(register, 1, slave=slave)
            outcome = None if reply.isError() else reply.registers[0]
        except Exception as error:  # a peer's failure is counted, not fatal
            outcome = error
        micros = (time.perf_counter_ns() - start) / 1000
        print(f"{micros:.0f} {outcome}" if isinstance(outcome, int) else f"fail {outcome}", flush=True)
    client.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
