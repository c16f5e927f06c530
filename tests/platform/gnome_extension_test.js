// The GNOME Shell extension's description of a window, with Mutter's window and the Shell's
// window tracker stubbed: what goes into each Activated call.
//   gjs gnome_extension_test.js EXTENSION_DIR
imports.searchPath.unshift(ARGV[0]);
const {describeWindow} = imports.focusReporter;

function win({cls = 'Cls', instance = 'inst', pid = 42, title = 'Title', gtk = null}) {
    const w = {
        get_wm_class: () => cls, get_wm_class_instance: () => instance, get_pid: () => pid,
        get_title: () => title,
    };
    if (gtk !== null)
        w.get_gtk_application_id = () => gtk;
    return w;
}
const tracker = id => ({get_window_app: () => id === null ? null : {get_id: () => id}});

const cases = [
    ['nothing in front', null, tracker(null), ['', '', '', '', '']],
    ['desktop file id', win({}), tracker('org.gnome.Nautilus.desktop'),
        ['Cls', 'inst', 'org.gnome.Nautilus', '42', 'Title']],
    // The Shell makes up "window:N" for windows without a desktop file: the toolkit's id instead.
    ['made-up id, toolkit id', win({gtk: 'org.example.Tool'}), tracker('window:12'),
        ['Cls', 'inst', 'org.example.Tool', '42', 'Title']],
    ['made-up id only', win({}), tracker('window:12'), ['Cls', 'inst', '', '42', 'Title']],
    ['no app, no pid, no class', win({cls: null, instance: null, pid: 0, title: null}),
        tracker(null), ['', '', '', '', '']],
];

let failures = 0;
for (const [name, window, t, expected] of cases) {
    const got = describeWindow(window, t);
    if (JSON.stringify(got) !== JSON.stringify(expected)) {
        printerr(`FAIL ${name}: ${JSON.stringify(got)} != ${JSON.stringify(expected)}`);
        ++failures;
    }
}
if (failures)
    imports.system.exit(1);
print(`${cases.length} cases passed`);
