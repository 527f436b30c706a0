#!/usr/bin/env python3
"""Asks an X window to close, as a window manager's close button does: a
WM_DELETE_WINDOW message under WM_PROTOCOLS (the window stays the client's
to end). Usage: x-close-window.py WINDOW-ID  (DISPLAY names the server)"""
import ctypes
import struct
import sys

CLIENT_MESSAGE = 33

x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("x-close-window: cannot open the display")
window = int(sys.argv[1], 0)
protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
delete = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event = ctypes.create_string_buffer(192)  # sizeof(XEvent) on a 64-bit system
# XClientMessageEvent: type, serial, send_event, display, window, message_type, format, data.l[5]
struct.pack_into("i4xQi4xQQQi4x5q", event, 0, CLIENT_MESSAGE, 0, 1, display, window, protocols, 32,
                 delete, 0, 0, 0, 0)
x11.XSendEvent(display, window, 0, 0, event)
x11.XFlush(display)
x11.XCloseDisplay(display)
