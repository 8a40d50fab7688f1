#!/usr/bin/python3
"""A translating gateway made of pymodbus's parts: Modbus TCP in, RTU out over a raw TCP bridge.

usage: pymodbus_gateway.py LISTEN_PORT BRIDGE_PORT UNITS [--forward-writes]

Listens for Modbus TCP on 127.0.0.1:LISTEN_PORT and passes requests for UNITS (e.g. 16,20) each to a
RemoteSlaveContext whose client speaks RTU frames to 127.0.0.1:BRIDGE_PORT (socat in front of the
controller's line). A request for any other unit gets exception 0x0B, as a gateway whose line has no
such unit answers.
pymodbus's RemoteSlaveContext does not pass writes on (it reads the register and echoes the old
value); --forward-writes makes it pass function 6 on itself. Prints "ready" once listening.
"""
import asyncio
import sys
import types

# pymodbus's client package imports its serial client, which needs serial_asyncio; no serial port is
# used here, so a stand-in module lets the package load without it.
if "serial_asyncio" not in sys.modules:
    try:
        import serial_asyncio  # noqa: F401
    except ImportError:
        sys.modules["serial_asyncio"] = types.SimpleNamespace(create_serial_connection=None)

from pymodbus.client import ModbusTcpClient
from pymodbus.datastore import ModbusServerContext
from pymodbus.datastore.remote import RemoteSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.register_read_message import ReadHoldingRegistersResponse
from pymodbus.server import StartAsyncTcpServer


class ForwardingContext(RemoteSlaveContext):
    """Passes a single register's write on and echoes what the controller echoed."""

    def setValues(self, fc_as_hex, address, values):
        if fc_as_hex != 6:
            return
        reply = self._client.write_register(address, values[0], unit=self.unit)
        self.result = reply if reply.isError() else ReadHoldingRegistersResponse([reply.value])


class AnyUnitContext(ModbusServerContext):
    """Lets every unit through the framer, so that a unit without a context gets exception 0x0B."""

    def slaves(self):
        return [0] + super().slaves()


async def serve(listen_port, bridge_port, units, forward_writes):
    # The gateway's own wait for its serial side (pymodbus takes whole seconds); no retries.
    client = ModbusTcpClient("127.0.0.1", bridge_port, framer=ModbusRtuFramer, timeout=1, retries=0)
    if not client.connect():
        print(f"fail cannot connect to the bridge at {bridge_port}", flush=True)
        return 1
    kind = ForwardingContext if forward_writes else RemoteSlaveContext
    context = AnyUnitContext(slaves={unit: kind(client, unit=unit) for unit in units}, single=False)
    server = await StartAsyncTcpServer(context=context, address=("127.0.0.1", listen_port), defer_start=True)
    print("ready", flush=True)
    await server.serve_forever()
    return 0


def main():
    listen_port, bridge_port = int(sys.argv[1]), int(sys.argv[2])
    units = [int(unit) for unit in sys.argv[3].split(",")]
    return asyncio.run(serve(listen_port, bridge_port, units, "--forward-writes" in sys.argv[4:]))


if __name__ == "__main__":
    sys.exit(main())
