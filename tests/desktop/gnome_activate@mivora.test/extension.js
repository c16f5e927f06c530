// For the desktop tests only: the Shell offers no supported way to activate another program's
// window from outside, so this extension does it on a call of its own, as a task bar does.
/* exported init */

const {Gio} = imports.gi;
const Main = imports.ui.main;

const BUS_NAME = 'io.mivora.Test.Shell';
const OBJECT_PATH = '/io/mivora/Test/Shell';
const INTERFACE_XML = `<node>
  <interface name="io.mivora.Test.Shell">
    <method name="Activate">
      <arg type="s" direction="in" name="name"/>
      <arg type="b" direction="out" name="found"/>
    </method>
    <method name="Focused">
      <arg type="s" direction="out" name="pid"/>
    </method>
  </interface>
</node>`;

function names(window) {
    return [window.get_wm_class(), window.get_gtk_application_id(), String(window.get_pid())];
}

class TestShell {
    // name: a WM_CLASS, a GTK application id or a pid (as text). False when no window has it.
    Activate(name) {
        const window = global.get_window_actors().map(actor => actor.meta_window)
            .find(w => names(w).includes(name));
        if (!window)
            return false;
        Main.activateWindow(window);
        return true;
    }

    // The pid of the focused window's program, as text; empty without a focused window.
    Focused() {
        const window = global.display.focus_window;
        return window ? String(window.get_pid()) : '';
    }
}

class Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, new TestShell());
        this._object.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._nameId);
        this._object.unexport();
        this._object = null;
    }
}

function init() {
    return new Extension();
}
