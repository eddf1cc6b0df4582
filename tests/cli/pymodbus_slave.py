"""A Modbus RTU slave written elsewhere: pymodbus's serial server.

    pymodbus_slave.py PORT BAUD UNIT=REGISTER[,REGISTER...]...

Serves the holding registers from 0 on PORT (a pseudo-terminal of a socat
pair) at BAUD, 8N1, as each unit UNIT with its own registers (several units
on one line, as slaves on one bus), until SIGTERM. Other units get no
answer. Prints "serving" once the port is open. Written for Debian 12's
python3-pymodbus (3.0).
"""
import asyncio
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusRtuFramer


def slave_of(registers):
    block = ModbusSequentialDataBlock(0, registers)
    return ModbusSlaveContext(hr=block, ir=block, zero_mode=True)


async def serve(port, baud, units):
    slaves = {unit: slave_of(registers) for unit, registers in units.items()}
    context = ModbusServerContext(slaves=slaves, single=False)
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
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    units = {}
    for argument in sys.argv[3:]:
        unit, registers = argument.split("=")
        units[int(unit)] = [int(value) for value in registers.split(",")]
    asyncio.run(serve(sys.argv[1], int(sys.argv[2]), units))
