// Tells Mivora which application is in front (app id, WM_CLASS, pid, title) over the session
// bus. The work is in focusReporter.js, which runs without the Shell too.
/* exported init */

const ExtensionUtils = imports.misc.extensionUtils;
const Gio = imports.gi.Gio;
const Shell = imports.gi.Shell;

const Me = ExtensionUtils.getCurrentExtension();
const FocusReporter = Me.imports.focusReporter;

class MivoraFocusExtension {
    enable() {
        this._reporter = new FocusReporter.FocusReporter({
            display: global.display,
            tracker: Shell.WindowTracker.get_default(),
            bus: Gio.DBus.session,
        });
        this._reporter.start();
    }

    disable() {
        this._reporter.stop();
        this._reporter = null;
    }
}

function init() {
    return new MivoraFocusExtension();
}
