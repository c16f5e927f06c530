// A stand-in compositor for the focus source tests, on the test's private session bus.
//   gjs focus_standin.js kwin5|kwin6 [--preloaded] [CLASS]   KWin's scripting service; the loaded
//       script runs here with a workspace of that Plasma's shape and a callDBus that makes the
//       real call
//   gjs focus_standin.js gnome EXTENSION_DIR [CLASS]   the Shell with the extension's reporter
// CLASS names the window active at the start. The object /Test (io.mivora.Test) activates
// windows (Activate) and tells what the program asked of KWin (Log).
const {Gio, GLib} = imports.gi;

const [mode, ...rest] = ARGV;
const preloaded = rest.includes('--preloaded');
const positional = rest.filter(a => a !== '--preloaded');
const bus = Gio.DBus.session;
const log = [];

function own(name) {
    const [r] = bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus',
        'org.freedesktop.DBus', 'RequestName', new GLib.Variant('(su)', [name, 4]), null,
        Gio.DBusCallFlags.NONE, -1, null).deepUnpack();
    if (r !== 1)
        throw new Error(`cannot own ${name}`);
}

function exportObject(xml, path, impl) {
    const obj = Gio.DBusExportedObject.wrapJSObject(xml, impl);
    obj.export(bus, path);
    return obj;
}

// A window of the compositor's shape: KWin's properties (Plasma 5 gives the class as bytes) or
// Mutter's getters.
function makeWindow(cls, instance, appId, pid, title) {
    if (mode === 'gnome') {
        return {
            get_wm_class: () => cls, get_wm_class_instance: () => instance,
            get_pid: () => pid, get_title: () => title, appId,
        };
    }
    const resourceClass = mode === 'kwin5' ? new TextEncoder().encode(cls).buffer : cls;
    return {resourceClass, resourceName: instance, desktopFileName: appId, pid, caption: title};
}

function signal() {
    const handlers = [];
    return {connect: fn => handlers.push(fn), emit: (...a) => handlers.forEach(fn => fn(...a))};
}

const initial = positional[mode === 'gnome' ? 1 : 0];
let active = initial ? makeWindow(initial, `${initial}-instance`, `org.example.${initial}`,
    new Gio.Credentials().get_unix_pid(), `${initial} window`) : null;
let activate;

if (mode === 'kwin5' || mode === 'kwin6') {
    const workspace = {};
    const activated = signal();
    if (mode === 'kwin6') {
        workspace.windowActivated = activated;
        Object.defineProperty(workspace, 'activeWindow', {get: () => active});
    } else {
        workspace.clientActivated = activated;
        Object.defineProperty(workspace, 'activeClient', {get: () => active});
    }
    activate = () => activated.emit(active);

    // KWin's callDBus: asynchronous, numbers go as doubles, a trailing function gets the answer.
    const callDBus = (service, path, iface, method, ...args) => {
        const callback = typeof args[args.length - 1] === 'function' ? args.pop() : null;
        const sig = args.map(a => typeof a === 'string' ? 's' : typeof a === 'boolean' ? 'b' : 'd');
        bus.call(service, path, iface, method, new GLib.Variant(`(${sig.join('')})`, args), null,
            Gio.DBusCallFlags.NONE, -1, null, (c, res) => {
                try {
                    const reply = c.call_finish(res).deepUnpack();
                    if (callback)
                        callback(...reply);
                } catch (e) {
                    log.push(`callDBus failed: ${e.message}`);
                }
            });
    };

    // plugin name -> {file, running}. KWin numbers a script by how many it holds when it is
    // loaded (so a number comes back after an unload) and serves it at the path of its number;
    // a path another script still holds stays that script's.
    const scripts = new Map();
    const paths = new Map();  // object path -> plugin name, null once it was unloaded
    const pathOf = id => mode === 'kwin6' ? `/Scripting/Script${id}` : `/${id}`;
    const scriptXml = `<node><interface name="org.kde.kwin.Script">
        <method name="run"/><method name="stop"/></interface></node>`;
    const runScript = plugin => {
        const entry = scripts.get(plugin);
        if (!entry || entry.running)
            return;
        entry.running = true;
        log.push(`running ${plugin}`);
        if (!entry.file)
            return;
        const [, bytes] = GLib.file_get_contents(entry.file);
        const source = new TextDecoder().decode(bytes);
        new Function('workspace', 'callDBus', source)(workspace, callDBus);
    };
    const addScript = (plugin, file, running) => {
        const id = scripts.size;
        const path = pathOf(id);
        scripts.set(plugin, {file, running});
        if (paths.get(path))
            return id;
        if (!paths.has(path)) {
            exportObject(scriptXml, path, {
                run() {
                    log.push(`run ${path}`);
                    if (!paths.get(path))
                        throw new Error(`no script at ${path}`);
                    runScript(paths.get(path));
                },
                stop() {},
            });
        }
        paths.set(path, plugin);
        return id;
    };
    // A script of ours left by a program that did not end well, and then another one: our
    // number is free again after the unload, the next is not.
    if (preloaded) {
        addScript('mivora-focus', '', true);
        addScript('other', '', true);
    }
    exportObject(`<node><interface name="org.kde.kwin.Scripting">
        <method name="loadScript"><arg type="s" direction="in"/><arg type="s" direction="in"/>
          <arg type="i" direction="out"/></method>
        <method name="unloadScript"><arg type="s" direction="in"/><arg type="b" direction="out"/></method>
        <method name="start"/>
        </interface></node>`, '/Scripting', {
        loadScript(file, plugin) {
            log.push(`loadScript ${file} ${plugin}`);
            // As KWin: a name already loaded, or no such file, is refused.
            if (scripts.has(plugin) || !GLib.file_test(file, GLib.FileTest.EXISTS))
                return -1;
            return addScript(plugin, file, false);
        },
        unloadScript(plugin) {
            log.push(`unloadScript ${plugin}`);
            if (!scripts.has(plugin))
                return false;
            scripts.delete(plugin);
            for (const [path, name] of paths) {
                if (name === plugin)
                    paths.set(path, null);
            }
            return true;
        },
        // Runs every loaded script that does not run yet.
        start() {
            log.push('start');
            [...scripts.keys()].forEach(runScript);
        },
    });
    own('org.kde.KWin');
} else if (mode === 'gnome') {
    imports.searchPath.unshift(positional[0]);
    const FocusReporter = imports.focusReporter;
    const handlers = [];
    const display = {
        get focus_window() {
            return active;
        },
        connect: (name, fn) => handlers.push({name, fn}),
        disconnect: () => {},
    };
    const tracker = {
        get_window_app: w => w.appId ? {get_id: () => `${w.appId}.desktop`} : null,
    };
    activate = () => handlers.filter(h => h.name === 'notify::focus-window').forEach(h => h.fn());
    own('org.gnome.Shell');
    new FocusReporter.FocusReporter({display, tracker, bus}).start();
} else {
    throw new Error(`unknown mode ${mode}`);
}

exportObject(`<node><interface name="io.mivora.Test">
    <method name="Activate"><arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="i" direction="in"/><arg type="s" direction="in"/></method>
    <method name="Log"><arg type="as" direction="out"/></method>
    </interface></node>`, '/Test', {
    Activate(cls, instance, appId, pid, title) {
        active = cls || instance || appId ? makeWindow(cls, instance, appId, pid, title) : null;
        activate();
    },
    Log() {
        return log;
    },
});

new GLib.MainLoop(null, false).run();
