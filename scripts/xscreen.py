"""Reads pixels of the X display in-process through libX11, so that a poll
costs about a millisecond and starts no process that would compete with the
program being timed."""

import ctypes
import ctypes.util
import os

ALL_PLANES = ctypes.c_ulong(~0 & 0xFFFFFFFFFFFFFFFF)
Z_PIXMAP = 2


class _Image(ctypes.Structure):
    # The leading fields of Xlib's XImage, then its function table.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


class Screen:
    def __init__(self, display=None):
        self._x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self._x.XOpenDisplay.restype = ctypes.c_void_p
        self._x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self._x.XDefaultRootWindow.restype = ctypes.c_ulong
        self._x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self._x.XGetImage.restype = ctypes.POINTER(_Image)
        self._x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self._x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self._x.XDisplayWidth.argtypes = self._x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self._x.XDefaultScreen.argtypes = [ctypes.c_void_p]
        name = (display or os.environ["DISPLAY"]).encode()
        self._display = self._x.XOpenDisplay(name)
        if not self._display:
            raise RuntimeError(f"cannot open display {name.decode()}")
        self._root = self._x.XDefaultRootWindow(self._display)

    def size(self):
        number = self._x.XDefaultScreen(self._display)
        return self._x.XDisplayWidth(self._display, number), self._x.XDisplayHeight(self._display, number)

    def close(self):
        self._x.XCloseDisplay(self._display)

    def pixels(self, x, y, width, height):
        """[(r, g, b)] of the area, row by row; needs a 24- or 32-bit display."""
        image = self._x.XGetImage(self._display, self._root, x, y, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            return []
        try:
            fields = image.contents
            if fields.bits_per_pixel != 32:
                raise RuntimeError(f"{fields.bits_per_pixel} bits per pixel; only 32 are read")
            raw = ctypes.string_at(fields.data, fields.bytes_per_line * height)
            return [(raw[row * fields.bytes_per_line + 4 * column + 2],
                     raw[row * fields.bytes_per_line + 4 * column + 1],
                     raw[row * fields.bytes_per_line + 4 * column])
                    for row in range(height) for column in range(width)]
        finally:
            fields.destroy_image(ctypes.cast(image, ctypes.c_void_p))
