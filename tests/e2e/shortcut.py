"""Reads a Windows shortcut (.lnk) file: where it points and the folder it starts in.

Only what the tests ask of a shortcut: the link target from the link
information block, and the working folder and arguments from the string data.
"""

import struct
from dataclasses import dataclass
from pathlib import Path

HEADER_SIZE = 0x4C
HAS_TARGET_ID_LIST = 0x01
HAS_LINK_INFO = 0x02
# The string data that follows, in this order, each present when its flag is.
STRING_FLAGS = [("name", 0x04), ("relative_path", 0x08), ("working_folder", 0x10),
                ("arguments", 0x20), ("icon_location", 0x40)]
IS_UNICODE = 0x80
VOLUME_AND_LOCAL_BASE_PATH = 0x01


@dataclass
class Shortcut:
    target: str = ""
    name: str = ""
    relative_path: str = ""
    working_folder: str = ""
    arguments: str = ""
    icon_location: str = ""


def _c_string(data, offset, wide=False):
    if wide:
        end = offset
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[offset:end].decode("utf-16-le")
    return data[offset:data.index(b"\0", offset)].decode("latin-1")


def _link_target(data, offset):
    """The local base path and common path suffix of the link information block."""
    header_size, flags = struct.unpack_from("<2I", data, offset + 4)
    if not flags & VOLUME_AND_LOCAL_BASE_PATH:
        return ""
    base, = struct.unpack_from("<I", data, offset + 16)
    suffix, = struct.unpack_from("<I", data, offset + 24)
    if header_size >= 0x24:  # the Unicode forms' offsets follow
        wide_base, wide_suffix = struct.unpack_from("<2I", data, offset + 28)
        return _c_string(data, offset + wide_base, True) + _c_string(data, offset + wide_suffix, True)
    return _c_string(data, offset + base) + _c_string(data, offset + suffix)


def read_shortcut(path):
    data = Path(path).read_bytes()
    size, = struct.unpack_from("<I", data, 0)
    if size != HEADER_SIZE:
        raise ValueError(f"{path}: not a shortcut file")
    flags, = struct.unpack_from("<I", data, 0x14)
    shortcut = Shortcut()
    offset = HEADER_SIZE
    if flags & HAS_TARGET_ID_LIST:
        id_list_size, = struct.unpack_from("<H", data, offset)
        offset += 2 + id_list_size
    if flags & HAS_LINK_INFO:
        info_size, = struct.unpack_from("<I", data, offset)
        shortcut.target = _link_target(data, offset)
        offset += info_size
    wide = bool(flags & IS_UNICODE)
    for field, flag in STRING_FLAGS:
        if flags & flag:
            count, = struct.unpack_from("<H", data, offset)
            offset += 2
            length = count * 2 if wide else count
            raw = data[offset:offset + length]
            text = raw.decode("utf-16-le") if wide else raw.decode("latin-1")
            # Some writers count the terminator too.
            setattr(shortcut, field, text.rstrip("\0"))
            offset += length
    return shortcut
