#!/usr/bin/env python3
"""A plain Wayland window of a given app id, as any toolkit makes one (an xdg toplevel with a
buffer): wl_window.py APP_ID. It prints "mapped" once the compositor has shown it and stays,
answering the compositor's pings, until it is ended (WAYLAND_DISPLAY and XDG_RUNTIME_DIR as for
any client)."""
import os
import struct
import sys

from wl_client import connect, string, u32

WIDTH, HEIGHT = 240, 160


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: wl_window.py APP_ID")
    app_id = sys.argv[1]
    wire, bind = connect("wl_window")

    compositor = bind("wl_compositor", 4)
    shm = bind("wl_shm", 1)
    wm_base = bind("xdg_wm_base", 1)
    surface = wire.new_id()
    wire.send(compositor, 0, u32(surface))  # create_surface
    xdg_surface = wire.new_id()
    wire.send(wm_base, 2, u32(xdg_surface, surface))  # get_xdg_surface
    toplevel = wire.new_id()
    wire.send(xdg_surface, 1, u32(toplevel))  # get_toplevel
    wire.send(toplevel, 2, string(app_id))  # set_title
    wire.send(toplevel, 3, string(app_id))  # set_app_id
    wire.send(surface, 6)  # commit, for the first configure

    fd = os.memfd_create("window")
    os.ftruncate(fd, WIDTH * HEIGHT * 4)
    os.pwrite(fd, b"\xc0\xc0\xc0\xff" * (WIDTH * HEIGHT), 0)
    pool = wire.new_id()
    wire.send(shm, 0, u32(pool) + struct.pack("<i", WIDTH * HEIGHT * 4), fds=[fd])  # create_pool
    os.close(fd)
    buffer = wire.new_id()
    # create_buffer: xrgb8888
    wire.send(pool, 0, u32(buffer) + struct.pack("<iiiiI", 0, WIDTH, HEIGHT, WIDTH * 4, 1))

    mapped = False

    def on_event(obj, opcode, body):
        nonlocal mapped
        if obj == wm_base and opcode == 0:  # ping: unanswered, the window is "not responding"
            wire.send(wm_base, 3, body[:4])  # pong
        elif obj == xdg_surface and opcode == 0:  # configure: the size is ours to choose
            wire.send(xdg_surface, 4, body[:4])  # ack_configure
            if not mapped:
                wire.send(surface, 1, u32(buffer, 0, 0))  # attach
                wire.send(surface, 2, struct.pack("<iiii", 0, 0, WIDTH, HEIGHT))  # damage
            wire.send(surface, 6)  # commit
            if not mapped:
                mapped = True
                wire.roundtrip(on_event)
                print("mapped", flush=True)
        elif obj == toplevel and opcode == 1:  # close
            raise SystemExit(0)

    while True:
        on_event(*wire.read_event())


if __name__ == "__main__":
    main()
