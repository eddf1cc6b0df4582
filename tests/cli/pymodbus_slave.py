"""A Modbus RTU slave written elsewhere: pymodbus's serial server.

    pymodbus_slave.py PORT BAUD UNIT REGISTER...

Serves the holding registers from 0 on PORT (a pseudo-terminal of a socat
pair) at BAUD, 8N1, as unit UNIT, until SIGTERM. Prints "serving" once the
port is open. Written for Debian 12's python3-pymodbus (3.0).
"""
import asyncio
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer


async def serve(port, baud, unit, registers):
    block = ModbusSequentialDataBlock(0, registers)
    slave = ModbusSlaveContext(hr=block, ir=block, zero_mode=True)
    context = ModbusServerContext(slaves={unit: slave}, single=False)
    server = await StartAsyncSerialServer(context=context, framer=ModbusRtuFramer, port=port,
                                          baudrate=baud, bytesize=8, parity="N", stopbits=1,
                                          defer_start=True)
    await server.start()
    if server.transport is None:
        sys.exit(f"pymodbus could not open {port}")
    print("serving", flush=True)
    stop = asyncio.Event()
    asyncio.get_running_loop().add_signal_handler(signal.SIGTERM, stop.set)
    await stop.wait()
    await server.shutdown()


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    asyncio.run(serve(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]),
                      [int(value) for value in sys.argv[4:]]))
