"""Runs the RFC 2217 server that Debian's python3-serial ships among its examples, for tests.

Usage: pyserial-rfc2217-server.py TCPPORT DEVICE

Two things differ from running the example by hand: it listens on the loopback interface only
(the example binds every interface), and the pseudo-terminal the tests put behind it, which has
no modem lines, reads as lines that are off instead of failing the connection, as ser2net treats
it. The protocol side is the example's and pyserial's own.
"""
import errno
import runpy
import socket
import sys

import serial.serialposix

EXAMPLE = "/usr/share/doc/python3-serial/examples/rfc2217_server.py"


def without_lines(method):
    def call(self, *args):
        try:
            return method(self, *args)
        except OSError as e:
            if e.errno not in (errno.ENOTTY, errno.EINVAL):
                raise
            return False
    return call


Posix = serial.serialposix.Serial
for name in ("_update_rts_state", "_update_dtr_state"):
    setattr(Posix, name, without_lines(getattr(Posix, name)))
for name in ("cts", "dsr", "ri", "cd"):
    setattr(Posix, name, property(without_lines(getattr(Posix, name).fget)))

bind = socket.socket.bind
socket.socket.bind = lambda self, address: bind(self, ("127.0.0.1", address[1]))

port, device = sys.argv[1], sys.argv[2]
sys.argv = [EXAMPLE, "-p", port, device]
runpy.run_path(EXAMPLE, run_name="__main__")
