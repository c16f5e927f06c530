// A plain GTK 4 window of a given application id, for the GNOME focus test:
//   gjs gnome_window.js APP_ID
// It stays until it is ended.
imports.gi.versions.Gtk = '4.0';
const {Gtk} = imports.gi;

const appId = ARGV[0];
const app = new Gtk.Application({application_id: appId});
app.connect('activate', () => {
    const window = new Gtk.ApplicationWindow({application: app, title: appId,
        default_width: 320, default_height: 200});
    window.present();
});
app.run([]);
