// Tells Mivora which window is active, so it can switch the mouse's key set by application.
// Mivora loads this script into KWin over D-Bus when it starts and unloads it when it ends.
// Plasma 6 calls the signal windowActivated, Plasma 5 clientActivated: whichever exists is used.

const mivoraService = "io.mivora.Mivora1.Focus";
const mivoraPath = "/io/mivora/Mivora1/focus";
const mivoraInterface = "io.mivora.Mivora1.Focus";

// Every value goes as text, so the call's signature is the same on every Plasma (a number
// could arrive as an integer or a double). Plasma 5 gives the class as bytes.
function mivoraText(value) {
    if (value === undefined || value === null) return "";
    if (typeof ArrayBuffer !== "undefined" && value instanceof ArrayBuffer) {
        const bytes = new Uint8Array(value);
        let text = "";
        for (let i = 0; i < bytes.length; ++i) text += String.fromCharCode(bytes[i]);
        try {
            return decodeURIComponent(escape(text));
        } catch (e) {
            return text;
        }
    }
    return String(value);
}

function mivoraReport(window) {
    if (!window) {
        callDBus(mivoraService, mivoraPath, mivoraInterface, "Activated", "", "", "", "", "");
        return;
    }
    callDBus(mivoraService, mivoraPath, mivoraInterface, "Activated",
             mivoraText(window.resourceClass), mivoraText(window.resourceName),
             mivoraText(window.desktopFileName), mivoraText(window.pid),
             mivoraText(window.caption));
}

if (workspace.windowActivated !== undefined) {
    workspace.windowActivated.connect(mivoraReport);
    mivoraReport(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(mivoraReport);
    mivoraReport(workspace.activeClient);
}
