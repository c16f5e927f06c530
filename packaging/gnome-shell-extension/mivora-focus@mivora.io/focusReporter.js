// The extension's work, kept free of Shell imports so it runs in plain gjs: watches the focused
// window and calls Mivora's focus object with it. Either side may start first: a report goes
// when the focus changes, when Mivora's name appears on the bus and when Mivora asks (Resend).
/* exported FocusReporter, describeWindow, BUS_NAME, OBJECT_PATH, INTERFACE */

const {Gio, GLib} = imports.gi;

var BUS_NAME = 'io.mivora.Mivora1.Focus';
var OBJECT_PATH = '/io/mivora/Mivora1/focus';
var INTERFACE = 'io.mivora.Mivora1.Focus';

function text(value) {
    return value === undefined || value === null ? '' : String(value);
}

// The five texts of an Activated call: WM_CLASS class, WM_CLASS instance, app id, pid, title.
// No window: all empty.
function describeWindow(window, tracker) {
    if (!window)
        return ['', '', '', '', ''];
    let appId = '';
    const app = tracker ? tracker.get_window_app(window) : null;
    const id = app ? text(app.get_id()) : '';
    // Windows without a desktop file get made-up ids ("window:12"): no name to match.
    if (id && !id.startsWith('window:'))
        appId = id.endsWith('.desktop') ? id.slice(0, -'.desktop'.length) : id;
    if (!appId && window.get_gtk_application_id)
        appId = text(window.get_gtk_application_id());
    const pid = window.get_pid ? window.get_pid() : 0;
    return [text(window.get_wm_class()), text(window.get_wm_class_instance()), appId,
        pid > 0 ? String(pid) : '', text(window.get_title())];
}

var FocusReporter = class {
    constructor({display, tracker, bus}) {
        this._display = display;
        this._tracker = tracker;
        this._bus = bus;
        this._present = false;
    }

    start() {
        this._focusId = this._display.connect('notify::focus-window', () => this._send());
        this._watchId = Gio.bus_watch_name_on_connection(this._bus, BUS_NAME,
            Gio.BusNameWatcherFlags.NONE,
            () => {
                this._present = true;
                this._send();
            },
            () => {
                this._present = false;
            });
        this._resendId = this._bus.signal_subscribe(BUS_NAME, INTERFACE, 'Resend', OBJECT_PATH,
            null, Gio.DBusSignalFlags.NONE, () => {
                this._present = true;
                this._send();
            });
    }

    stop() {
        this._display.disconnect(this._focusId);
        Gio.bus_unwatch_name(this._watchId);
        this._bus.signal_unsubscribe(this._resendId);
        this._present = false;
    }

    _send() {
        if (!this._present)
            return;
        const values = describeWindow(this._display.focus_window, this._tracker);
        // Never waits: a Mivora that hangs must not hold the Shell.
        this._bus.call(BUS_NAME, OBJECT_PATH, INTERFACE, 'Activated',
            new GLib.Variant('(sssss)', values), null, Gio.DBusCallFlags.NO_AUTO_START, 1000,
            null, (bus, result) => {
                try {
                    bus.call_finish(result);
                } catch (e) {
                    // Mivora went away meanwhile; its name's return sends again.
                }
            });
    }
};
