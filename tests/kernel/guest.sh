#!/bin/sh
# The kernel test's guest: /init of the initramfs. Loads the HID modules, plays the mouse with
# the responder through /dev/uhid and checks mivora-cli against the real hidraw nodes.
export PATH=/bin:/sbin:/mivora
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp && mount -t tmpfs tmp /tmp
for m in $(cat /modules/list); do modprobe "$m" || echo "KTEST note: modprobe $m failed"; done
export MIVORA_POINTER_SETTINGS=none HOME=/tmp
chmod 1777 /tmp
FAILS=0
pass() { echo "KTEST PASS $1"; }
fail() { echo "KTEST FAIL $1"; FAILS=$((FAILS + 1)); sed 's/^/  /' /tmp/out /tmp/err 2>/dev/null | head -n 20; }
cli() { mivora-cli --data-dir /tmp/data "$@" >/tmp/out 2>/tmp/err; }
byte() { od -A n -t u1 -j "$2" -N 1 "$1" | tr -d ' '; }
nodes() { ls /sys/class/hidraw | sort | tr '\n' ' '; }
wait_nodes() {  # wait until N hidraw nodes exist
    i=0
    while [ "$(ls /sys/class/hidraw 2>/dev/null | wc -l)" -lt "$1" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
}
# The shipped udev rule on the guest's real devices: udevadm test must give the uaccess tag to
# exactly the nodes named $1 (the mouse's) and to nothing else.
udev_check() {
    cp /mivora/70-mivora.rules /etc/udev/rules.d/
    bad=0
    tagged=0
    for n in /sys/class/hidraw/*; do
        name=$(sed -n 's/^HID_NAME=//p' "$n/device/uevent")
        udevadm.real test "$n" >/tmp/udev.out 2>&1
        if grep -q "uaccess" /tmp/udev.out; then
            tagged=$((tagged + 1))
            [ "$name" = "$1" ] || { echo "  tagged: $n ($name)"; bad=1; }
        elif [ "$name" = "$1" ]; then
            echo "  not tagged: $n ($name)"; tail -n 5 /tmp/udev.out | sed 's/^/    /'; bad=1
        fi
    done
    [ $bad -eq 0 ] && [ $tagged -gt 0 ]
}

start() {  # fixture, extra fixtures...
    f=$1; shift
    extra=""
    for e in "$@"; do extra="$extra --extra $e"; done
    mivora-kresponder --fixture "$f" $extra --state /tmp/mouse-$f.bin --noise 50 >/tmp/resp.out 2>&1 &
    RESP=$!
    i=0
    while ! grep -q ready /tmp/resp.out && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
}
stop() { kill "$RESP" 2>/dev/null; wait "$RESP" 2>/dev/null; }

# ---- the receiver among unrelated devices (another vendor's mouse, the vendor's other device)
start a e f
wait_nodes 5
if cli devices --verbose && grep -q hidraw /tmp/out; then pass receiver_devices; else fail receiver_devices; fi
if cli read --json && [ "$(head -c 1 /tmp/out)" = "{" ]; then pass receiver_read; else fail receiver_read; fi
if udev_check "hidemu 2.4G Wireless Receiver"; then pass udev_rule_receiver; else fail udev_rule_receiver; fi
if [ "$(byte /tmp/mouse-a.bin 4)" != 2 ] && cli set stage 2 && [ "$(byte /tmp/mouse-a.bin 4)" = 2 ] &&
    [ "$(byte /tmp/mouse-a.bin 5)" = 83 ]; then pass receiver_set; else fail receiver_set; fi
# A key with a macro: set on the mouse, then the whole profile applied to a factory-fresh mouse
# must leave the very same memory.
before=$(md5sum </tmp/mouse-a.bin)
if cli macro import /ktest/jump.zqm && cli set key 2 macro:jump && [ "$(md5sum </tmp/mouse-a.bin)" != "$before" ] &&
    cli read --json && grep -q '"label":"Macro - jump"' /tmp/out; then pass receiver_set_macro_key; else fail receiver_set_macro_key; fi
cp /tmp/mouse-a.bin /tmp/expected.bin
stop
rm /tmp/mouse-a.bin
start a e f
wait_nodes 5
if cli apply && cmp /tmp/mouse-a.bin /tmp/expected.bin >/dev/null; then pass receiver_apply; else cmp -l /tmp/mouse-a.bin /tmp/expected.bin | head -n 5; fail receiver_apply; fi

mivora-ksession --probe
# ---- unplug and replug: the kernel gives the lowest free numbers back
before=$(nodes)
kill -USR1 "$RESP"; sleep 0.5
if cli read; then echo "  read succeeded with the mouse unplugged"; fail unplugged_read; else pass unplugged_read; fi
kill -USR2 "$RESP"; wait_nodes 5; sleep 0.3
after=$(nodes)
if [ "$before" = "$after" ] && cli read --json; then pass replug_same_nodes; else echo "  before: $before after: $after"; fail replug_same_nodes; fi

# ---- the mouse vanishes in the middle of a command: it answers a number of requests (after the
# search; "w": of its memory writes) and is gone. The command must fail and say so; nothing may
# claim success, and no key may be left playing a half-written slot buffer.
for case in "read --json|12" "apply|12" "set key 2 media:mute|4 w"; do
    what=${case%|*}
    echo "${case#*|}" >/tmp/vanish-after
    : >/tmp/resp.out
    kill -HUP "$RESP"
    i=0
    while ! grep -q armed /tmp/resp.out && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done
    mivora-cli --data-dir /tmp/data $what >/tmp/out 2>/tmp/err
    code=$?
    name=vanish_$(echo "$what" | cut -d' ' -f1)
    sleep 0.3
    if [ "$(ls /sys/class/hidraw | wc -l)" -ge 5 ]; then
        echo "  the command ended before the mouse left"; fail "$name"
    elif [ $code -ne 0 ] && [ ! -s /tmp/out -o "$what" != "read --json" ] && ! grep -qi "written\|saved\|applied" /tmp/out &&
        grep -q "The mouse was disconnected" /tmp/err; then
        pass "$name"
    else
        echo "  exit $code"; fail "$name"
        sed 's/^/  out: /' /tmp/out | head -n 5
    fi
    if mivora-ksession --check-keys /tmp/mouse-a.bin >/tmp/out 2>/tmp/err; then pass "${name}_keys_whole"; else fail "${name}_keys_whole"; fi
    kill -USR2 "$RESP"; wait_nodes 5; sleep 0.3
done

# ---- without the udev rule's grant a user is refused with the permission message
chmod 600 /dev/hidraw*
if su user -c "mivora-cli --data-dir /tmp/userdata read" >/tmp/out 2>/tmp/err; then fail user_refused
elif grep -q "no permission" /tmp/err; then pass user_refused; else fail user_refused; fi
# What logind does for the user at the active seat: read and write on exactly the nodes the
# shipped rule tags "uaccess" (no logind here, so the grant is an owner change); the vendor's
# other device and the foreign mouse stay out of the user's reach.
granted=0
for n in /sys/class/hidraw/*; do
    if udevadm.real test "$n" 2>&1 | grep -q uaccess; then
        chown user "/dev/${n##*/}"
        granted=$((granted + 1))
    fi
done
if [ $granted -gt 0 ] && su user -c "mivora-cli --data-dir /tmp/userdata read" >/tmp/out 2>/tmp/err; then
    pass user_granted
else
    echo "  $granted nodes granted"; sed 's/^/  err: /' /tmp/err | head -n 3; fail user_granted
fi
others=0
for d in /dev/hidraw*; do
    [ "$(stat -c %U "$d")" = user ] && continue
    su user -c "test -r $d || test -w $d" && { echo "  the user reaches $d"; others=1; }
done
if [ $others -eq 0 ] && [ $granted -lt "$(ls /dev/hidraw* | wc -l)" ]; then pass user_not_others; else fail user_not_others; fi
stop

# ---- the window's session on the same devices: search, reader thread, unplug and replug, the
# mouse vanishing in a read and in a write, an unrelated device leaving under a pending request
start a e f
wait_nodes 5
n_all=$(ls /sys/class/hidraw | wc -l)
mivora-ksession --responder "$RESP" || FAILS=$((FAILS + 1))
i=0
while ! grep -q stalled /tmp/resp.out && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
grep stalled /tmp/resp.out | sed 's/^/  responder: /'
# The request really was pending while the unrelated devices were taken away.
if grep -q "stalled held" /tmp/resp.out && [ "$(ls /sys/class/hidraw | wc -l)" -lt "$n_all" ]; then
    pass pending_request_removal_happened; else fail pending_request_removal_happened; fi
stop

# ---- the Bluetooth mouse, lost and back
start c e
wait_nodes 3
if cli read --json && [ "$(head -c 1 /tmp/out)" = "{" ]; then pass bluetooth_read; else fail bluetooth_read; fi
if udev_check "hidemu BT Gaming Mouse"; then pass udev_rule_bluetooth; else fail udev_rule_bluetooth; fi
if cli set stage 1 && [ "$(byte /tmp/mouse-c.bin 4)" = 1 ]; then pass bluetooth_set; else fail bluetooth_set; fi
kill -USR1 "$RESP"; sleep 0.5
if cli read; then fail bluetooth_lost; else pass bluetooth_lost; fi
kill -USR2 "$RESP"; wait_nodes 3; sleep 0.3
if cli read --json; then pass bluetooth_back; else fail bluetooth_back; fi
mivora-ksession --responder "$RESP" --bluetooth || FAILS=$((FAILS + 1))
stop

# ---- the receiver as a real USB device: a configfs HID gadget on dummy_hcd, driven by usbhid
mount -t configfs none /sys/kernel/config 2>/dev/null
n0=$(ls /sys/class/hidraw | wc -l)
mivora-kresponder --fixture a --gadget 1 --state /tmp/mouse-g.bin --noise 50 >/tmp/resp.out 2>&1 &
RESP=$!
i=0
while ! grep -q ready /tmp/resp.out && [ $i -lt 150 ] && kill -0 $RESP 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
wait_nodes $((n0 + 2))
sed 's/^/  responder: /' /tmp/resp.out | grep -v ready
mivora-ksession --probe
if cli read --json && [ "$(head -c 1 /tmp/out)" = "{" ]; then pass gadget_read; else fail gadget_read; fi
if cli set stage 2 && [ "$(byte /tmp/mouse-g.bin 4)" = 2 ]; then pass gadget_set; else fail gadget_set; fi
before=$(nodes)
kill -USR1 "$RESP"; sleep 1
if cli read; then fail gadget_unplugged; else pass gadget_unplugged; fi
kill -USR2 "$RESP"; wait_nodes $((n0 + 2)); sleep 1
after=$(nodes)
if [ "$before" = "$after" ] && cli read --json; then pass gadget_replug; else echo "  before: $before after: $after"; fail gadget_replug; fi
stop

echo "KTEST DONE failures=$FAILS"
poweroff -f
