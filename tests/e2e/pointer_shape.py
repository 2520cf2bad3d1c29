#!/usr/bin/env python3
"""Prints the name of the X pointer's current shape on $DISPLAY.

Wine shows the system's cursors as the X cursors of the same meaning and
names them so: "hand2" for IDC_HAND, "left_ptr" for the arrow. The name
comes from the XFIXES extension (libXfixes, which Wine uses too); a shape
without a name prints an empty line.
"""
import ctypes
import sys


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def main():
    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        print("no X display", file=sys.stderr)
        return 1
    image = xfixes.XFixesGetCursorImage(display)
    name = image.contents.name if image else None
    print((name or b"").decode("ascii", "replace"))
    x11.XCloseDisplay(display)
    return 0


if __name__ == "__main__":
    sys.exit(main())
