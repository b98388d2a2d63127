// brickfall-sim under node: the files it is told to read and write are the host's, at the
// paths the command line gives, and the game's Resources/ are the folder beside this script,
// where the game looks beside its executable.
/* global Module, FS, NODEFS, require, __dirname, process */
Module.preRun = Module.preRun || [];
Module.preRun.push(function mountHostFolders() {
    const fs = require("fs");
    // The runtime's own /dev and /proc stay; every other top-level folder of the host is seen
    // at its own name, those the runtime also makes (/tmp, /home) included.
    const kept = new Set(["dev", "proc", "sys", "Resources"]);
    for (const name of fs.readdirSync("/")) {
        let isFolder = false;
        try {
            isFolder = fs.statSync("/" + name).isDirectory();
        } catch (unreadable) {
            isFolder = false;
        }
        if (!isFolder || kept.has(name)) {
            continue;
        }
        if (!FS.analyzePath("/" + name).exists) {
            FS.mkdir("/" + name);
        }
        FS.mount(NODEFS, { root: "/" + name }, "/" + name);
    }
    FS.mkdir("/Resources");
    FS.mount(NODEFS, { root: __dirname + "/Resources" }, "/Resources");
    FS.chdir(process.cwd());
});
// SDL's gamepad code asks the browser's navigator, which node before 21 does not have; here
// it offers no gamepads.
if (typeof navigator === "undefined") {
    globalThis.navigator = {};
}
