#!/usr/bin/env python3
"""A bare Wayland client for the session test: it speaks the wire protocol itself (no
bindings needed) and, one command a line on stdin, answers on stdout:
  token            -> an xdg-activation token, as a launcher hands one to what it starts
  move X Y         -> moves a virtual pointer to X, Y of the layout (WIDTH x HEIGHT)
  click            -> presses and releases its left button
  panel HEIGHT     -> shows a panel along the top of the screen, as a desktop's task bar: a
                      surface of another program that never takes the keyboard focus
Usage: wl_client.py WIDTH HEIGHT (WAYLAND_DISPLAY and XDG_RUNTIME_DIR as for any client)."""
import os
import socket
import struct
import sys
import time

BTN_LEFT = 0x110


class Wire:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buf = b""
        self.next_id = 2

    def new_id(self):
        self.next_id += 1
        return self.next_id

    def send(self, obj, opcode, args=b"", fds=()):
        data = struct.pack("<II", obj, ((8 + len(args)) << 16) | opcode) + args
        if fds:
            socket.send_fds(self.sock, [data], list(fds))
        else:
            self.sock.sendall(data)

    def read_event(self):
        while len(self.buf) < 8 or len(self.buf) < (struct.unpack_from("<II", self.buf)[1] >> 16):
            data = self.sock.recv(65536)
            if not data:
                raise SystemExit("wl_client: the compositor closed the connection")
            self.buf += data
        obj, word = struct.unpack_from("<II", self.buf)
        size = word >> 16
        body, self.buf = self.buf[8:size], self.buf[size:]
        if obj == 1 and (word & 0xFFFF) == 0:  # wl_display.error
            raise SystemExit("wl_client: protocol error: %r" % body)
        return obj, word & 0xFFFF, body

    def roundtrip(self, on_event=lambda *_: None):
        done = self.new_id()
        self.send(1, 0, u32(done))  # wl_display.sync
        while True:
            obj, opcode, body = self.read_event()
            if obj == done:
                return
            on_event(obj, opcode, body)


def u32(*values):
    return b"".join(struct.pack("<I", v) for v in values)


def string(text):
    raw = text.encode() + b"\0"
    return u32(len(raw)) + raw + b"\0" * (-len(raw) % 4)


def read_string(body, at=0):
    (n,) = struct.unpack_from("<I", body, at)
    return body[at + 4:at + 4 + n - 1].decode(), at + 4 + n + (-n % 4)


def connect(who):
    """Connects to the compositor of WAYLAND_DISPLAY and reads its globals. Returns the wire and
    bind(interface, version), which binds a global (and exits naming who when it is missing)."""
    display = os.environ.get("WAYLAND_DISPLAY", "wayland-0")
    if not display.startswith("/"):
        display = os.path.join(os.environ["XDG_RUNTIME_DIR"], display)
    wire = Wire(display)
    registry = 2
    wire.send(1, 1, u32(registry))  # wl_display.get_registry
    globals_ = {}

    def on_global(obj, opcode, body):
        if obj == registry and opcode == 0:
            (name,) = struct.unpack_from("<I", body)
            interface, at = read_string(body, 4)
            (version,) = struct.unpack_from("<I", body, at)
            globals_[interface] = (name, version)

    wire.roundtrip(on_global)

    def bind(interface, version):
        if interface not in globals_:
            raise SystemExit(who + ": the compositor offers no " + interface)
        obj = wire.new_id()
        wire.send(registry, 0, u32(globals_[interface][0]) + string(interface) + u32(version, obj))
        return obj

    return wire, bind


def main():
    width, height = int(sys.argv[1]), int(sys.argv[2])
    wire, bind = connect("wl_client")

    def show_panel(height):
        compositor = bind("wl_compositor", 4)
        shm = bind("wl_shm", 1)
        layers = bind("zwlr_layer_shell_v1", 1)
        surface = wire.new_id()
        wire.send(compositor, 0, u32(surface))  # create_surface
        layer = wire.new_id()
        # get_layer_surface(surface, any output, the top layer, a namespace)
        wire.send(layers, 0, u32(layer, surface, 0, 2) + string("panel"))
        wire.send(layer, 0, u32(0, height))  # set_size: the full width
        wire.send(layer, 1, u32(1 | 4 | 8))  # set_anchor: top, left and right
        wire.send(surface, 6)  # commit, for the first configure
        serial = size = None
        while serial is None:
            obj, opcode, body = wire.read_event()
            if obj == layer and opcode == 0:
                serial, w, h = struct.unpack_from("<III", body)
                size = (w, h)
        wire.send(layer, 6, u32(serial))  # ack_configure
        w, h = size
        fd = os.memfd_create("panel")
        os.ftruncate(fd, w * h * 4)
        os.pwrite(fd, b"\x40\x40\x40\xff" * (w * h), 0)
        pool = wire.new_id()
        wire.send(shm, 0, u32(pool) + struct.pack("<i", w * h * 4), fds=[fd])  # create_pool
        os.close(fd)
        buffer = wire.new_id()
        wire.send(pool, 0, u32(buffer) + struct.pack("<iiiiI", 0, w, h, w * 4, 1))  # xrgb8888
        wire.send(surface, 1, u32(buffer, 0, 0))  # attach
        wire.send(surface, 2, struct.pack("<iiii", 0, 0, w, h))  # damage
        wire.send(surface, 6)  # commit

    pointer = None
    start = time.monotonic()
    stamp = lambda: int((time.monotonic() - start) * 1000) & 0xFFFFFFFF  # noqa: E731
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "token":
            activation = bind("xdg_activation_v1", 1)
            token = wire.new_id()
            wire.send(activation, 1, u32(token))  # get_activation_token
            wire.send(token, 3)  # commit
            text = None
            while text is None:
                obj, opcode, body = wire.read_event()
                if obj == token and opcode == 0:
                    text = read_string(body)[0]
            wire.send(token, 4)  # destroy
            print(text, flush=True)
            continue
        if words[0] == "panel":
            show_panel(int(words[1]))
            wire.roundtrip()
            print("ok", flush=True)
            continue
        if pointer is None:
            manager = bind("zwlr_virtual_pointer_manager_v1", 1)
            pointer = wire.new_id()
            wire.send(manager, 0, u32(0, pointer))  # create_virtual_pointer, any seat
            wire.roundtrip()
            # The seat gains a pointer now: give the other clients time to take it up.
            time.sleep(0.3)
        if words[0] == "move":
            x, y = int(words[1]), int(words[2])
            # Twice: a surface under a pointer that has not moved since it came is not entered.
            for dx in (1, 0):
                wire.send(pointer, 1, u32(stamp(), x + dx, y, width, height))  # motion_absolute
                wire.send(pointer, 4)  # frame
                wire.roundtrip()
        elif words[0] == "click":
            for state in (1, 0):
                wire.send(pointer, 2, u32(stamp(), BTN_LEFT, state))  # button
                wire.send(pointer, 4)
                wire.roundtrip()
                time.sleep(0.05)
        else:
            raise SystemExit("wl_client: unknown command " + words[0])
        wire.roundtrip()
        print("ok", flush=True)


if __name__ == "__main__":
    main()
