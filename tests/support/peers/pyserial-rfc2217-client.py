"""pyserial's rfc2217:// client printing a receipt on a printer served over RFC 2217, for tests.

Usage: pyserial-rfc2217-client.py URL
Changes the line's settings as a point-of-sale program would, prints, asks for the printer's
status and prints the reply byte in hex on standard output.
"""
import sys

import serial

port = serial.serial_for_url(sys.argv[1], baudrate=9600, timeout=5)
port.baudrate = 115200
port.xonxoff = True
port.write(b"\x1b@network receipt\n\x10\x04\x05")
reply = port.read(1)
port.baudrate = 9600
port.xonxoff = False
port.write(b"\x1bd\x03\x1dV\x00")
port.flush()
port.close()
print(reply.hex())
